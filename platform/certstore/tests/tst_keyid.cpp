#include "storetesthelpers.h"
#include "temporarydeviceroot.h"

#include <QtTest>

#include <openssl/sha.h>

#include <cerrno>
#include <cstring>

// Key ids, display names and credentials: the store's small pure helpers.
class KeyIdTest : public QObject
{
    Q_OBJECT

private slots:
    void certificateAndKeyShareTheSubjectKeyHash()
    {
        for (auto type : { CertificateKeyType::Ec, CertificateKeyType::Rsa }) {
            CertificateOptions options;
            options.keyType = type;
            const auto material = CertificateFactory::makeSelfSigned(options);
            bastra_key_id fromCert, fromKey;
            QCOMPARE(bastra_certman_get_cert_key_id(material.certificate.data(), &fromCert), 0);
            QCOMPARE(bastra_certman_get_key_key_id(material.key.data(), &fromKey), 0);
            QCOMPARE(std::memcmp(fromCert.data, fromKey.data, BASTRA_KEY_ID_SIZE), 0);

            // SHA-1 of the subject public key bits, computed independently.
            const ASN1_BIT_STRING *bits = X509_get0_pubkey_bitstr(material.certificate.data());
            unsigned char expected[SHA_DIGEST_LENGTH];
            SHA1(ASN1_STRING_get0_data(bits), size_t(ASN1_STRING_length(bits)), expected);
            QCOMPARE(std::memcmp(fromCert.data, expected, BASTRA_KEY_ID_SIZE), 0);

            // Another certificate for the same key has the same id.
            const auto again = CertificateFactory::makeForKey(options, material.key);
            QCOMPARE(keyIdText(again.certificate.data()), keyIdText(fromCert));
        }
    }

    void textForm()
    {
        bastra_key_id id;
        for (int i = 0; i < BASTRA_KEY_ID_SIZE; ++i)
            id.data[i] = static_cast<unsigned char>(i * 13 + 0xa0);
        char text[BASTRA_KEY_ID_TEXT_SIZE];
        QCOMPARE(bastra_certman_key_id_to_str(&id, text, sizeof text), 0);
        QCOMPARE(QByteArray(text), QByteArray("a0adbac7d4e1eefb0815222f3c495663707d8a97"));

        bastra_key_id parsed;
        QCOMPARE(bastra_certman_str_to_key_id(text, &parsed), 0);
        QCOMPARE(std::memcmp(parsed.data, id.data, BASTRA_KEY_ID_SIZE), 0);
        QCOMPARE(bastra_certman_str_to_key_id("A0ADBAC7D4E1EEFB0815222F3C495663707D8A97", &parsed), 0);
        QCOMPARE(std::memcmp(parsed.data, id.data, BASTRA_KEY_ID_SIZE), 0);

        // Too small a buffer is refused and nothing is written past it.
        char small[BASTRA_KEY_ID_TEXT_SIZE] = {};
        QVERIFY(bastra_certman_key_id_to_str(&id, small, BASTRA_KEY_ID_TEXT_SIZE - 1) != 0);
        QCOMPARE(small[BASTRA_KEY_ID_TEXT_SIZE - 1], '\0');
    }

    void malformedTextIsRefused_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good("a0adbac7d4e1eefb0815222f3c495663707d8a97");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("39 digits") << good.left(39);
        QTest::newRow("41 digits") << good + "0";
        QTest::newRow("non-hex") << QByteArray("g0adbac7d4e1eefb0815222f3c495663707d8a97");
        QTest::newRow("colons") << QByteArray("a0:ad:ba:c7:d4:e1:ee:fb:08:15:22:2f:3c:49:56:63:70:7d:8a:97");
        QTest::newRow("leading blank") << QByteArray(" ") + good.left(39);
        QTest::newRow("trailing newline") << good + "\n";
        QTest::newRow("0x prefix") << QByteArray("0x") + good.left(38);
    }

    void malformedTextIsRefused()
    {
        QFETCH(QByteArray, text);
        bastra_key_id id;
        std::memset(id.data, 0x55, sizeof id.data);
        bastra_crypto_set_last_error("%s", "");
        QCOMPARE(bastra_certman_str_to_key_id(text.constData(), &id), EINVAL);
        QVERIFY(std::strlen(bastra_crypto_last_error_str()) > 0);
        QCOMPARE(int(id.data[0]), 0x55); // untouched on failure
    }

    void nicknameIsCutBetweenCharacters()
    {
        CertificateOptions options;
        // 'a' then two-byte characters: cutting at an odd byte count must
        // step back to a character boundary.
        options.commonName = QStringLiteral("a") + QString(63, QChar(0x00e4));
        auto cert = CertificateFactory::makeSelfSigned(options).certificate;
        char buffer[80];
        QCOMPARE(bastra_certman_get_nickname(cert.data(), buffer, sizeof buffer), 0);
        QCOMPARE(std::strlen(buffer), size_t(79));
        QCOMPARE(QString::fromUtf8(buffer), options.commonName.left(40));

        char tiny[3];
        QCOMPARE(bastra_certman_get_nickname(cert.data(), tiny, sizeof tiny), 0);
        QCOMPARE(QByteArray(tiny), QByteArray("a"));
    }

    void credentials()
    {
        const char *token = "bastra-certman-common-ca::CertCASSLAdd";
        QCOMPARE(bastra_certman_set_credentials(token), 0);
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), QByteArray(token));
        QCOMPARE(bastra_certman_set_credentials(nullptr), EINVAL);
        QCOMPARE(bastra_certman_set_credentials(""), EINVAL);
        QCOMPARE(bastra_certman_set_credentials("no token here"), EINVAL);
        QCOMPARE(bastra_certman_set_credentials("CertCASSLAdd"), EINVAL);
        // A refused token leaves the earlier one in force.
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), QByteArray(token));
    }
};

QTEST_APPLESS_MAIN(KeyIdTest)
#include "tst_keyid.moc"
