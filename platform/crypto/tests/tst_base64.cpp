#include <bastra_crypto.h>

#include <QtTest>

#include <cstring>

// Decodes text, checking the result contract both ways: success hands out a
// buffer with exactly the decoded length, failure a null buffer and a
// negative result. A failure comes back as "<failed>".
static QByteArray decode(const char *text)
{
    unsigned char *out = reinterpret_cast<unsigned char *>(1);
    const int length = base64_decode(text, &out);
    if (length < 0)
        return out ? QByteArray("<failed, buffer left>") : QByteArray("<failed>");
    if (!out)
        return QByteArray("<no buffer>");
    const QByteArray bytes(reinterpret_cast<const char *>(out), length);
    bastra_crypto_free(out);
    return bytes;
}

static QByteArray encode(const QByteArray &data)
{
    char *text = base64_encode(reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size()));
    if (!text)
        return QByteArray();
    QByteArray result(text);
    bastra_crypto_free(text);
    return result;
}

class Base64Test : public QObject
{
    Q_OBJECT

private slots:
    void rfc4648Vectors_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("empty") << QByteArray("") << QByteArray("");
        QTest::newRow("f") << QByteArray("f") << QByteArray("Zg==");
        QTest::newRow("fo") << QByteArray("fo") << QByteArray("Zm8=");
        QTest::newRow("foo") << QByteArray("foo") << QByteArray("Zm9v");
        QTest::newRow("foob") << QByteArray("foob") << QByteArray("Zm9vYg==");
        QTest::newRow("fooba") << QByteArray("fooba") << QByteArray("Zm9vYmE=");
        QTest::newRow("foobar") << QByteArray("foobar") << QByteArray("Zm9vYmFy");
        QTest::newRow("high bits") << QByteArray("\xfb\xff\xfe", 3) << QByteArray("+//+");
    }

    void rfc4648Vectors()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, encoded);
        QCOMPARE(encode(plain), encoded);
        QCOMPARE(decode(encoded.constData()), plain);
    }

    void whitespaceIsSkipped()
    {
        QCOMPARE(decode(" Zm9v\nYmFy\r\n"), QByteArray("foobar"));
        QCOMPARE(decode("Zm9v\tYg=\v=\f"), QByteArray("foob"));
        QCOMPARE(decode(" \n "), QByteArray(""));
        // Empty input is a success with a buffer the caller frees.
        unsigned char *out = nullptr;
        QCOMPARE(base64_decode("", &out), 0);
        QVERIFY(out);
        bastra_crypto_free(out);
    }

    void malformedTextIsRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("url-safe alphabet") << QByteArray("Zm9-YmFy");
        QTest::newRow("non-ascii") << QByteArray("Zm9v\xc3\xa4");
        QTest::newRow("control character") << QByteArray("Zm9v\x01YmFy");
        QTest::newRow("missing padding") << QByteArray("Zg");
        QTest::newRow("short padding") << QByteArray("Zg=");
        QTest::newRow("too much padding") << QByteArray("Zg===");
        QTest::newRow("padding only") << QByteArray("====");
        QTest::newRow("padding in the middle") << QByteArray("Zg==Zm9v");
        QTest::newRow("data after padding") << QByteArray("Zm8=v");
        QTest::newRow("single symbol") << QByteArray("Z===");
        QTest::newRow("truncated group") << QByteArray("Zm9vY");
        QTest::newRow("padding on full group") << QByteArray("Zm9v====");
    }

    void malformedTextIsRefused()
    {
        QFETCH(QByteArray, text);
        unsigned char *out = reinterpret_cast<unsigned char *>(1);
        QVERIFY(base64_decode(text.constData(), &out) < 0);
        QCOMPARE(out, static_cast<unsigned char *>(nullptr));
        QVERIFY(std::strlen(bastra_crypto_last_error_str()) > 0);
    }
};

QTEST_APPLESS_MAIN(Base64Test)
#include "tst_base64.moc"
