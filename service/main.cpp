// Entry point of trustkeep: prepares the process, opens the certificate store
// and the trust database, and runs one of three modes chosen from the
// command line — the D-Bus service ("--dbus" anywhere), the installer (no
// argument, or paths), or the confirmed deletion of one certificate ("-d"
// key-id).

#include "dbusservice.h"
#include "dbusserviceifadaptor.h"
#include "trustdatabase.h"
#include "unusedkey.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificateinstaller.h>
#include <certificateitem.h>
#include <log.h>
#include <logtext.h>
#include <opensslowners.h>
#include <purposetable.h>
#include <storedomain.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvolocale.h>
#include <zelvomessagebox.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <openssl/x509.h>

namespace {

const char servicePath[] = "/request";
const char serviceName[] = "com.tavelo.certman";

// Exit statuses of deletion mode.
const int deletionDone = 0;
const int deletionNotFound = ENOENT; // 2
const int deletionInvalid = EINVAL; // 22
const int deletionCancelled = ECANCELED; // 125
const int deletionRemovalFailed = EIO; // 5

// What the two passes of deletion mode share: the key id asked for, the
// certificate found under it and every domain that holds it, and how many
// removals the store refused.
struct DeletionSearch {
    bastra_key_id keyId;
    X509Owner found;
    QStringList foundDomains;
    int failedRemovals = 0;
};

// The mode is chosen before the UI framework sees the command line (it
// consumes options of its own), so the raw vector is searched, program path
// included.
bool serviceModeRequested(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i) {
        if (argv[i] && std::strcmp(argv[i], "--dbus") == 0)
            return true;
    }
    return false;
}

int openTrustDatabase()
{
    QString error;
    switch (TrustDatabase::open(&error)) {
    case TrustDatabase::Ready:
        break;
    case TrustDatabase::OpenFailed:
        TK_LOG_ERROR("Could not open database: %s", qUtf8Printable(error));
        return -1;
    case TrustDatabase::CertificatesTableFailed:
        TK_LOG_ERROR("Could not create a 'certificates' table in certificates database: %s", qUtf8Printable(error));
        return -1;
    case TrustDatabase::KeysTableFailed:
        TK_LOG_ERROR("Could not create a 'keys' table in certificates database: %s", qUtf8Printable(error));
        return -1;
    }
    // Only speed depends on the index; a database of another layout still serves.
    if (!TrustDatabase::createSubjectIndex(&error))
        TK_LOG_ERROR("Could not create the subject index of the 'certificates' table: %s", qUtf8Printable(error));
    return 0;
}

ZelvoApplicationWindow *createWindow()
{
    auto *window = new ZelvoApplicationWindow;
    window->setPortraitOrientation();
    window->lockOrientation();
    return window;
}

void installCatalogs(ZelvoLocale &locale)
{
    locale.installTrCatalog(QStringLiteral("common"));
    locale.installTrCatalog(QStringLiteral("certificatemanager"));
    locale.installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel"));
    ZelvoLocale::setDefault(locale);
}

// --- deletion mode ---------------------------------------------------------

int findCertificate(int, const char *domain, void *user)
{
    auto *search = static_cast<DeletionSearch *>(user);
    const StoreDomain store(QString::fromUtf8(domain), StoreDomain::Private, DomainAccess::Load,
                            TK_CLOSE_LOGGED_BY_NAME);
    if (!store.isOpen())
        return 0;
    X509 *certificate = nullptr;
    if (bastra_certman_load_cert(store.handle(), &search->keyId, &certificate) == 0 && certificate) {
        search->foundDomains << QString::fromUtf8(domain);
        search->found.reset(certificate);
    }
    return 0;
}

int removeCertificate(int, const char *domain, void *user)
{
    auto *search = static_cast<DeletionSearch *>(user);
    const QString name = QString::fromUtf8(domain);
    if (!search->foundDomains.contains(name, Qt::CaseSensitive))
        return 0;
    const StoreDomain store(name, StoreDomain::Private, DomainAccess::Remove, TK_CLOSE_LOGGED_BY_NAME);
    if (!store.isOpen())
        return 0;
    // A refused removal leaves the certificate in place: the user must not be
    // told it is gone.
    const int removed = bastra_certman_rm_cert(store.handle(), &search->keyId);
    if (removed != 0) {
        TK_LOG_ERROR("Failed removing the certificate from domain %s (%d)", domain, removed);
        ++search->failedRemovals;
    }
    return 0;
}

