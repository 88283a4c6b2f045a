#ifndef TRUSTKEEP_STOREDOMAIN_H
#define TRUSTKEEP_STOREDOMAIN_H

#include "log.h"
#include "purposetable.h"

#include <bastra_certman.h>

#include <QByteArray>
#include <QString>

// One open domain of the certificate store, closed when the owner goes.
//
//   StoreDomain domain(name, StoreDomain::Private, DomainAccess::Add, TK_CLOSE_UNLOGGED);
//   if (!domain.isOpen()) ... domain.openResult() ...
//   bastra_certman_add_cert(domain.handle(), cert);
//
// Given an access, the domain's purpose token for it is made current first
// (the purpose table's rule: no matching purpose, no token set, and the
// credentials made current last stay in force). Without one no credentials
// are touched, as for listings.
//
// A failed close is logged in the words of the code that opened the domain,
// under that code's source name and with the line that opened it; the
// TK_CLOSE_... macros below capture both.
class StoreDomain
{
public:
    enum Mode {
        Private = BASTRA_DOMAIN_PRIVATE, // the user's own domain, created on first add
        SharedReadOnly = BASTRA_DOMAIN_SHARED // a system domain, read-only to the store
    };

    // How a failed close goes into the log.
    struct CloseLog {
        enum Words {
            Unlogged, // the close result is not looked at
            ByCall, // "bastra_certman_close_domain (<result>)"
            ByDomainName // "Failed closing domain <name> (<result>)"
        };
        const char *source;
        int line;
        Words words;
    };

    StoreDomain(const QString &name, Mode mode, const CloseLog &closeLog);
    StoreDomain(const QString &name, Mode mode, DomainAccess access, const CloseLog &closeLog);
    ~StoreDomain();

    StoreDomain(const StoreDomain &) = delete;
    StoreDomain &operator=(const StoreDomain &) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    int openResult() const { return m_openResult; }
    bastra_domain handle() const { return m_handle; }

    // The shared domains of fixed names ("common-ca", "codesigning") are
    // read-only to the store and opened as such; every other one privately.
    static Mode modeFor(const QString &name);

private:
    void open(Mode mode);

    QByteArray m_name;
    CloseLog m_closeLog;
    bastra_domain m_handle = nullptr;
    int m_openResult = 0;
};

#define TK_CLOSE_UNLOGGED (::StoreDomain::CloseLog{ TK_LOG_SOURCE, __LINE__, ::StoreDomain::CloseLog::Unlogged })
#define TK_CLOSE_LOGGED_BY_CALL (::StoreDomain::CloseLog{ TK_LOG_SOURCE, __LINE__, ::StoreDomain::CloseLog::ByCall })
#define TK_CLOSE_LOGGED_BY_NAME \
    (::StoreDomain::CloseLog{ TK_LOG_SOURCE, __LINE__, ::StoreDomain::CloseLog::ByDomainName })

#endif
