#define TK_LOG_SOURCE "dbusservice"

// The server certificate check: the user's trust decisions about TLS server
// certificates, kept as records of the certificates table, and the questions
// that make them. A record is found by the certificate's subject common name
// and matched by its DER image; a decision is for good (any trust type but 2)
// or until trust_ends (type 2).

#include "dbusservice.h"

#include "buttonadvertiser.h"
#include "checkcertificatepage.h"
#include "servicetimeouthold.h"
#include "trustdecision.h"
#include "trustrecords.h"

#include <base64.h>
#include <certificateitem.h>
#include <log.h>
#include <opensslowners.h>

#include <QByteArray>
#include <QDateTime>

#include <openssl/x509.h>

#include <algorithm>
#include <memory>

namespace {

const int trustedUntilEnds = TrustDecision::trustedUntilEnds;
const int trustedWithoutLimit = TrustDecision::trustedWithoutLimit;
const int hoursOfShortTrust = 24;
// Each waiting question nests an event loop; thousands of them overflow the
// stack. Beyond this many the answer is "not trusted" at once.
const int mostWaitingQuestions = 16;

// Counts a question as waiting for as long as it is asked.
class WaitingQuestion
{
public:
    explicit WaitingQuestion(int &waiting)
        : m_waiting(waiting)
    {
        ++m_waiting;
    }
    ~WaitingQuestion() { --m_waiting; }
    WaitingQuestion(const WaitingQuestion &) = delete;
    WaitingQuestion &operator=(const WaitingQuestion &) = delete;

private:
    int &m_waiting;
};

// An item for a DER certificate, or null when the bytes are not exactly one
// certificate. Bytes after the certificate are refused too: the image is
// stored and compared as a whole, and whatever followed the certificate
// would be trusted along with it.
std::unique_ptr<CertificateItem> itemFromDer(const unsigned char *data, long length)
{
    if (!data || length <= 0)
        return nullptr;
    const unsigned char *cursor = data;
    const X509Owner certificate(d2i_X509(nullptr, &cursor, length));
    if (!certificate || cursor != data + length)
        return nullptr;
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    if (!item->setCertificate(certificate.get()))
        return nullptr;
    return item;
}

// The records are looked up by name; a certificate without a common name
// has its records under the empty name (a null text would bind as NULL,
// which neither matches nor may be stored).
QString lookupName(const CertificateItem *item)
{
    return item->commonName.isNull() ? QString(QLatin1String("")) : item->commonName;
}

QString questionText(const char *statement, const char *question)
{
    return qtTrId(statement) + QStringLiteral("<br><br>") + qtTrId(question);
}

// What the user can answer to every question: trust for good, or for a day.
struct AnswerButtons {
    ZelvoButton *always;
    ZelvoButton *forADay;
};

AnswerButtons addAnswerButtons(CheckCertificatePage &prompt)
{
    AnswerButtons buttons;
    ButtonAdvertiser *always = prompt.addButton(qtTrId("lgd_certman_trust_always"));
    always->setObjectName(QStringLiteral("CertmanTustButton"));
    ButtonAdvertiser *forADay = prompt.addButton(qtTrId("lgd_certman_trust_for24").arg(hoursOfShortTrust));
    forADay->setObjectName(QStringLiteral("CertmanTrust24Button"));
    buttons.always = always;
    buttons.forADay = forADay;
    return buttons;
}

// A short trust ends at the same local clock time on the next day, whatever
// the clock does in between.
QDateTime endOfShortTrust()
{
    return QDateTime::currentDateTime().addDays(1);
}

} // namespace

bool DBusService::CheckCertificate(const QString &x509)
{
    ServiceTimeoutHold hold(m_idleTimer);

    // A bus string never holds a NUL; text that does is not Base64, and the
    // conversion below would silently cut it there.
    if (x509.contains(QChar(0)))
        return false;
    int length = 0;
    const CryptoBuffer buffer = Base64::decode(x509.toUtf8(), &length);
    if (!buffer || length <= 0)
        return false;
    const QByteArray der(reinterpret_cast<const char *>(buffer.get()), length);
    std::unique_ptr<CertificateItem> item;
    std::optional<KnownCertificates::Facts> facts = m_knownCertificates.find(der);
    if (!facts) {
        item = itemFromDer(buffer.get(), length);
        if (!item)
            return false;
        facts = KnownCertificates::Facts{ lookupName(item.get()), item->expireDate() };
        m_knownCertificates.remember(der, *facts);
    }

    // The lookup is finished before any question is asked: an open read
    // would hold the database for as long as the user takes.
    QList<TrustRecord> records;
    if (!m_subjectLookup.select(facts->lookupName, &records))
        TK_LOG_ERROR("Failed to execute a query to the DB: %s", qUtf8Printable(m_subjectLookup.lastError()));
    // Only a time-limited trust needs the clock, and reading the local time
    // means looking at the time zone again.
    const bool timeLimited = std::any_of(records.cbegin(), records.cend(), [](const TrustRecord &record) {
        return record.trustType == trustedUntilEnds;
    });
    const QDateTime now = timeLimited ? QDateTime::currentDateTime() : QDateTime();
    const TrustDecision decision = TrustDecision::decide(records, der, facts->expiry, now);

    if (decision.kind == TrustDecision::Trusted)
        return true;
    if (m_waitingQuestions >= mostWaitingQuestions) {
        TK_LOG_ERROR("%s: %d questions already wait for the user; answering not trusted", "CheckCertificate",
                     m_waitingQuestions);
        return false;
    }
    const WaitingQuestion waiting(m_waitingQuestions);
    if (!item)
        item = itemFromDer(buffer.get(), length); // parsed before with success
    if (!item)
        return false;

    switch (decision.kind) {
    case TrustDecision::Trusted:
        return true;
    case TrustDecision::AskNew:
        return _installNewDialog(item.get(), der);
    case TrustDecision::AskAgain:
        return _installNewDialog(item.get(), der, decision.id);
    case TrustDecision::AskExpired:
        return _installExpiredDialog(item.get(), decision.id);
    case TrustDecision::AskChanged:
        break;
    }
    std::unique_ptr<CertificateItem> stored =
        itemFromDer(reinterpret_cast<const unsigned char *>(decision.storedDer.constData()), decision.storedDer.size());
    if (!stored) {
        TK_LOG_ERROR("%s: could not decode a certificate from the DB, possible corruption, id = %lld",
                     "CheckCertificate", static_cast<long long>(decision.id));
        return false;
    }
    return _installChangedDialog(stored.get(), item.get(), der, decision.id);
}

