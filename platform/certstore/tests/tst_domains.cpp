#include "storetesthelpers.h"
#include "temporarydeviceroot.h"

#include <QtTest>

#include <cerrno>

namespace {

struct DomainWalk {
    QStringList names;
    QList<int> indexes;
    int stopAfter = -1;
};

int collectDomain(int index, const char *domain, void *user)
{
    auto *walk = static_cast<DomainWalk *>(user);
    walk->names << QString::fromLatin1(domain);
    walk->indexes << index;
    return walk->names.size() == walk->stopAfter ? 1 : 0;
}

QStringList domains(int flags, int stopAfter = -1, int *result = nullptr)
{
    DomainWalk walk;
    walk.stopAfter = stopAfter;
    const int status = bastra_certman_iterate_domains(flags, collectDomain, &walk);
    if (result)
        *result = status;
    return walk.names;
}

} // namespace

// Opening the store and its domains: modes, names, listing.
class DomainsTest : public QObject
{
    Q_OBJECT

private slots:

    void domainNamesAreChecked_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("purpose domain") << QByteArray("ssl-ca") << true;
        QTest::newRow("all allowed characters") << QByteArray("Az09._-x") << true;
        QTest::newRow("64 characters") << QByteArray(64, 'd') << true;
        QTest::newRow("65 characters") << QByteArray(65, 'd') << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("dot") << QByteArray(".") << false;
        QTest::newRow("dot dot") << QByteArray("..") << false;
        QTest::newRow("slash") << QByteArray("ssl/ca") << false;
        QTest::newRow("non-ascii") << QByteArray("s\xc3\xa4l") << false;
    }

    void domainNamesAreChecked()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, valid);
        TemporaryDeviceRoot root;
        QVERIFY(root.addSharedDomain(QString::fromLatin1(name)) || !valid);
        for (int mode : { BASTRA_DOMAIN_PRIVATE, BASTRA_DOMAIN_SHARED }) {
            OpenDomain domain(name.constData(), mode);
            QCOMPARE(domain.result == 0, valid);
            if (!valid) {
                QCOMPARE(domain.result, EINVAL);
                QCOMPARE(domain.handle, static_cast<bastra_domain>(nullptr));
            }
        }
        bastra_domain handle = nullptr;
        QCOMPARE(bastra_certman_open_domain("ssl-ca", 2, &handle), EINVAL);
    }

    void sharedDomainsAreReadOnly()
    {
        TemporaryDeviceRoot root;
        const auto ca = CertificateFactory::makeCa(QStringLiteral("System CA"));
        const auto other = CertificateFactory::makeCa(QStringLiteral("Other CA"));
        {
            OpenDomain missing("common-ca", BASTRA_DOMAIN_SHARED);
            QCOMPARE(missing.result, ENOENT);
        }
        QVERIFY(root.addSharedCertificate(QStringLiteral("common-ca"), ca.certificate.data()));
        OpenDomain domain("common-ca", BASTRA_DOMAIN_SHARED);
        QCOMPARE(domain.result, 0);

        X509 *loaded = nullptr;
        const bastra_key_id id = keyIdOf(ca.certificate.data());
        QCOMPARE(bastra_certman_load_cert(domain.handle, &id, &loaded), 0);
        QVERIFY(sameCertificate(loaded, ca.certificate.data()));
        X509_free(loaded);

        QCOMPARE(bastra_certman_add_cert(domain.handle, other.certificate.data()), EACCES);
        QCOMPARE(bastra_certman_rm_cert(domain.handle, &id), EACCES);
        QVERIFY(QFile::exists(root.sharedDomainFolder(QStringLiteral("common-ca")) + '/' + keyIdText(id)));
        QCOMPARE(QDir(root.sharedDomainFolder(QStringLiteral("common-ca"))).entryList(QDir::Files).size(), 1);

        // The private domain of the same name is another domain.
        OpenDomain own("common-ca", BASTRA_DOMAIN_PRIVATE);
        QCOMPARE(own.result, 0);
        QCOMPARE(bastra_certman_load_cert(own.handle, &id, &loaded), ENOENT);
        QCOMPARE(loaded, static_cast<X509 *>(nullptr));

        // A file where a shared domain's folder belongs.
        QVERIFY(CertificateFactory::writeFile(root.sharedDomainFolder(QStringLiteral("not-a-folder")), "x"));
        OpenDomain notFolder("not-a-folder", BASTRA_DOMAIN_SHARED);
        QVERIFY(notFolder.result != 0);
    }

    void domainsAreListedInNameOrder()
    {
        TemporaryDeviceRoot root;
        const auto cert = CertificateFactory::makeSelfSigned(CertificateOptions());
        for (const char *name : { "wifi-user", "ssl-ca", "smime-ca", "codesign-ca", "ssl-user" }) {
            OpenDomain domain(name, BASTRA_DOMAIN_PRIVATE);
            QCOMPARE(bastra_certman_add_cert(domain.handle, cert.certificate.data()), 0);
        }
        // The key folder and stray files are no domains.
        const auto key = CertificateFactory::makeSelfSigned(CertificateOptions());
        bastra_key_id keyId = keyIdOf(key.certificate.data());
        QCOMPARE(bastra_certman_store_key(&keyId, key.key.data(), "pw"), 0);
        QVERIFY(CertificateFactory::writeFile(root.privateDomainFolder(QStringLiteral("plain-file")), "x"));

        const QStringList expected{ "codesign-ca", "smime-ca", "ssl-ca", "ssl-user", "wifi-user" };
        DomainWalk walk;
        QCOMPARE(bastra_certman_iterate_domains(BASTRA_ITERATE_PRIVATE, collectDomain, &walk), 0);
        QCOMPARE(walk.names, expected);
        QCOMPARE(walk.indexes, (QList<int>{ 0, 1, 2, 3, 4 }));

        int result = -1;
        QCOMPARE(domains(BASTRA_ITERATE_PRIVATE, 2, &result), expected.mid(0, 2));
        QCOMPARE(result, 0); // a walk stopped by its callback still succeeded

        QVERIFY(domains(BASTRA_ITERATE_SHARED).isEmpty());
        QVERIFY(root.addSharedDomain(QStringLiteral("common-ca")));
        QVERIFY(root.addSharedDomain(QStringLiteral("codesigning")));
        QCOMPARE(domains(BASTRA_ITERATE_SHARED), (QStringList{ "codesigning", "common-ca" }));
    }
};

QTEST_APPLESS_MAIN(DomainsTest)
#include "tst_domains.moc"
