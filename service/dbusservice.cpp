#include "dbusservice.h"

#include "pagewait.h"
#include "pkey.h"
#include "servicetimeout.h"
#include "servicetimeouthold.h"
#include "trustrecords.h"

#include <base64.h>
#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificatedetailswidget.h>
#include <certificateitem.h>
#include <log.h>
#include <opensslowners.h>
#include <purposetable.h>
#include <storedomain.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QCoreApplication>

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/x509.h>

#include <cerrno>
#include <memory>

DBusService::DBusService(QCoreApplication *application)
    : QObject(nullptr)
    , m_application(application)
    , m_idleTimer(new ServiceTimeout_p(idleInterval, this))
{
    connect(m_idleTimer, &ServiceTimeout_p::timeout, m_application, &QCoreApplication::quit);
}

DBusService::~DBusService() = default;

namespace {

const int alreadyPresent = EEXIST;   // the store's answer for a certificate it holds

QString reportedNameFor(const QString &domain)
{
    return domain.startsWith(QLatin1String(DomainNames::codesigning))
        ? QString::fromLatin1(DomainNames::commonCodesigningCa)
        : domain;
}

} // namespace

bool DBusService::InstallCertificateToDomains(const QString &cert, const QStringList &domains)
{
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    QStringList removal;
    ServiceTimeoutHold hold(m_idleTimer);

    int length = 0;
    const CryptoBuffer buffer = Base64::decode(cert.toLatin1(), &length);
    if (!buffer) {
        TK_LOG_ERROR("%s: failed to base64-decode certificate (%d)", "InstallCertificateToDomains", length);
        return false;
    }

    const unsigned char *cursor = buffer.get();
    X509Owner certificate(d2i_X509(nullptr, &cursor, length));
    if (certificate) {
        // Plain DER: only the certificate goes in; no key, no removal.
        if (!item->setCertificate(certificate.get())) {
            TK_LOG_ERROR("%s: cert is a PEM image, but could not create a copy of it", "InstallCertificateToDomains");
            return false;
        }
        certificate.reset();
        return _installCertToDomains(item.get(), domains);
    }

    const QByteArray image(reinterpret_cast<const char *>(buffer.get()), length);
    if (!CertificateItem::Deserialize(*item, image)) {
        TK_LOG_ERROR("%s: could not deserialize certificate", "InstallCertificateToDomains");
        return false;
    }
    // The key first: a key that cannot be recorded leaves every domain as it was.
    if (item->hasKey && !PKey::Install(item.get(), domains))
        return false;
    if (!_installCertToDomains(item.get(), domains))
        return false;

    // The purposes the certificate held before and no longer has.
    const QString suffix = Purposes::domainSuffix(item->isCA);
    for (const QString &purpose : qAsConst(item->purposes)) {
        const QString domain = purpose + suffix;
        if (!domains.contains(domain, Qt::CaseSensitive))
            removal << domain;
    }
    if (!removal.isEmpty())
        DeleteCertificateFromDomains(item->keyId, removal);
    return true;
}

bool DBusService::_installCertToDomains(CertificateItem *item, const QStringList &domains)
{
    for (const QString &domain : domains) {
        int added;
        {
            const StoreDomain store(domain, StoreDomain::Private, DomainAccess::Add, TK_CLOSE_UNLOGGED);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "_installCertToDomains", qUtf8Printable(domain),
                             store.openResult());
                return false;
            }
            added = bastra_certman_add_cert(store.handle(), item->cert);
            if (added != 0)
                TK_LOG_ERROR("%s: failed adding certificate to '%s' (%d)", "_installCertToDomains",
                             qUtf8Printable(domain), added);
        }
        if (added != 0 && added != alreadyPresent)
            return false;
    }
    return true;
}

