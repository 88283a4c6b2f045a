#ifndef TRUSTKEEP_SERVICETIMEOUTHOLD_H
#define TRUSTKEEP_SERVICETIMEOUTHOLD_H

#include "servicetimeout.h"

// Holds the idle timer for one service call: stop() on construction and
// restart(stop id) when the call leaves by any way, so no early return can
// forget to give the timer back.
class ServiceTimeoutHold
{
public:
    explicit ServiceTimeoutHold(ServiceTimeout_p *timeout)
        : m_timeout(timeout)
        , m_stopId(timeout->stop())
    {
    }
    ~ServiceTimeoutHold() { m_timeout->restart(m_stopId); }

    ServiceTimeoutHold(const ServiceTimeoutHold &) = delete;
    ServiceTimeoutHold &operator=(const ServiceTimeoutHold &) = delete;

private:
    ServiceTimeout_p *m_timeout;
    int m_stopId;
};

#endif
