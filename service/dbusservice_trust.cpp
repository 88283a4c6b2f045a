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

#include <bastra_crypto.h>
#include <certificateitem.h>
#include <log.h>

#include <QByteArray>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <openssl/x509.h>

#include <memory>

namespace {

const int trustedUntilEnds = 2;     // trust type of a time-limited decision
const int trustedWithoutLimit = 1;  // what "always" makes of a changed or expired one
const int hoursOfShortTrust = 24;
// Each waiting question nests an event loop; thousands of them overflow the
// stack. Beyond this many the answer is "not trusted" at once.
const int mostWaitingQuestions = 16;

// Counts a question as waiting for as long as it is asked.
class WaitingQuestion
{
public:
    explicit WaitingQuestion(int &waiting) : m_waiting(waiting) { ++m_waiting; }
    ~WaitingQuestion() { --m_waiting; }
    WaitingQuestion(const WaitingQuestion &) = delete;
    WaitingQuestion &operator=(const WaitingQuestion &) = delete;

private:
    int &m_waiting;
};

struct CryptoBufferFree {
    void operator()(unsigned char *buffer) const { bastra_crypto_free(buffer); }
};
struct X509Free {
    void operator()(X509 *cert) const { X509_free(cert); }
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
    std::unique_ptr<X509, X509Free> certificate(d2i_X509(nullptr, &cursor, length));
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

// What the records say about the presented certificate.
struct TrustDecision {
    enum Kind {
        Trusted,       // a record holds the certificate and its trust holds
        AskNew,        // no record of that name
        AskAgain,      // its time-limited trust lapsed before the certificate's end
        AskExpired,    // its trust ran to the certificate's end
        AskChanged     // records of that name, none with this certificate
    };
    Kind kind = AskNew;
    qint64 id = 0;          // the record that decided, or the last one of the name
    QByteArray storedDer;   // AskChanged: that record's certificate
};

// Walks the records of the name, oldest first; the first one that holds the
// same DER image decides.
TrustDecision walkRecords(QSqlQuery &query, const QByteArray &der, const CertificateItem &item)
{
    const QDateTime now = QDateTime::currentDateTime();
    TrustDecision decision;
    decision.kind = TrustDecision::AskChanged;
    do {
        decision.id = query.value(0).toLongLong();
        decision.storedDer = query.value(5).toByteArray();
        if (decision.storedDer != der)
            continue;
        if (query.value(3).toInt() != trustedUntilEnds) {
            decision.kind = TrustDecision::Trusted;
            return decision;
        }
        // An end that cannot be read is no promise of trust: asked again.
        const QDateTime ends = query.value(4).toDateTime();
        if (ends.isValid() && !(ends < now)) {
            decision.kind = TrustDecision::Trusted;
            return decision;
        }
        const QDateTime expiry = item.expireDate();
        decision.kind = (!expiry.isValid() || !ends.isValid() || ends < expiry) ? TrustDecision::AskAgain
                                                                                 : TrustDecision::AskExpired;
        return decision;
    } while (query.next());
    return decision;
}

} // namespace

bool DBusService::CheckCertificate(const QString &x509)
{
    ServiceTimeoutHold hold(m_idleTimer);

    // A bus string never holds a NUL; text that does is not Base64, and the
    // conversion below would silently cut it there.
    if (x509.contains(QChar(0)))
        return false;
    unsigned char *decoded = nullptr;
    const int length = base64_decode(x509.toUtf8().constData(), &decoded);
    std::unique_ptr<unsigned char, CryptoBufferFree> buffer(decoded);
    if (!buffer || length <= 0)
        return false;
    std::unique_ptr<CertificateItem> item = itemFromDer(buffer.get(), length);
    if (!item)
        return false;
    const QByteArray der(reinterpret_cast<const char *>(buffer.get()), length);

    // The lookup is finished before any question is asked: an open read
    // would hold the database for as long as the user takes.
    TrustDecision decision;
    {
        QSqlQuery query;
        if (_selectCertificates(lookupName(item.get()), query))
            decision = walkRecords(query, der, *item);
    }

    if (decision.kind == TrustDecision::Trusted)
        return true;
    if (m_waitingQuestions >= mostWaitingQuestions) {
        TK_LOG_ERROR("%s: %d questions already wait for the user; answering not trusted", "CheckCertificate",
                     m_waitingQuestions);
        return false;
    }
    const WaitingQuestion waiting(m_waitingQuestions);

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
    std::unique_ptr<CertificateItem> stored = itemFromDer(
        reinterpret_cast<const unsigned char *>(decision.storedDer.constData()), decision.storedDer.size());
    if (!stored) {
        TK_LOG_ERROR("%s: could not decode a certificate from the DB, possible corruption, id = %lld",
                     "CheckCertificate", static_cast<long long>(decision.id));
        return false;
    }
    return _installChangedDialog(stored.get(), item.get(), der, decision.id);
}

bool DBusService::_selectCertificates(const QString &commonName, QSqlQuery &query)
{
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT * FROM certificates WHERE subject_cn = ? ORDER BY id ASC"));
    query.addBindValue(commonName);
    if (!query.exec()) {
        TK_LOG_ERROR("Failed to execute a query to the DB: %s", qUtf8Printable(query.lastError().text()));
        return false;
    }
    return query.next();
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

    if (lapsedId) {
        QSqlQuery renew;
        renew.prepare(QStringLiteral("UPDATE certificates SET trust_type = ?, trust_ends = ? WHERE id = ?"));
        renew.addBindValue(trustedUntilEnds);
        renew.addBindValue(ends);
        renew.addBindValue(*lapsedId);
        if (!renew.exec()) {
            TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, error = %s)",
                         static_cast<long long>(*lapsedId), qUtf8Printable(renew.lastError().text()));
            return false;
        }
        if (renew.numRowsAffected() > 0)
            return true;
        // The record went while the user was deciding: the answer still
        // gets a record of its own below.
    }

    QSqlQuery insert;
    insert.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, trust_ends, der_dump) "
                                  "VALUES (?, 1, ?, ?, ?)"));
    insert.addBindValue(lookupName(item));
    insert.addBindValue(trustedUntilEnds);
    insert.addBindValue(ends);
    insert.addBindValue(der);
    if (!insert.exec()) {
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
    CheckCertificatePage prompt(questionText("lgd_certman_cert_changed_maninmiddle",
                                             "lgd_certman_install_and_trust_cert"),
                                oldItem, newItem);
    prompt.setObjectName(QStringLiteral("serverCertificateInstallChangedPage"));
    const AnswerButtons buttons = addAnswerButtons(prompt);
    ZelvoButton *pressed = prompt.exec();
    if (!pressed || (pressed != buttons.always && pressed != buttons.forADay))
        return false;

    const bool forADay = pressed == buttons.forADay;
    // Only fixed column names and the trust type number go into the text.
    QString statement = QStringLiteral("UPDATE certificates SET installed = 1, trust_type = %L1, ")
                            .arg(forADay ? trustedUntilEnds : trustedWithoutLimit);
    if (forADay)
        statement += QStringLiteral("trust_ends = ?, ");
    statement += QStringLiteral("der_dump = ? WHERE id = ?");

    QSqlQuery update;
    update.prepare(statement);
    if (forADay)
        update.addBindValue(endOfShortTrust());
    update.addBindValue(der);
    update.addBindValue(id);
    if (!update.exec()) {
        TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, query = '%s', error = '%s'')",
                     static_cast<long long>(id), qUtf8Printable(update.lastQuery()),
                     qUtf8Printable(update.lastError().text()));
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
    const QString column = forADay ? QStringLiteral("trust_ends") : QStringLiteral("trust_type");
    QSqlQuery update;
    update.prepare(QStringLiteral("UPDATE certificates SET ") + column + QStringLiteral(" = ? WHERE id = ?"));
    update.addBindValue(forADay ? QVariant(endOfShortTrust()) : QVariant(trustedWithoutLimit));
    update.addBindValue(id);
    if (!update.exec()) {
        TK_LOG_ERROR("Could not update a certificate data in the database (id = %lld, error = %s)",
                     static_cast<long long>(id), qUtf8Printable(update.lastError().text()));
        return false;
    }
    return true;
}
