#include "storetesthelpers.h"
#include "temporarydeviceroot.h"

#include <QtTest>

#include <openssl/pkcs12.h>
#include <openssl/rand.h>

#include <cerrno>

namespace {

bool sameKey(EVP_PKEY *a, EVP_PKEY *b)
{
    return a && b && EVP_PKEY_eq(a, b) == 1;
}

// The stored key's encryption parameters, read from the file itself.
struct Protection {
    int scheme = NID_undef;
    int kdf = NID_undef;
    long iterations = 0;
    int prf = NID_hmacWithSHA1; // the default when the file names none
};

Protection protectionOf(const QString &path)
{
    Protection protection;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return protection;
    const QByteArray der = file.readAll();
    const unsigned char *cursor = reinterpret_cast<const unsigned char *>(der.constData());
    X509_SIG *sealed = d2i_X509_SIG(nullptr, &cursor, der.size());
    if (!sealed)
        return protection;
    const X509_ALGOR *algorithm = nullptr;
    X509_SIG_get0(sealed, &algorithm, nullptr);
    protection.scheme = OBJ_obj2nid(algorithm->algorithm);
    if (protection.scheme == NID_pbes2) {
        PBE2PARAM *pbe2 =
            static_cast<PBE2PARAM *>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), algorithm->parameter));
        if (pbe2) {
            protection.kdf = OBJ_obj2nid(pbe2->keyfunc->algorithm);
            PBKDF2PARAM *kdf = static_cast<PBKDF2PARAM *>(
                ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), pbe2->keyfunc->parameter));
            if (kdf) {
                protection.iterations = ASN1_INTEGER_get(kdf->iter);
                if (kdf->prf)
                    protection.prf = OBJ_obj2nid(kdf->prf->algorithm);
                PBKDF2PARAM_free(kdf);
            }
            PBE2PARAM_free(pbe2);
        }
    }
    X509_SIG_free(sealed);
    return protection;
}

// An encrypted-key structure with the given PBKDF2 iteration count and
// random content, made without running the key derivation.
QByteArray planted(int iterations)
{
    X509_ALGOR *pbe = PKCS5_pbe2_set_iv(EVP_aes_256_cbc(), iterations, nullptr, 0, nullptr, NID_hmacWithSHA256);
    X509_SIG *sig = X509_SIG_new();
    X509_ALGOR *algorithm = nullptr;
    ASN1_OCTET_STRING *digest = nullptr;
    X509_SIG_getm(sig, &algorithm, &digest);
    unsigned char content[64];
    RAND_bytes(content, sizeof content);
    QByteArray der;
    if (pbe && X509_ALGOR_copy(algorithm, pbe) == 1 && ASN1_OCTET_STRING_set(digest, content, sizeof content) == 1) {
        unsigned char *bytes = nullptr;
        const int length = i2d_X509_SIG(sig, &bytes);
        der = QByteArray(reinterpret_cast<const char *>(bytes), length);
        OPENSSL_free(bytes);
    }
    X509_SIG_free(sig);
    X509_ALGOR_free(pbe);
    return der;
}

} // namespace

// Private keys kept under passwords.
class KeysTest : public QObject
{
    Q_OBJECT

private slots:
    void storeAndRetrieve()
    {
        TemporaryDeviceRoot root;
        const auto material = CertificateFactory::makeSelfSigned(CertificateOptions());
        const bastra_key_id id = keyIdOf(material.certificate.data());
        EVP_PKEY *key = reinterpret_cast<EVP_PKEY *>(1);
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "secret"), ENOENT);
        QCOMPARE(key, static_cast<EVP_PKEY *>(nullptr));

        const char *password = "s\xc3\xa4kr\xc3\xa9t \"pass\""; // UTF-8
        QCOMPARE(bastra_certman_store_key(&id, material.key.data(), password), 0);
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, password), 0);
        QVERIFY(sameKey(key, material.key.data()));
        EVP_PKEY_free(key);

        // A key stored under another key's id could never be found again.
        const auto other = CertificateFactory::makeSelfSigned(CertificateOptions());
        QCOMPARE(bastra_certman_store_key(&id, other.key.data(), "pw"), EINVAL);

        for (const char *wrong : { "", "secret", "s\xc3\xa4kr\xc3\xa9t \"pass\" ", "S\xc3\xa4kr\xc3\xa9t \"pass\"" }) {
            key = reinterpret_cast<EVP_PKEY *>(1);
            QCOMPARE(bastra_certman_retrieve_key(&id, &key, wrong), EACCES);
            QCOMPARE(key, static_cast<EVP_PKEY *>(nullptr));
        }
    }

    void keysAreProtectedOnDisk()
    {
        TemporaryDeviceRoot root;
        const auto material = CertificateFactory::makeSelfSigned(CertificateOptions());
        const bastra_key_id id = keyIdOf(material.certificate.data());
        QCOMPARE(bastra_certman_store_key(&id, material.key.data(), "pw"), 0);
        const QString path = root.keyFolder() + '/' + keyIdText(id);
        QCOMPARE(modeOf(root.keyFolder()), 0700);
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(QDir(root.keyFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{ keyIdText(id) });

        const Protection protection = protectionOf(path);
        QCOMPARE(protection.scheme, int(NID_pbes2));
        QCOMPARE(protection.kdf, int(NID_id_pbkdf2));
        QVERIFY(protection.iterations >= 100000);
        QCOMPARE(protection.prf, int(NID_hmacWithSHA256));

        // The clear key appears nowhere in the file.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        const QByteArray clear = CertificateFactory::keyToDer(material.key.data());
        QVERIFY(!stored.contains(clear.right(32)));
    }

    void damagedKeyFiles()
    {
        TemporaryDeviceRoot root;
        const auto material = CertificateFactory::makeSelfSigned(CertificateOptions());
        const auto other = CertificateFactory::makeSelfSigned(CertificateOptions());
        const bastra_key_id id = keyIdOf(material.certificate.data());
        const bastra_key_id otherId = keyIdOf(other.certificate.data());
        const QString path = root.keyFolder() + '/' + keyIdText(id);
        EVP_PKEY *key = nullptr;

        QVERIFY(CertificateFactory::writeFile(path, "garbage"));
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "pw"), EBADMSG);
        QVERIFY(QFile::remove(path));

        // Another key's file under this name.
        QCOMPARE(bastra_certman_store_key(&otherId, other.key.data(), "pw"), 0);
        QVERIFY(QFile::copy(root.keyFolder() + '/' + keyIdText(otherId), path));
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "pw"), EBADMSG);
        QCOMPARE(key, static_cast<EVP_PKEY *>(nullptr));
        QVERIFY(QFile::remove(path));

        // Protection that would take hours to try (a planted file) is
        // refused before any password is tried.
        QVERIFY(CertificateFactory::writeFile(path, planted(2000000000)));
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "pw"), EBADMSG);
        QVERIFY(CertificateFactory::writeFile(path, planted(100000)));
        QCOMPARE(bastra_certman_retrieve_key(&id, &key, "pw"), EACCES);
        QVERIFY(QFile::remove(path));

        // A folder where the key file belongs.
        QVERIFY(QDir().mkpath(path));
        QVERIFY(bastra_certman_store_key(&id, material.key.data(), "pw") != 0);
        QVERIFY(bastra_certman_retrieve_key(&id, &key, "pw") != 0);
        QVERIFY(bastra_certman_remove_key(&id) != 0);
        QVERIFY(QDir(path).exists());
    }
};

QTEST_APPLESS_MAIN(KeysTest)
#include "tst_keys.moc"
