#include "dbusservice.h"

#include "certificatelisting.h"
#include "pagewait.h"
#include "pkey.h"
#include "servicetimeout.h"
#include "servicetimeouthold.h"
#include "trustrecords.h"
#include "unusedkey.h"

#include <base64.h>
#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificatedetailswidget.h>
#include <certificateitem.h>
#include <domainlist.h>
#include <log.h>
#include <logtext.h>
#include <opensslowners.h>
#include <purposetable.h>
#include <storedomain.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include <openssl/x509.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

DBusService::DBusService(QCoreApplication *application)
    : QObject(nullptr)
    , m_application(application)
    , m_idleTimer(new ServiceTimeout_p(idleInterval, this))
{
    connect(m_idleTimer, &ServiceTimeout_p::timeout, m_application, &QCoreApplication::quit);
    CertificateListing::registerType();
}

DBusService::~DBusService() = default;

namespace {

const int alreadyPresent = EEXIST; // the store's answer for a certificate it holds
const int notPresent = ENOENT; // ... and for one it does not hold

// A caller's domain list: at most DomainList::maximumEntries names, each
// handled once. With checkNames, one name the store would refuse refuses
// the whole list, before anything has been written.
std::optional<QStringList> acceptedDomains(const QStringList &domains, const char *operation, bool checkNames)
{
    if (domains.size() > DomainList::maximumEntries) {
        TK_LOG_ERROR("%s: too many domains (%d, at most %d)", operation, int(domains.size()),
                     DomainList::maximumEntries);
        return std::nullopt;
    }
    const QStringList unique = DomainList::withoutRepeats(domains);
    for (const QString &domain : unique) {
        if (checkNames && !DomainList::isValidName(domain)) {
            TK_LOG_ERROR("%s: invalid domain name '%s'", operation, TK_LOG_TEXT(domain));
            return std::nullopt;
        }
    }
    return unique;
}

// DER text of exactly one certificate: bytes after it would be stored or
// shown without being what the caller meant, so they refuse the whole.
X509Owner wholeCertificate(const unsigned char *data, int length)
{
    const unsigned char *cursor = data;
    X509Owner certificate(d2i_X509(nullptr, &cursor, length));
    if (certificate && cursor != data + length)
        certificate.reset();
    return certificate;
}

// Whether the domain's certificate under cert's key id is cert itself, not
// another certificate of the same key (a renewal).
bool holdsThisCertificate(bastra_domain handle, X509 *cert)
{
    bastra_key_id keyId;
    if (bastra_certman_get_cert_key_id(cert, &keyId) != 0)
        return false;
    X509 *loaded = nullptr;
    const int result = bastra_certman_load_cert(handle, &keyId, &loaded);
    const X509Owner held(loaded);
    return result == 0 && held && X509_cmp(held.get(), cert) == 0;
}

// The domain holds another certificate under cert's key id: cert takes its
// place, so that the caller's "true" means the domain holds what was sent.
int replaceCertificate(bastra_domain handle, X509 *cert)
{
    bastra_key_id keyId;
    int result = bastra_certman_get_cert_key_id(cert, &keyId);
    if (result == 0)
        result = bastra_certman_rm_cert(handle, &keyId);
    if (result == 0)
        result = bastra_certman_add_cert(handle, cert);
    return result;
}

bool startsWithCertificate(const unsigned char *data, int length)
{
    const unsigned char *cursor = data;
    return X509Owner(d2i_X509(nullptr, &cursor, length)) != nullptr;
}

QString reportedNameFor(const QString &domain)
{
    return domain.startsWith(QLatin1String(DomainNames::codesigning))
        ? QString::fromLatin1(DomainNames::commonCodesigningCa)
        : domain;
}

} // namespace

