// The shape clients and the adaptor rely on: the service's meta-object
// members in their order, and the generated adaptor's interface data,
// slots and forwarding.

#include "dbusservice.h"
#include "dbusserviceifadaptor.h"

#include <zelvoapplication.h>

#include <QMetaMethod>
#include <QtTest>

namespace {

QStringList ownMethods(const QMetaObject &meta)
{
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    return signatures;
}

} // namespace

class TestDBusFrame : public QObject
{
    Q_OBJECT

private slots:
    void serviceMembersInOrder()
    {
        const QMetaObject &meta = DBusService::staticMetaObject;
        QCOMPARE(ownMethods(meta), QStringList({
            "stateChanged(QString)",
            "CheckCertificate(QString)",
            "GetPrivateKey(QString,QString)",
            "GetPrivateKeyData(QString)",
            "ChangePrivateKeyPassword(QString)",
            "InstallCertificateToDomains(QString,QStringList)",
            "DeleteCertificateFromDomains(QString,QStringList)",
            "LoadCertificatesFromDomains(QStringList)",
            "ShowCertificateInfo(QString)",
            "_showDetailsPage(CertificateItem*)",
        }));
        const int details = meta.indexOfSlot("_showDetailsPage(CertificateItem*)");
        QCOMPARE(meta.method(details).access(), QMetaMethod::Protected);
        QCOMPARE(meta.method(meta.indexOfSlot("LoadCertificatesFromDomains(QStringList)")).returnType(),
                 int(QMetaType::QVariantMap));
    }

    void adaptorCarriesTheInterface()
    {
        const QMetaObject &meta = DBusServiceIfAdaptor::staticMetaObject;
        QCOMPARE(QByteArray(meta.classInfo(meta.indexOfClassInfo("D-Bus Interface")).value()),
                 QByteArray("com.tavelo.certman"));
        const QByteArray introspection = meta.classInfo(meta.indexOfClassInfo("D-Bus Introspection")).value();
        QVERIFY(introspection.contains("<arg direction=\"out\" type=\"s\" name=\"inDomain\"/>"));
        QVERIFY(introspection.contains("name=\"org.qtproject.QtDBus.QtTypeName.Out0\""));
        QVERIFY(introspection.indexOf("\"CheckCertificate\"") < introspection.indexOf("\"ShowCertificateInfo\""));

        QCOMPARE(ownMethods(meta), QStringList({
            "stateChanged(QString)",
            "ChangePrivateKeyPassword(QString)",
            "CheckCertificate(QString)",
            "DeleteCertificateFromDomains(QString,QStringList)",
            "GetPrivateKey(QString,QString)",
            "GetPrivateKeyData(QString)",
            "InstallCertificateToDomains(QString,QStringList)",
            "LoadCertificatesFromDomains(QStringList)",
            "ShowCertificateInfo(QString)",
        }));
        QCOMPARE(meta.method(meta.indexOfSignal("stateChanged(QString)")).parameterNames(),
                 QList<QByteArray>{ "inDomain" });
        QCOMPARE(meta.method(meta.indexOfSlot("DeleteCertificateFromDomains(QString,QStringList)")).parameterNames(),
                 QList<QByteArray>({ "key", "domains" }));
    }

    void adaptorRelaysTheServicesSignal()
    {
        DBusService service(QCoreApplication::instance());
        auto *adaptor = new DBusServiceIfAdaptor(&service);
        QSignalSpy relayed(adaptor, SIGNAL(stateChanged(QString)));
        emit service.stateChanged(QStringLiteral("ssl-ca"));
        QCOMPARE(relayed.count(), 1);
        QCOMPARE(relayed.first().first().toString(), QStringLiteral("ssl-ca"));
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_dbusframe"));
    TestDBusFrame test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dbusframe.moc"
