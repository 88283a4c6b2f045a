#include "zelvoapplication.h"
#include "zelvolabel.h"
#include "zelvolocale.h"

#include <QTemporaryDir>
#include <QtTest>

// Logical-id lookups through the three catalogs.
class TestZelvoLocale : public QObject
{
    Q_OBJECT

private slots:
    // Whether every id of the product resolves is the applet's test (it
    // scans the product's sources against its catalog).
    void catalogsInstallOnceAndServeQtTrId()
    {
        ZelvoLocale locale;
        QVERIFY(locale.installTrCatalog(QStringLiteral("common")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("certificatemanager")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("common"))); // twice is harmless
        QVERIFY(!locale.installTrCatalog(QStringLiteral("no-such-catalog")));
        QCOMPARE(locale.installedCatalogs().size(), 2);
        ZelvoLocale::setDefault(locale);
        const QString text = ZelvoLocale::trId("lgd_certman_trust_always");
        QVERIFY(ZelvoLocale::hasTranslation(QStringLiteral("lgd_certman_trust_always")));
        QVERIFY(!text.isEmpty() && !text.contains(QLatin1String("lgd_")));
        QCOMPARE(qtTrId("lgd_certman_trust_always"), text);
        QCOMPARE(ZelvoLocale::defaultLocale(), &locale);
    }

    void missingIdsNeverShowRaw()
    {
        QCOMPARE(ZelvoLocale::trId("lgd_certman_no_such_text"), QStringLiteral("No such text"));
        QCOMPARE(ZelvoLocale::fallbackText(QStringLiteral("lgd_x")), QStringLiteral("X"));
        QVERIFY(!ZelvoLocale::hasTranslation(QStringLiteral("lgd_certman_no_such_text")));
        QVERIFY(ZelvoLocale::trId("").isEmpty());

        QVERIFY(ZelvoLocale::isLogicalId(QStringLiteral("lgd_certman_noitems")));
        QVERIFY(!ZelvoLocale::isLogicalId(QStringLiteral("lgd_certman_noitems and more")));
        QVERIFY(!ZelvoLocale::isLogicalId(QStringLiteral("Plain text")));
        QCOMPARE(ZelvoLocale::displayText(QStringLiteral("Plain text")), QStringLiteral("Plain text"));

        // A label given an id shows a text, not the id.
        ZelvoLabel label(QStringLiteral("lgd_certman_noitems"));
        QCOMPARE(label.text(), QStringLiteral("lgd_certman_noitems"));
        QVERIFY(!label.displayText().startsWith(QLatin1String("lgd_")));
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvolocale"));
    TestZelvoLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvolocale.moc"
