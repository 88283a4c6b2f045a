#include "devicepaths.h"

#include <QtTest>

// The device's paths, under TRUSTKEEP_DEVICE_ROOT when it names a folder.
class DevicePathsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("TRUSTKEEP_DEVICE_ROOT"); }

    void everyPathIsUnderTheRoot_data()
    {
        QTest::addColumn<QByteArray>("variable"); // null: unset
        QTest::addColumn<QString>("root"); // "<tmp>": the test's folder
        QTest::newRow("unset") << QByteArray() << QString();
        QTest::newRow("empty") << QByteArray("") << QString();
        QTest::newRow("slashes only") << QByteArray("///") << QString();
        QTest::newRow("a folder") << QByteArray("<tmp>") << QStringLiteral("<tmp>");
        QTest::newRow("trailing slashes") << QByteArray("<tmp>//") << QStringLiteral("<tmp>");
        QTest::newRow("a blank in it") << QByteArray("/tmp/another device") << QStringLiteral("/tmp/another device");
    }

    void everyPathIsUnderTheRoot()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QString, root);
        QTemporaryDir dir;
        root.replace(QLatin1String("<tmp>"), dir.path());
        if (variable.isNull())
            qunsetenv("TRUSTKEEP_DEVICE_ROOT");
        else // read on every call: a change takes effect at once
            qputenv("TRUSTKEEP_DEVICE_ROOT", variable.replace("<tmp>", QFile::encodeName(dir.path())));
        QCOMPARE(DevicePaths::root(), root);
        QCOMPARE(DevicePaths::resolve("/etc/bastra-certs"), root + QStringLiteral("/etc/bastra-certs"));
    }
};

QTEST_APPLESS_MAIN(DevicePathsTest)
#include "tst_devicepaths.moc"
