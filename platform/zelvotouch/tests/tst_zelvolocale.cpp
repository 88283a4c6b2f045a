#include "zelvoapplication.h"
#include "zelvolabel.h"
#include "zelvolocale.h"

#include <QDate>
#include <QTemporaryDir>
#include <QtTest>

// Logical-id lookups through the three catalogs.
class TestZelvoLocale : public QObject
{
    Q_OBJECT

private:
    // Every logical id the product's pages, dialogs, menus and banners use.
    static QStringList productIds()
    {
        return {
            "lgd_certman_addcert_title",
            "lgd_certman_allcertificates",
            "lgd_certman_banner_rootdelete",
            "lgd_certman_cert_changed_maninmiddle",
            "lgd_certman_cert_does_not_exist",
            "lgd_certman_cert_expired",
            "lgd_certman_certdetails",
            "lgd_certman_certificatemanagertitle",
            "lgd_certman_certificatepackagename",
            "lgd_certman_certificatesdisplayed",
            "lgd_certman_certificatesettings",
            "lgd_certman_certsettings",
            "lgd_certman_changepassword",
            "lgd_certman_command_addcertificate",
            "lgd_certman_corruptdialog_text",
            "lgd_certman_corruptdialog_title",
            "lgd_certman_deletecertificate",
            "lgd_certman_deletetitle",
            "lgd_certman_expdialog_text",
            "lgd_certman_expdialog_title",
            "lgd_certman_incorrectpassword",
            "lgd_certman_install_and_trust_cert",
            "lgd_certman_issuer_none",
            "lgd_certman_keep_trusting_cert",
            "lgd_certman_mailusers",
            "lgd_certman_new_certificate",
            "lgd_certman_noaction",
            "lgd_certman_noitems",
            "lgd_certman_notifyonly",
            "lgd_certman_notvaliddialog_text",
            "lgd_certman_notvaliddialog_title",
            "lgd_certman_old_certificate",
            "lgd_certman_passwordprompt",
            "lgd_certman_rootcertificates",
            "lgd_certman_servercertificate",
            "lgd_certman_servercertificates",
            "lgd_certman_softwaremakers",
            "lgd_certman_trust_always",
            "lgd_certman_trust_for24",
            "lgd_certman_usercertificates",
            "lgd_certman_websites",
            "lgd_certman_wifi",
        };
    }

private slots:
    void allProductIdsResolve()
    {
        ZelvoLocale locale;
        QVERIFY(locale.installTrCatalog(QStringLiteral("common")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("certificatemanager")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("common"))); // twice is harmless
        QCOMPARE(locale.installedCatalogs().size(), 3);
        ZelvoLocale::setDefault(locale);
        for (const QString &id : productIds()) {
            const QString text = ZelvoLocale::trId(id);
            QVERIFY2(ZelvoLocale::hasTranslation(id), qPrintable(id));
            QVERIFY2(!text.isEmpty() && !text.contains(QLatin1String("lgd_")), qPrintable(id));
            // Installed into the application, so plain qtTrId works too.
            QCOMPARE(qtTrId(id.toUtf8().constData()), text);
        }
        QCOMPARE(ZelvoLocale::defaultLocale(), &locale);
    }

    void theAppletCatalogStandsAlone()
    {
        // The control panel installs only its applet's catalog.
        ZelvoLocale locale;
        QVERIFY(locale.installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel")));
        for (const QString &id : productIds())
            QVERIFY2(!locale.translate(id).isNull(), qPrintable(id));
    }

    void placeholders()
    {
        ZelvoLocale locale;
        QVERIFY(locale.installTrCatalog(QStringLiteral("certificatemanager")));
        QVERIFY(locale.installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel")));
        ZelvoLocale::setDefault(&locale);

        const QString trust = ZelvoLocale::trId("lgd_certman_trust_for24").arg(24);
        QVERIFY2(trust.contains(QLatin1String("24")) && !trust.contains(QLatin1Char('%')), qPrintable(trust));

        const QString title = ZelvoLocale::trId("lgd_certman_certificatepackagename").arg(QString(), 0);
        QVERIFY2(!title.contains(QLatin1Char('%')) && !title.trimmed().isEmpty(), qPrintable(title));
        const QString named = ZelvoLocale::trId("lgd_certman_certificatepackagename").arg(QStringLiteral("bundle.p12"));
        QVERIFY(named.contains(QLatin1String("bundle.p12")));

        for (const char *id : { "lgd_certman_corruptdialog_text", "lgd_certman_expdialog_text" }) {
            const QString text = ZelvoLocale::trId(id).arg(QStringLiteral("Example CA"));
            QVERIFY2(text.contains(QLatin1String("Example CA")) && !text.contains(QLatin1Char('%')), id);
        }
        const QString date = QLocale().toString(QDate(2030, 1, 1), QLocale::ShortFormat);
        const QString notValid =
            ZelvoLocale::trId("lgd_certman_notvaliddialog_text").arg(QStringLiteral("Example CA"), date);
        QVERIFY(notValid.contains(QLatin1String("Example CA")));
        QVERIFY(notValid.contains(date));
        QVERIFY(notValid.indexOf(QLatin1String("Example CA")) < notValid.indexOf(date));
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