// Trusting a certificate asked about as new stores a time-limited trust
// either way: until the certificate's own end, or for a day. A lapsed record
// of the same certificate (lapsedId) takes the new trust itself, so that the
// next check finds the answer instead of the lapsed trust in front of it.
bool DBusService::_installNewDialog(CertificateItem *item, const QByteArray &der, std::optional<qint64> lapsedId)
{
    CheckCertificatePage prompt(questionText("lgd_certman_cert_does_not_exist", "lgd_certman_install_and_trust_cert"),
                                item);
    prompt.setObjectName(QStringLiteral("serverCertificateInstallNewPage"));
    const AnswerButtons buttons = addAnswerButtons(prompt);
    ZelvoButton *pressed = prompt.exec();
    if (!pressed || (pressed != buttons.always && pressed != buttons.forADay))
        return false;

    const QDateTime ends = pressed == buttons.always ? item->expireDate() : endOfShortTrust();
    if (!ends.isValid()) {
        TK_LOG_ERROR("%s: failed to get an expiration date for a certificate", "_installNewDialog");
        return false;
    }

    TrustRecords records;
    if (lapsedId) {
        int renewed = 0;
        if (!records.renew(*lapsedId, trustedUntilEnds, ends, &renewed)) {
            TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, error = %s)",
                         static_cast<long long>(*lapsedId), qUtf8Printable(records.lastError()));
            return false;
        }
        if (renewed > 0)
            return true;
        // The record went while the user was deciding: the answer still
        // gets a record of its own below.
    }

    if (!records.insert(lookupName(item), trustedUntilEnds, ends, der)) {
        TK_LOG_ERROR("Could not insert a certificate data into the database");
        return false;
    }
    return true;
}

// The stored certificate of record id is shown above the received one; an
// answer puts the received one into that record.
bool DBusService::_installChangedDialog(CertificateItem *oldItem, CertificateItem *newItem, const QByteArray &der,
                                        qint64 id)
{
    CheckCertificatePage prompt(
        questionText("lgd_certman_cert_changed_maninmiddle", "lgd_certman_install_and_trust_cert"), oldItem, newItem);
    prompt.setObjectName(QStringLiteral("serverCertificateInstallChangedPage"));
    const AnswerButtons buttons = addAnswerButtons(prompt);
    ZelvoButton *pressed = prompt.exec();
    if (!pressed || (pressed != buttons.always && pressed != buttons.forADay))
        return false;

    const bool forADay = pressed == buttons.forADay;
    TrustRecords records;
    if (!records.replaceCertificate(id, forADay ? trustedUntilEnds : trustedWithoutLimit,
                                    forADay ? std::optional<QDateTime>(endOfShortTrust()) : std::nullopt, der)) {
        TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, query = '%s', error = '%s'')",
                     static_cast<long long>(id), qUtf8Printable(records.lastStatement()),
                     qUtf8Printable(records.lastError()));
        return false;
    }
    return true;
}

// The trust of record id ran to the certificate's end: keep trusting it for
// good, or for one more day.
bool DBusService::_installExpiredDialog(CertificateItem *item, qint64 id)
{
    CheckCertificatePage prompt(questionText("lgd_certman_cert_expired", "lgd_certman_keep_trusting_cert"), item);
    prompt.setObjectName(QStringLiteral("serverCertificateInstallExpiredPage"));
    const AnswerButtons buttons = addAnswerButtons(prompt);
    ZelvoButton *pressed = prompt.exec();
    if (!pressed || (pressed != buttons.always && pressed != buttons.forADay))
        return false;

    const bool forADay = pressed == buttons.forADay;
    TrustRecords records;
    const bool updated =
        forADay ? records.setTrustEnds(id, endOfShortTrust()) : records.setTrustType(id, trustedWithoutLimit);
    if (!updated) {
        TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, error = %s)",
                     static_cast<long long>(id), qUtf8Printable(records.lastError()));
        return false;
    }
    return true;
}