bool userConfirmsDeletion(X509 *certificate)
{
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    item->setCertificate(certificate);
    const QString text = item->attribute(CertificateItem::DisplayStrings).toStringList().join(QLatin1Char('\n'));
    std::unique_ptr<ZelvoMessageBox> box(
        new ZelvoMessageBox(qtTrId("lgd_certman_deletecertificate"), text, QMessageBox::Yes | QMessageBox::No));
    return box->exec() == QMessageBox::Yes;
}

int runDeletion(const QStringList &arguments)
{
    if (arguments.size() != 3) {
        TK_LOG_ERROR("Invalid arguments");
        return deletionInvalid;
    }
    DeletionSearch search;
    const QByteArray keyText = arguments.at(2).toUtf8();
    if (bastra_certman_str_to_key_id(keyText.constData(), &search.keyId) != 0) {
        TK_LOG_ERROR("'%s' is not a valid certificate key id (%s)", TK_LOG_TEXT(arguments.at(2)),
                     bastra_crypto_last_error_str());
        return deletionInvalid;
    }

    bastra_certman_iterate_domains(0, findCertificate, &search);
    if (!search.found)
        return deletionNotFound;

    if (!userConfirmsDeletion(search.found.get()))
        return deletionCancelled;

    bastra_certman_iterate_domains(0, removeCertificate, &search);
    if (search.failedRemovals != 0)
        return deletionRemovalFailed;
    // The certificate has left every domain: its key record and key file go
    // with it.
    char keyIdText[BASTRA_KEY_ID_TEXT_SIZE];
    bastra_certman_key_id_to_str(&search.keyId, keyIdText, sizeof keyIdText);
    if (!UnusedKey::forgetIfUnheld(QString::fromLatin1(keyIdText), search.keyId))
        return deletionRemovalFailed;
    return deletionDone;
}

// --- modes -----------------------------------------------------------------

// The bus refuses a name with an error (e.g. the policy denies it) or by
// leaving it with its owner (another instance runs); either is told.
bool claimName(QDBusConnection &bus, QString *refusal)
{
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(QLatin1String(serviceName), QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        *refusal = reply.error().message();
        return false;
    }
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        *refusal = QStringLiteral("the name is owned by another connection");
        return false;
    }
    return true;
}

// Exports the service at "/request" and claims its bus name; false, logged,
// when the bus refuses either.
bool registerService(ZelvoApplication &app)
{
    // Lives until the process ends; the idle timer quits the application.
    static DBusService *service = new DBusService(&app);
    new DBusServiceIfAdaptor(service);

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.registerObject(QLatin1String(servicePath), service, QDBusConnection::ExportAdaptors)) {
        TK_LOG_ERROR("Failed to register object for Certman DBus service: %s",
                     qUtf8Printable(bus.lastError().message()));
        return false;
    }
    QString refusal;
    if (!claimName(bus, &refusal)) {
        TK_LOG_ERROR("Failed to register service for Certman DBus service: %s", qUtf8Printable(refusal));
        return false;
    }
    return true;
}

int runInstaller(ZelvoApplication &app, ZelvoApplicationWindow *window)
{
    window->show();
    // Lives until the process ends; its quit() ends the process itself.
    static CertificateInstaller *installer = new CertificateInstaller(window);

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2) {
        installer->populate(QStringList{ QStringLiteral("/home/user") });
        return app.exec();
    }
    if (arguments.at(1) != QLatin1String("-d")) {
        installer->populate(arguments);
        return app.exec();
    }
    return runDeletion(arguments);
}

} // namespace

int main(int argc, char **argv)
{
    std::unique_ptr<ZelvoLocale> locale(new ZelvoLocale);

    if (::setenv("DISPLAY", ":0", 0) != 0) {
        TK_LOG_ERROR("Could not set the DISPLAY variable");
        return -1;
    }
    if (::setenv("QT_IM_MODULE", "ZelvoInputContext", 0) != 0) {
        TK_LOG_ERROR("Could not set the QT_IM_MODULE variable");
        return -1;
    }
    if (bastra_certman_open(nullptr) < 0)
        TK_LOG_ERROR("Could not initialize certman");

    const bool serviceMode = serviceModeRequested(argc, argv);

    if (openTrustDatabase() != 0)
        return -1;

    auto *app =
        new ZelvoApplication(argc, argv, serviceMode ? QStringLiteral("trustkeep_dbus") : QStringLiteral("trustkeep"));
    ZelvoApplicationWindow *window = createWindow();
    installCatalogs(*locale);

    int status;
    if (serviceMode) {
        if (!registerService(*app))
            return -1; // without the clean-up, as every early failure
        status = app->exec();
    } else {
        status = runInstaller(*app, window);
    }

    delete window;
    delete app;
    bastra_certman_close(nullptr);
    locale.reset();
    return status;
}