bool DBusService::InstallCertificateToDomains(const QString &cert, const QStringList &requested)
{
    if (!_callerMayManage("InstallCertificateToDomains"))
        return false;
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    QStringList removal;
    ServiceTimeoutHold hold(m_idleTimer);

    const std::optional<QStringList> accepted = acceptedDomains(requested, "InstallCertificateToDomains", true);
    if (!accepted)
        return false;
    const QStringList &domains = *accepted;

    int length = 0;
    const CryptoBuffer buffer = Base64::decode(cert.toLatin1(), &length);
    if (!buffer) {
        TK_LOG_ERROR("%s: failed to base64-decode certificate (%d)", "InstallCertificateToDomains", length);
        return false;
    }

    X509Owner certificate = wholeCertificate(buffer.get(), length);
    if (!certificate && startsWithCertificate(buffer.get(), length)) {
        TK_LOG_ERROR("%s: the certificate is followed by other data", "InstallCertificateToDomains");
        return false;
    }
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

    // The purposes the certificate held before and no longer has. A domain
    // that does not hold it is as it should be; a removal the store refuses
    // leaves the certificate where the user no longer wants it, and the
    // reply says so.
    const QString suffix = Purposes::domainSuffix(item->isCA);
    for (const QString &purpose : qAsConst(item->purposes)) {
        const QString domain = purpose + suffix;
        if (!domains.contains(domain, Qt::CaseSensitive))
            removal << domain;
    }
    if (removal.isEmpty())
        return true;
    const std::optional<QStringList> dropped = acceptedDomains(removal, "InstallCertificateToDomains", true);
    bastra_key_id keyId;
    if (!dropped || bastra_certman_str_to_key_id(item->keyId.toLatin1().constData(), &keyId) != 0)
        return false;
    return _removeCertFromDomains(item->keyId, keyId, *dropped, true);
}

bool DBusService::_installCertToDomains(CertificateItem *item, const QStringList &domains)
{
    for (const QString &domain : domains) {
        int added;
        {
            const StoreDomain store(domain, StoreDomain::Private, DomainAccess::Add, TK_CLOSE_UNLOGGED);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "_installCertToDomains", TK_LOG_TEXT(domain),
                             store.openResult());
                return false;
            }
            added = bastra_certman_add_cert(store.handle(), item->cert);
            if (added == alreadyPresent && !holdsThisCertificate(store.handle(), item->cert))
                added = replaceCertificate(store.handle(), item->cert);
            if (added != 0)
                TK_LOG_ERROR("%s: failed adding certificate to '%s' (%d)", "_installCertToDomains", TK_LOG_TEXT(domain),
                             added);
        }
        if (added != 0 && added != alreadyPresent)
            return false;
    }
    return true;
}

bool DBusService::DeleteCertificateFromDomains(const QString &key, const QStringList &requested)
{
    if (!_callerMayManage("DeleteCertificateFromDomains"))
        return false;
    ServiceTimeoutHold hold(m_idleTimer);

    bastra_key_id keyId;
    if (key.contains(QChar(0)) || bastra_certman_str_to_key_id(key.toLatin1().constData(), &keyId) != 0) {
        TK_LOG_ERROR("%s: '%s' is not a valid certificate key id (%s)", "DeleteCertificateFromDomains",
                     TK_LOG_TEXT(key), bastra_crypto_last_error_str());
        return false;
    }
    const std::optional<QStringList> domains = acceptedDomains(requested, "DeleteCertificateFromDomains", true);
    if (!domains)
        return false;
    return _removeCertFromDomains(key, keyId, *domains, false);
}

