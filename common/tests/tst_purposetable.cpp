#include "purposetable.h"

#include <QtTest>

class PurposeTableTest : public QObject
{
    Q_OBJECT

private slots:
    // The purpose a domain name belongs to. (The table's order is what the
    // applet's action rules send in; the tokens of each access are checked
    // where the store is opened with them: tst_storedomain, the installer's
    // and the service's store calls.)
    void purposeOfADomain_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("prefix"); // empty: no entry
        const char *rows[][3] = {
            { "ssl-ca", "ssl-ca", "ssl" },
            { "ssl-user", "ssl-user", "ssl" },
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
};

QTEST_APPLESS_MAIN(PurposeTableTest)
#include "tst_purposetable.moc"
