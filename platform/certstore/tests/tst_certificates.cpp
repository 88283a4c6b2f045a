#include "storetesthelpers.h"
#include "temporarydeviceroot.h"

#include <QtTest>

#include <cerrno>

namespace {

struct CertWalk {
    QStringList keyIds;
    QList<QByteArray> ders;
    QList<int> indexes;
    int stopAfter = -1;
    bastra_domain removeFrom = nullptr; // removes each certificate as it is seen
};

int collectCert(int index, X509 *cert, void *user)
{
    auto *walk = static_cast<CertWalk *>(user);
    walk->keyIds << keyIdText(cert);
    walk->ders << CertificateFactory::toDer(cert);
    walk->indexes << index;
    if (walk->removeFrom) {
        const bastra_key_id id = keyIdOf(cert);
        bastra_certman_rm_cert(walk->removeFrom, &id);
    }
    return walk->keyIds.size() == walk->stopAfter ? 7 : 0;
}

// The walk that hands over DER bytes, seen as the certificate walk is.
int collectDer(int index, const unsigned char *der, size_t length, void *user)
{
    const unsigned char *cursor = der;
    X509 *cert = d2i_X509(nullptr, &cursor, long(length));
    const int result = collectCert(index, cert, user);
    static_cast<CertWalk *>(user)->ders.last() = QByteArray(reinterpret_cast<const char *>(der), int(length));
    X509_free(cert);
    return result;
}

QList<CertificateFactory::Issued> makeCertificates(int count)
{
    QList<CertificateFactory::Issued> certs;
    for (int i = 0; i < count; ++i) {
        CertificateOptions options;
        options.commonName = QStringLiteral("Certificate %1").arg(i);
        certs << CertificateFactory::makeSelfSigned(options);
    }
    return certs;
}

QStringList sortedKeyIds(const QList<CertificateFactory::Issued> &certs)
{
    QStringList ids;
    for (const auto &cert : certs)
        ids << keyIdText(cert.certificate.data());
    ids.sort();
    return ids;
}

} // namespace

// Certificates in a domain: the walk, and what the files on disk may look
// like. (Adding, loading and removing are what the service's domain methods
// go through.)
class CertificatesTest : public QObject
{
    Q_OBJECT

private slots:

