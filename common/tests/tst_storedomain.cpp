// The store domain owner: which token is current when it opens, in which
// mode, and that the domain is usable until the owner goes.
#include "storedomain.h"

#include <bastra_certman.h>

#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

class TestStoreDomain : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_root;

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        qputenv("TRUSTKEEP_DEVICE_ROOT", m_root.path().toUtf8());
        QVERIFY(QDir().mkpath(m_root.path() + QStringLiteral("/etc/bastra-certs/common-ca")));
        QVERIFY(QDir().mkpath(m_root.path() + QStringLiteral("/etc/bastra-certs/codesigning")));
    }

    void opensUnderThePurposeTokenOfTheAccess_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("access"); // -1: none
        QTest::addColumn<QByteArray>("token");

        const QByteArray before("bastra-certman-common-ca::Before");
        QTest::newRow("adding to a CA domain")
            << "ssl-ca" << int(DomainAccess::Add) << QByteArray("bastra-certman-common-ca::CertCASSLAdd");
        QTest::newRow("removing from a user domain")
            << "wifi-user" << int(DomainAccess::Remove) << QByteArray("bastra-certman-common-ca::CertCAWifiAdd");
        QTest::newRow("loading by key id")
            << "smime-user" << int(DomainAccess::Load) << QByteArray("bastra-certman-common-ca::CertUserSMIMEUse");
        QTest::newRow("codesigning takes the software makers' token")
            << "codesigning" << int(DomainAccess::Remove) << QByteArray("bastra-certman-common-ca::CertCACodeSignAdd");
        QTest::newRow("no purpose: the token before stays") << "common-ca" << int(DomainAccess::Remove) << before;
        QTest::newRow("a listing sets none") << "ssl-ca" << -1 << before;
    }

    void opensUnderThePurposeTokenOfTheAccess()
    {
        QFETCH(QString, domain);
        QFETCH(int, access);
        QFETCH(QByteArray, token);

        QCOMPARE(bastra_certman_set_credentials("bastra-certman-common-ca::Before"), 0);
        const StoreDomain::Mode mode = StoreDomain::modeFor(domain);
        if (access < 0) {
            const StoreDomain store(domain, mode, TK_CLOSE_LOGGED_BY_CALL);
            QVERIFY(store.isOpen());
        } else {
            const StoreDomain store(domain, mode, DomainAccess(access), TK_CLOSE_LOGGED_BY_NAME);
            QCOMPARE(store.openResult(), 0);
            QVERIFY(store.handle());
        }
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), token);
    }

    // Only the shared domains of fixed names are opened read-only; a name
    // that merely begins like one is the user's own.
    void sharedDomainsOpenReadOnly_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<bool>("shared");
        QTest::newRow("common-ca") << "common-ca" << true;
        QTest::newRow("codesigning") << "codesigning" << true;
        QTest::newRow("codesigning-ca") << "codesigning-ca" << false;
        QTest::newRow("common-ca-x") << "common-ca-x" << false;
        QTest::newRow("ssl-ca") << "ssl-ca" << false;
    }

    void sharedDomainsOpenReadOnly()
    {
        QFETCH(QString, domain);
        QFETCH(bool, shared);
        QCOMPARE(StoreDomain::modeFor(domain) == StoreDomain::SharedReadOnly, shared);

        const StoreDomain store(domain, StoreDomain::modeFor(domain), TK_CLOSE_UNLOGGED);
        QVERIFY(store.isOpen());
        X509 *none = nullptr;
        const int added = bastra_certman_add_cert(store.handle(), none);
        // A shared domain refuses any change before it looks at the certificate.
        QCOMPARE(added == EACCES, shared);
    }
};

QTEST_GUILESS_MAIN(TestStoreDomain)

#include "tst_storedomain.moc"
