#include "temporarydeviceroot.h"

#include <bastra_crypto.h>

#include <QtTest>

#include <cstring>

#include <cerrno>
#include <sys/stat.h>

namespace {

const char token[] = "bastra-certman-common-ca::CertUserSSLUse";

struct Result {
    int status = -1;
    QByteArray bytes;
};

Result run(int (*operation)(const void *, size_t, const char *, unsigned char **, size_t *), const QByteArray &data,
           const char *tokenName)
{
    Result result;
    unsigned char *out = reinterpret_cast<unsigned char *>(1);
    size_t length = 12345;
    result.status = operation(data.constData(), size_t(data.size()), tokenName, &out, &length);
    if (result.status == 0) {
        result.bytes = QByteArray(reinterpret_cast<const char *>(out), int(length));
        bastra_crypto_free(out);
    } else if (out != nullptr || length != 0) {
        result.status = -999; // a failure must not hand out anything
    }
    return result;
}

Result encrypt(const QByteArray &data, const char *tokenName = token)
{
    return run(bastra_crypto_encrypt, data, tokenName);
}

Result decrypt(const QByteArray &data, const char *tokenName = token)
{
    return run(bastra_crypto_decrypt, data, tokenName);
}

QString secretPath(const TemporaryDeviceRoot &root)
{
    return root.resolve(QStringLiteral("/var/lib/bastra-crypto/secret"));
}

} // namespace

class TokenCipherTest : public QObject
{
    Q_OBJECT

private slots:
    void tokenForm_data()
    {
        QTest::addColumn<QByteArray>("candidate");
        QTest::addColumn<bool>("valid");
        QTest::newRow("short") << QByteArray("a::b") << true;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("no separator") << QByteArray("package-Name") << false;
        QTest::newRow("single colon") << QByteArray("package:Name") << false;
        QTest::newRow("empty package") << QByteArray("::Name") << false;
        QTest::newRow("empty name") << QByteArray("package::") << false;
        QTest::newRow("two separators") << QByteArray("a::b::c") << false;
        QTest::newRow("newline") << QByteArray("package::Name\n") << false;
        QTest::newRow("non-ascii") << QByteArray("paket::N\xc3\xa4me") << false;
        QTest::newRow("255 chars") << QByteArray("p::") + QByteArray(252, 'n') << true;
        QTest::newRow("256 chars") << QByteArray("p::") + QByteArray(253, 'n') << false;
    }

    void tokenForm()
    {
        QFETCH(QByteArray, candidate);
        QFETCH(bool, valid);
        QCOMPARE(bool(bastra_crypto_token_is_valid(candidate.constData())), valid);
        TemporaryDeviceRoot root;
        const Result sealed = encrypt("data", candidate.constData());
        QCOMPARE(sealed.status == 0, valid);
        if (!valid)
            QCOMPARE(sealed.status, EINVAL);
        QCOMPARE(decrypt("anything at all, long enough to be sealed", candidate.constData()).status != EINVAL, valid);
    }

    void roundTrip()
    {
        TemporaryDeviceRoot root;
        QByteArray big(100000, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char(i * 7);
        for (const QByteArray &plain : { QByteArray(""), QByteArray("k"), QByteArray("-----BEGIN KEY-----"), big }) {
            const Result sealed = encrypt(plain);
            QCOMPARE(sealed.status, 0);
            QVERIFY(sealed.bytes.size() > plain.size());
            QVERIFY(!sealed.bytes.contains(plain) || plain.size() < 2);
            const Result opened = decrypt(sealed.bytes);
            QCOMPARE(opened.status, 0);
            QCOMPARE(opened.bytes, plain);
        }
        // A fresh nonce each time: the same data never seals the same way.
        QVERIFY(encrypt("same").bytes != encrypt("same").bytes);
    }

    void tamperedOrMisaddressedDataFails()
    {
        TemporaryDeviceRoot root;
        const QByteArray sealed = encrypt("private key material").bytes;
        QVERIFY(!sealed.isEmpty());
        // Every single byte is covered: version, nonce, ciphertext and tag.
        for (int i = 0; i < sealed.size(); ++i) {
            QByteArray changed = sealed;
            changed[i] = char(changed[i] ^ 0x01);
            QVERIFY2(decrypt(changed).status != 0, qPrintable(QString::number(i)));
        }
        QVERIFY(decrypt(sealed.left(sealed.size() - 1)).status != 0);
        QVERIFY(decrypt(sealed + 'x').status != 0);
        QVERIFY(decrypt(QByteArray()).status != 0);
        QVERIFY(decrypt(sealed.left(10)).status != 0);
        QVERIFY(decrypt(sealed, "bastra-certman-common-ca::CertCASSLAdd").status != 0);
        // A token that differs only towards its end, at the same length.
        QVERIFY(decrypt(sealed, "bastra-certman-common-ca::CertUserSSLAdd").status != 0);
        QCOMPARE(decrypt(sealed).status, 0);
    }

    void deviceSecretIsMadeOnceAndKept()
    {
        TemporaryDeviceRoot root;
        QVERIFY(!QFile::exists(secretPath(root)));
        const QByteArray sealed = encrypt("data").bytes;
        QFileInfo secret(secretPath(root));
        QVERIFY(secret.isFile());
        QCOMPARE(secret.size(), 32);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(secret.filePath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
        QCOMPARE(::stat(QFile::encodeName(secret.path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));

        QCOMPARE(decrypt(sealed).bytes, QByteArray("data"));

        // Another device (another secret) cannot open it.
        TemporaryDeviceRoot otherDevice;
        QVERIFY(decrypt(sealed).status != 0);
    }

    void damagedSecretIsNotReplaced()
    {
        TemporaryDeviceRoot root;
        QVERIFY(encrypt("data").status == 0);
        QFile file(secretPath(root));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("short");
        file.close();
        QVERIFY(encrypt("data").status != 0);
        QVERIFY(QString::fromLatin1(bastra_crypto_last_error_str()).contains(QLatin1String("damaged")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("short"));
    }
};

QTEST_APPLESS_MAIN(TokenCipherTest)
#include "tst_tokencipher.moc"