    void walkIsInKeyIdOrderAndStops()
    {
        TemporaryDeviceRoot root;
        OpenDomain domain("ssl-ca", BASTRA_DOMAIN_PRIVATE);
        CertWalk empty;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &empty), 0); // not created yet
        QVERIFY(empty.keyIds.isEmpty());

        const auto certs = makeCertificates(6);
        for (const auto &cert : certs)
            QCOMPARE(bastra_certman_add_cert(domain.handle, cert.certificate.data()), 0);
        CertWalk walk;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &walk), 0);
        QCOMPARE(walk.keyIds, sortedKeyIds(certs));
        QCOMPARE(walk.indexes, (QList<int>{ 0, 1, 2, 3, 4, 5 }));

        CertWalk stopped;
        stopped.stopAfter = 2;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &stopped), 0);
        QCOMPARE(stopped.keyIds, sortedKeyIds(certs).mid(0, 2));

        // The callback may remove what it is shown.
        CertWalk removing;
        removing.removeFrom = domain.handle;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &removing), 0);
        QCOMPARE(removing.keyIds, sortedKeyIds(certs));
        CertWalk after;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &after), 0);
        QVERIFY(after.keyIds.isEmpty());
    }

    void damagedEntriesAreSkipped()
    {
        TemporaryDeviceRoot root;
        const auto good = makeCertificates(2);
        for (const auto &cert : good)
            QVERIFY(root.addSharedCertificate(QStringLiteral("common-ca"), cert.certificate.data()));
        const QString folder = root.sharedDomainFolder(QStringLiteral("common-ca"));
        const auto victims = makeCertificates(5);
        const QString garbage = keyIdText(victims[0].certificate.data());
        const QString truncated = keyIdText(victims[1].certificate.data());
        const QString mislabelled = keyIdText(victims[2].certificate.data());
        const QString folderEntry = keyIdText(victims[3].certificate.data());
        const QString trailing = keyIdText(victims[4].certificate.data());
        const QByteArray der = CertificateFactory::toDer(victims[0].certificate.data());
        QVERIFY(CertificateFactory::writeFile(folder + '/' + garbage, "not a certificate at all"));
        QVERIFY(CertificateFactory::writeFile(folder + '/' + truncated, der.left(der.size() / 2)));
        QVERIFY(CertificateFactory::writeFile(folder + '/' + mislabelled,
                                              CertificateFactory::toDer(good[0].certificate.data())));
        QVERIFY(QDir().mkpath(folder + '/' + folderEntry));
        QVERIFY(CertificateFactory::writeFile(folder + '/' + trailing,
                                              CertificateFactory::toDer(victims[4].certificate.data()) + "junk"));
        QVERIFY(CertificateFactory::writeFile(folder + QStringLiteral("/README"), "not a key id"));
        QVERIFY(CertificateFactory::writeFile(folder + '/' + garbage.toUpper(), der));

        OpenDomain domain("common-ca", BASTRA_DOMAIN_SHARED);
        CertWalk walk;
        QCOMPARE(bastra_certman_iterate_certs(domain.handle, collectCert, &walk), 0);
        QCOMPARE(walk.keyIds, sortedKeyIds(good));
        QCOMPARE(walk.indexes, (QList<int>{ 0, 1 }));
        QVERIFY(std::strlen(bastra_crypto_last_error_str()) > 0);
        // The DER walk skips the same entries, on its first walk and on a
        // later one that finds the files it has checked.
        for (int round = 0; round < 2; ++round) {
            CertWalk ders;
            bastra_crypto_set_last_error("%s", "");
            QCOMPARE(bastra_certman_iterate_cert_ders(domain.handle, collectDer, &ders), 0);
            QCOMPARE(ders.keyIds, walk.keyIds);
            QCOMPARE(ders.ders, walk.ders);
            QCOMPARE(ders.indexes, walk.indexes);
            QVERIFY(std::strlen(bastra_crypto_last_error_str()) > 0);
        }
    }

    // A file rewritten under the same name is listed as it is now, never
    // as it was when the walk last checked it.
    void derWalkFollowsRewrittenFiles()
    {
        TemporaryDeviceRoot root;
        const auto cert = CertificateFactory::makeSelfSigned(CertificateOptions());
        CertificateOptions renewed;
        renewed.commonName = QStringLiteral("Renewed");
        const auto renewal = CertificateFactory::makeForKey(renewed, cert.key);
        const QByteArray der = CertificateFactory::toDer(cert.certificate.data());
        const QString file =
            root.privateDomainFolder(QStringLiteral("ssl-user")) + '/' + keyIdText(cert.certificate.data());
        OpenDomain domain("ssl-user", BASTRA_DOMAIN_PRIVATE);
        QCOMPARE(bastra_certman_add_cert(domain.handle, cert.certificate.data()), 0);

        const QList<QByteArray> contents{ CertificateFactory::toDer(renewal.certificate.data()),
                                          der.left(der.size() - 1), der + "junk", "garbage", der };
        const QList<QList<QByteArray>> listed{ { contents[0] }, {}, {}, {}, { der } };
        for (int i = 0; i < contents.size(); ++i) {
            QVERIFY(CertificateFactory::writeFile(file, contents[i]));
            for (int round = 0; round < 2; ++round) {
                CertWalk walk;
                QCOMPARE(bastra_certman_iterate_cert_ders(domain.handle, collectDer, &walk), 0);
                QCOMPARE(walk.ders, listed[i]);
            }
        }
        QCOMPARE(bastra_certman_iterate_cert_ders(nullptr, collectDer, nullptr), EINVAL);
        QCOMPARE(bastra_certman_iterate_cert_ders(domain.handle, nullptr, nullptr), EINVAL);
    }
};

QTEST_APPLESS_MAIN(CertificatesTest)
#include "tst_certificates.moc"
