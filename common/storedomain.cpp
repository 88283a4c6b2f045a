#include "storedomain.h"

StoreDomain::StoreDomain(const QString &name, Mode mode, const CloseLog &closeLog)
    : m_name(name.toLatin1())
    , m_closeLog(closeLog)
{
    open(mode);
}

StoreDomain::StoreDomain(const QString &name, Mode mode, DomainAccess access, const CloseLog &closeLog)
    : m_name(name.toLatin1())
    , m_closeLog(closeLog)
{
    Purposes::useCredentialsFor(name, access);
    open(mode);
}

StoreDomain::~StoreDomain()
{
    if (!m_handle)
        return;
    const int closed = bastra_certman_close_domain(m_handle);
    if (closed == 0)
        return;
    switch (m_closeLog.words) {
    case CloseLog::Unlogged:
        break;
    case CloseLog::ByCall:
        ::TrustkeepLog::error(m_closeLog.source, m_closeLog.line, "bastra_certman_close_domain (%d)", closed);
        break;
    case CloseLog::ByDomainName:
        ::TrustkeepLog::error(m_closeLog.source, m_closeLog.line, "Failed closing domain %s (%d)", m_name.constData(),
                              closed);
        break;
    }
}

void StoreDomain::open(Mode mode)
{
    m_openResult = bastra_certman_open_domain(m_name.constData(), mode, &m_handle);
    if (m_openResult != 0)
        m_handle = nullptr;
}

StoreDomain::Mode StoreDomain::modeFor(const QString &name)
{
    return name == QLatin1String(DomainNames::commonCa) || name == QLatin1String(DomainNames::codesigning)
        ? SharedReadOnly
        : Private;
}