bool DBusService::_removeCertFromDomains(const QString &key, const bastra_key_id &keyId, const QStringList &domains,
                                         bool absentIsRemoved)
{
    // The domains that no longer hold the certificate, also when a later
    // one fails: the key record must not go on listing them.
    QStringList left;
    bool removedAny = false;
    bool failed = false;
    for (const QString &domain : domains) {
        int removed;
        {
            const StoreDomain store(domain, StoreDomain::Private, DomainAccess::Remove, TK_CLOSE_UNLOGGED);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "DeleteCertificateFromDomains", TK_LOG_TEXT(domain),
                             store.openResult());
                failed = true;
                break;
            }
            removed = bastra_certman_rm_cert(store.handle(), &keyId);
            if (removed == notPresent && absentIsRemoved)
                removed = 0;
            else if (removed != 0)
                TK_LOG_ERROR("%s: failed removing cert (%d)", "DeleteCertificateFromDomains", removed);
            else
                removedAny = true;
        }
        if (removed != 0) {
            failed = true;
            break;
        }
        left << domain;
    }

    PKey record(key);
    if (record.isInstalled() && !record.subtractDomains(left))
        return false;
    if (removedAny && !UnusedKey::forgetIfUnheld(key, keyId))
        return false;
    return !failed;
}

QVariantMap DBusService::LoadCertificatesFromDomains(const QStringList &requested)
{
    if (!_callerMayManage("LoadCertificatesFromDomains"))
        return QVariantMap();
    CertificateListing listing;
    QStringList list;
    TrustRecords trustRecords;
    ServiceTimeoutHold hold(m_idleTimer);

    const std::optional<QStringList> domains = acceptedDomains(requested, "LoadCertificatesFromDomains", false);
    if (!domains)
        return QVariantMap();

    for (const QString &domain : *domains) {
        if (listing.isFull())
            break;
        {
            const StoreDomain store(domain, StoreDomain::modeFor(domain), TK_CLOSE_LOGGED_BY_CALL);
            if (!store.isOpen()) {
                TK_LOG_ERROR("%s: failed opening domain %s (%d)", "LoadCertificatesFromDomains", TK_LOG_TEXT(domain),
                             store.openResult());
                continue;
            }
            const int iterated = bastra_certman_iterate_cert_ders(store.handle(), add_to_list, &list);
            if (iterated != 0)
                TK_LOG_ERROR("bastra_certman_iterate_certs (%d)", iterated);
        }

        // One entry per certificate and domain: a certificate in two domains
        // is listed twice under the same key.
        const QString reported = reportedNameFor(domain);
        for (const QString &text : qAsConst(list))
            listing.add(text, reported);
        list.clear();
    }

    QList<QByteArray> derDumps;
    if (!trustRecords.selectAllCertificates(&derDumps)) {
        TK_LOG_ERROR("Failed to execute a query to the DB: %s", qUtf8Printable(trustRecords.lastError()));
    } else {
        const QString server = QLatin1String(DomainNames::server);
        for (const QByteArray &der : qAsConst(derDumps)) {
            if (!der.isEmpty() && !listing.add(Base64::encode(der), server))
                break;
        }
    }

    // A bus caller gets the entries as they are; gathering them into a map
    // first would only sort them, and the caller builds its own map anyway.
    if (calledFromDBus()) {
        setDelayedReply(true);
        connection().send(message().createReply(QVariant::fromValue(listing)));
        return QVariantMap();
    }
    return listing.toMap();
}

int DBusService::add_to_list(int index, const unsigned char *der, size_t length, void *user)
{
    Q_UNUSED(index);
    auto *list = static_cast<QStringList *>(user);
    QString text = Base64::encode(der, length);
    if (!text.isEmpty()) {
        *list << std::move(text);
        return 0;
    }
    TK_LOG_ERROR("%s: failed to der-encode certificate (%s)", "add_to_list", "no Base64 text for its DER");
    return -1;
}

// Held for its whole run: the details page waits for the user, and an idle
// timer left running would end the service under the open page.
bool DBusService::ShowCertificateInfo(const QString &x509)
{
    if (!_callerMayManage("ShowCertificateInfo"))
        return false;
    ServiceTimeoutHold hold(m_idleTimer);

    int length = 0;
    const CryptoBuffer buffer = Base64::decode(x509.toUtf8(), &length);
    if (!buffer) {
        TK_LOG_ERROR("%s: failed to base64-decode certificate (%d)", "ShowCertificateInfo", length);
        return false;
    }
    const X509Owner certificate = wholeCertificate(buffer.get(), length);
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