bool DBusService::DeleteCertificateFromDomains(const QString &key, const QStringList &domains)
{
    ServiceTimeoutHold hold(m_idleTimer);

    bastra_key_id keyId;
    if (bastra_certman_str_to_key_id(key.toLatin1().constData(), &keyId) != 0) {
        TK_LOG_ERROR("%s: '%s' is not a valid certificate key id (%s)", "DeleteCertificateFromDomains",
                     qUtf8Printable(key), bastra_crypto_last_error_str());
        return false;
    }
    for (const QString &domain : domains) {
        int removed;
        {
            const StoreDomain store(domain, StoreDomain::Private, DomainAccess::Remove, TK_CLOSE_UNLOGGED);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "DeleteCertificateFromDomains",
                             qUtf8Printable(domain), store.openResult());
                return false;
            }
            removed = bastra_certman_rm_cert(store.handle(), &keyId);
            if (removed != 0)
                TK_LOG_ERROR("%s: failed removing cert (%d)", "DeleteCertificateFromDomains", removed);
        }
        if (removed != 0)
            return false;
    }

    PKey record(key);
    if (!record.isInstalled())
        return true;
    return record.subtractDomains(domains);
}

QVariantMap DBusService::LoadCertificatesFromDomains(const QStringList &domains)
{
    QVariantMap certificates;
    QStringList list;
    TrustRecords trustRecords;
    ServiceTimeoutHold hold(m_idleTimer);

    for (const QString &domain : domains) {
        {
            const StoreDomain store(domain, StoreDomain::modeFor(domain), TK_CLOSE_LOGGED_BY_CALL);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "LoadCertificatesFromDomains",
                             qUtf8Printable(domain), store.openResult());
                continue;
            }
            const int iterated = bastra_certman_iterate_certs(store.handle(), add_to_list, &list);
            if (iterated != 0)
                TK_LOG_ERROR("bastra_certman_iterate_certs (%d)", iterated);
        }

        // One entry per certificate and domain: a certificate in two domains
        // is listed twice under the same key.
        const QString reported = reportedNameFor(domain);
        for (const QString &text : qAsConst(list))
            certificates.insertMulti(text, reported);
        list.clear();
    }

    QList<QByteArray> derDumps;
    if (!trustRecords.selectAllCertificates(&derDumps)) {
        TK_LOG_ERROR("Failed to execute a query to the DB: %s", qUtf8Printable(trustRecords.lastError()));
    } else {
        for (const QByteArray &der : qAsConst(derDumps)) {
            if (!der.isEmpty())
                list << Base64::encode(der);
        }
        for (const QString &text : qAsConst(list))
            certificates.insertMulti(text, QLatin1String(DomainNames::server));
    }
    return certificates;
}

int DBusService::add_to_list(int index, X509 *cert, void *user)
{
    Q_UNUSED(index);
    auto *list = static_cast<QStringList *>(user);
    unsigned char *der = nullptr;
    const int length = i2d_X509(cert, &der);
    if (length > 0 && der) {
        *list << Base64::encode(der, size_t(length));
        OPENSSL_free(der);
        return 0;
    }
    OPENSSL_free(der);
    TK_LOG_ERROR("%s: failed to der-encode certificate (%s)", "add_to_list", ERR_error_string(ERR_get_error(), nullptr));
    return -1;
}

// Held for its whole run: the details page waits for the user, and an idle
// timer left running would end the service under the open page.
bool DBusService::ShowCertificateInfo(const QString &x509)
{
    ServiceTimeoutHold hold(m_idleTimer);

    int length = 0;
    const CryptoBuffer buffer = Base64::decode(x509.toUtf8(), &length);
    if (!buffer) {
        TK_LOG_ERROR("%s: failed to base64-decode certificate (%d)", "ShowCertificateInfo", length);
        return false;
    }
    const unsigned char *cursor = buffer.get();
    const X509Owner certificate(d2i_X509(nullptr, &cursor, length));
    if (!certificate) {
        TK_LOG_ERROR("%s: the data is not a DER certificate", "ShowCertificateInfo");
        return false;
    }
    // A certificate the store cannot name is not one to show the user.
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
    auto *details = new CertificateDetailsWidget;
    details->setCertificate(cert);
    wait.page()->setCentralWidget(details);
    wait.exec(ZelvoSceneWindow::DestroyWhenDone);
}
