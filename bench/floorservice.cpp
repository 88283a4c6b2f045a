// The floor the service's start-up and memory are measured against: the
// least a Qt D-Bus service can be on the same bus. A widgets application
// object, one object at "/request" with one method, the same bus name (or
// the one given, to run beside the service on one bus).
// It ends on SIGTERM (the default action) or after a minute on its own.
#include <QApplication>
#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <cstdio>

class FloorService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.tavelo.certman")
public slots:
    bool CheckCertificate(const QString &x509) { return !x509.isEmpty(); }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FloorService service;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.registerObject(QStringLiteral("/request"), &service, QDBusConnection::ExportAllSlots)
        || !bus.registerService(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("com.tavelo.certman"))) {
        std::fprintf(stderr, "floorservice: cannot register on the bus\n");
        return 1;
    }
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}

#include "floorservice.moc"
