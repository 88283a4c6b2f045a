// PEM bundles as people make them with cat: when one file lacks its final
// newline, a BEGIN line is glued onto the END line before it. The real
// installer still offers every certificate of such a bundle.

#include "certificatefactory.h"
#include "installerrun.h"
#include "temporarydeviceroot.h"

#include <QtTest>

class TestInstallerBundles : public QObject
{
    Q_OBJECT

private slots:
    void gluedBundleIsReadWhole_data()
    {
        QTest::addColumn<int>("gluedAfter");   // the certificate whose newline is missing
        QTest::newRow("first join") << 0;
        QTest::newRow("second join") << 1;
    }

    void gluedBundleIsReadWhole()
    {
        QFETCH(int, gluedAfter);
        TemporaryDeviceRoot root;
        QByteArray bundle;
        for (int i = 0; i < 3; ++i) {
            const auto ca = CertificateFactory::makeCa(QStringLiteral("Bundled CA %1").arg(i));
            QVERIFY(!ca.isNull());
            QByteArray pem = CertificateFactory::toPem(ca.certificate.data());
            if (i == gluedAfter)
                pem.chop(1);
            bundle += pem;
        }
        QVERIFY(bundle.contains("-----END CERTIFICATE----------BEGIN CERTIFICATE-----"));
        QVERIFY(CertificateFactory::writeFile(root.home() + QStringLiteral("/bundle.pem"), bundle));

        InstallerRun run(root);
        QVERIFY(run.start());
        QVERIFY(run.ui().waitFor(QStringLiteral("pick_2"), 10000));
        QVERIFY(!run.visibleNames().contains(QStringLiteral("pick_3")));
        QVERIFY(run.ui().click(QStringLiteral("cancelButton")));
        QCOMPARE(run.exitStatus(), 0);
    }
};

QTEST_GUILESS_MAIN(TestInstallerBundles)

#include "tst_installerbundles.moc"
