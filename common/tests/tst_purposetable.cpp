#include "purposetable.h"

#include <bastra_certman.h>

#include <QtTest>

class PurposeTableTest : public QObject
{
    Q_OBJECT

private slots:
    // The purposes in table order; the tokens themselves are checked where
    // the store is opened with them (tokensForAccess, the installer's and
    // the service's store calls).
    void tableHoldsTheFourPurposesInOrder()
    {
        QStringList prefixes;
        const PurposeEntry *entry = purposeTable;
        for (; entry->domainPrefix; ++entry)
            prefixes << QLatin1String(entry->domainPrefix);
        QCOMPARE(prefixes, (QStringList{ "ssl", "wifi", "smime", "codesign" }));
        QVERIFY(!entry->labelId && !entry->userUseToken && !entry->caAddToken);
        QCOMPARE(QByteArray(purposeTable[0].labelId), QByteArray("lgd_certman_websites"));
    }

    void purposeOfADomain_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("prefix"); // empty: no entry
        const char *rows[][3] = {
            { "ssl-ca", "ssl-ca", "ssl" },
            { "ssl-user", "ssl-user", "ssl" },
            { "wifi-user", "wifi-user", "wifi" },
            { "smime-ca", "smime-ca", "smime" },
            { "codesign-ca", "codesign-ca", "codesign" },
            { "codesigning is a prefix match", "codesigning", "codesign" },
            { "bare prefix", "ssl", "ssl" },
            { "common-ca", "common-ca", "" },
            { "common-codesigning-ca", "common-codesigning-ca", "" },
            { "common", "common", "" },
            { "server", "server", "" },
            { "case-sensitive", "SSL-ca", "" },
            { "empty", "", "" },
            { "prefix inside", "x-ssl-ca", "" },
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]);
    }

    void purposeOfADomain()
    {
        QFETCH(QString, domain);
        QFETCH(QString, prefix);
        const PurposeEntry *entry = Purposes::forDomain(domain);
        QCOMPARE(entry ? QString::fromLatin1(entry->domainPrefix) : QString(), prefix);
        QCOMPARE(Purposes::tokenFor(domain, DomainAccess::Add) != nullptr, !prefix.isEmpty());
    }

    void tokensForAccess()
    {
        QCOMPARE(QByteArray(Purposes::tokenFor("ssl-ca", DomainAccess::Add)),
                 QByteArray("bastra-certman-common-ca::CertCASSLAdd"));
        QCOMPARE(QByteArray(Purposes::tokenFor("ssl-user", DomainAccess::Remove)),
                 QByteArray("bastra-certman-common-ca::CertCASSLAdd"));
        QCOMPARE(QByteArray(Purposes::tokenFor("wifi-user", DomainAccess::Load)),
                 QByteArray("bastra-certman-common-ca::CertUserWifiUse"));
        QCOMPARE(QByteArray(Purposes::tokenFor("codesigning", DomainAccess::Load)),
                 QByteArray("bastra-certman-common-ca::CertCACodeSignUse"));
        QCOMPARE(QByteArray(Purposes::tokenFor("codesigning", DomainAccess::Remove)),
                 QByteArray("bastra-certman-common-ca::CertCACodeSignAdd"));
        QCOMPARE(Purposes::tokenFor("common-ca", DomainAccess::Remove), static_cast<const char *>(nullptr));

        // Every token of the table is one the store accepts.
        for (const PurposeEntry *entry = purposeTable; entry->domainPrefix; ++entry) {
            QCOMPARE(bastra_certman_set_credentials(entry->userUseToken), 0);
            QCOMPARE(bastra_certman_set_credentials(entry->caAddToken), 0);
        }
    }

    void credentialsStayWhenNoEntryMatches()
    {
        QVERIFY(Purposes::useCredentialsFor("smime-ca", DomainAccess::Add));
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), QByteArray("bastra-certman-common-ca::CertCASMIMEAdd"));
        // "common-ca" matches no entry: whatever was current stays in force.
        QVERIFY(!Purposes::useCredentialsFor("common-ca", DomainAccess::Remove));
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), QByteArray("bastra-certman-common-ca::CertCASMIMEAdd"));
        QVERIFY(Purposes::useCredentialsFor("wifi-ca", DomainAccess::Load));
        QCOMPARE(QByteArray(bastra_certman_get_credentials()), QByteArray("bastra-certman-common-ca::CertUserWifiUse"));
    }

    void domainsOfAPurposeList()
    {
        QCOMPARE(Purposes::domainSuffix(true), QStringLiteral("-ca"));
        QCOMPARE(Purposes::domainSuffix(false), QStringLiteral("-user"));
        QCOMPARE(Purposes::domainFor(purposeTable[1], true), QStringLiteral("wifi-ca"));

        const QStringList webAndMail{ "ssl", "smime" };
        QCOMPARE(Purposes::domainsFor(webAndMail, true), (QStringList{ "ssl-ca", "smime-ca" }));
        QCOMPARE(Purposes::domainsFor(webAndMail, false), (QStringList{ "ssl-user", "smime-user" }));
        // Table order, not list order; each purpose once.
        QCOMPARE(Purposes::domainsFor({ "codesign", "smime", "ssl", "ssl" }, true),
                 (QStringList{ "ssl-ca", "smime-ca", "codesign-ca" }));
        // Unknown, differently cased or partial purposes select nothing.
        QCOMPARE(Purposes::domainsFor({ "ftp" }, true), QStringList());
        QCOMPARE(Purposes::domainsFor({ "SSL", "ss", "ssl-ca", "" }, false), QStringList());
        QCOMPARE(Purposes::domainsFor({}, false), QStringList());

        QCOMPARE(QByteArray(Purposes::forPrefix("wifi")->labelId), QByteArray("lgd_certman_wifi"));
        QCOMPARE(Purposes::forPrefix("wifi-ca"), static_cast<const PurposeEntry *>(nullptr));
        QCOMPARE(Purposes::forPrefix("codesigning"), static_cast<const PurposeEntry *>(nullptr));
    }
};

QTEST_APPLESS_MAIN(PurposeTableTest)
#include "tst_purposetable.moc"
