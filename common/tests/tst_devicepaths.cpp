#include "devicepaths.h"

#include <QtTest>

class DevicePathsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("TRUSTKEEP_DEVICE_ROOT"); }

    void withoutRootThePathsAreTheDevices()
    {
        qunsetenv("TRUSTKEEP_DEVICE_ROOT");
        QCOMPARE(DevicePaths::root(), QString());
        QCOMPARE(DevicePaths::home(), QStringLiteral("/home/user"));
        QCOMPARE(DevicePaths::privateDir(), QStringLiteral("/home/user/private"));
        QCOMPARE(DevicePaths::trustDatabase(), QStringLiteral("/home/user/private/trustkeep.db"));
        QCOMPARE(DevicePaths::resolve("/etc/bastra-certs"), QStringLiteral("/etc/bastra-certs"));

        qputenv("TRUSTKEEP_DEVICE_ROOT", "");
        QCOMPARE(DevicePaths::home(), QStringLiteral("/home/user"));
        qputenv("TRUSTKEEP_DEVICE_ROOT", "///");
        QCOMPARE(DevicePaths::home(), QStringLiteral("/home/user"));
    }

    void withRootEveryPathIsUnderIt()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const QByteArray &value : { QFile::encodeName(dir.path()), QFile::encodeName(dir.path()) + "//" }) {
            qputenv("TRUSTKEEP_DEVICE_ROOT", value);
            QCOMPARE(DevicePaths::root(), dir.path());
            QCOMPARE(DevicePaths::home(), dir.path() + QStringLiteral("/home/user"));
            QCOMPARE(DevicePaths::privateDir(), dir.path() + QStringLiteral("/home/user/private"));
            QCOMPARE(DevicePaths::trustDatabase(), dir.path() + QStringLiteral("/home/user/private/trustkeep.db"));
            QCOMPARE(DevicePaths::resolve("/etc/bastra-certs"), dir.path() + QStringLiteral("/etc/bastra-certs"));
        }
        // The variable is read on every call, so a change takes effect at once.
        qputenv("TRUSTKEEP_DEVICE_ROOT", "/tmp/another device");
        QCOMPARE(DevicePaths::home(), QStringLiteral("/tmp/another device/home/user"));
    }
};

QTEST_APPLESS_MAIN(DevicePathsTest)
#include "tst_devicepaths.moc"
