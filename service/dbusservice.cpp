#include "dbusservice.h"

#include "pagewait.h"
#include "servicetimeout.h"
#include "servicetimeouthold.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificateitem.h>
#include <log.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvolabel.h>

#include <QCoreApplication>

#include <openssl/x509.h>

#include <memory>

DBusService::DBusService(QCoreApplication *application)
    : QObject(nullptr)
    , m_application(application)
    , m_idleTimer(new ServiceTimeout_p(idleInterval, this))
{
    connect(m_idleTimer, &ServiceTimeout_p::timeout, m_application, &QCoreApplication::quit);
}

DBusService::~DBusService() = default;

// The methods below that have no body yet belong to the server check and to
// the key and domain operations; until those land each answers its failure
// value, but already holds the idle timer as the finished method will.

QString DBusService::GetPrivateKey(const QString &keyId, const QString &creds)
{
    ServiceTimeoutHold hold(m_idleTimer);
    Q_UNUSED(keyId);
    Q_UNUSED(creds);
    return QString();
}

// Only reads a record and never asks the user, so it leaves the idle timer
// alone: answering it does not extend the service's life.
int DBusService::GetPrivateKeyData(const QString &keyId)
{
    Q_UNUSED(keyId);
    return -1;
}

bool DBusService::ChangePrivateKeyPassword(const QString &key_id)
{
    ServiceTimeoutHold hold(m_idleTimer);
    Q_UNUSED(key_id);
    return false;
}

bool DBusService::InstallCertificateToDomains(const QString &cert, const QStringList &domains)
{
    ServiceTimeoutHold hold(m_idleTimer);
    Q_UNUSED(cert);
    Q_UNUSED(domains);
    return false;
}

bool DBusService::DeleteCertificateFromDomains(const QString &key, const QStringList &domains)
{
    ServiceTimeoutHold hold(m_idleTimer);
    Q_UNUSED(key);
    Q_UNUSED(domains);
    return false;
}

QVariantMap DBusService::LoadCertificatesFromDomains(const QStringList &domains)
{
    ServiceTimeoutHold hold(m_idleTimer);
    Q_UNUSED(domains);
    return QVariantMap();
}

namespace {

struct CryptoBufferFree {
    void operator()(unsigned char *buffer) const { bastra_crypto_free(buffer); }
};
struct X509Free {
    void operator()(X509 *cert) const { X509_free(cert); }
};

} // namespace

// Held for its whole run: the details page waits for the user, and an idle
// timer left running would end the service under the open page.
bool DBusService::ShowCertificateInfo(const QString &x509)
{
    ServiceTimeoutHold hold(m_idleTimer);

    unsigned char *decoded = nullptr;
    const int length = base64_decode(x509.toUtf8().constData(), &decoded);
    std::unique_ptr<unsigned char, CryptoBufferFree> buffer(decoded);
    if (!buffer) {
        TK_LOG_ERROR("%s: failed to base64-decode certificate (%d)", "ShowCertificateInfo", length);
        return false;
    }
    const unsigned char *cursor = buffer.get();
    std::unique_ptr<X509, X509Free> certificate(d2i_X509(nullptr, &cursor, length));
    if (!certificate) {
        TK_LOG_ERROR("%s: the data is not a DER certificate", "ShowCertificateInfo");
        return false;
    }
    char nickname[80];
    const int nicknameResult = bastra_certman_get_nickname(certificate.get(), nickname, sizeof nickname);
    if (nicknameResult != 0) {
        TK_LOG_ERROR("%s: the certificate has no name to show (%d)", "ShowCertificateInfo", nicknameResult);
        return false;
    }

    if (ZelvoApplicationWindow *window = ZelvoApplication::activeWindow())
        window->setVisible(true);
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    if (!item->setCertificate(certificate.get())) {
        TK_LOG_ERROR("%s: could not take the certificate", "ShowCertificateInfo");
        return false;
    }
    _showDetailsPage(item.get());
    // The window itself is hidden by the idle timer once no call is under
    // way; hiding it here would hide the page of an outer call that still
    // waits for the user.
    return true;
}

void DBusService::_showDetailsPage(CertificateItem *cert)
{
    PageWait wait(this);
    auto *details = new ZelvoLabel(cert->attribute(CertificateItem::DisplayStrings).toStringList().join(QStringLiteral("<br>")));
    details->setWordWrap(true);
    wait.page()->setCentralWidget(details);
    wait.exec(ZelvoSceneWindow::DestroyWhenDone);
}
