#include "trustkeepprocess.h"

#include "privatebus.h"

#include <QDeadlineTimer>

TrustkeepProcess::TrustkeepProcess(const PrivateBus &bus)
    : TrustkeepProcess(bus.environment())
{
}

TrustkeepProcess::TrustkeepProcess(const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    // The log lines come on stderr; waiting for output means waiting for them.
    m_process.setReadChannel(QProcess::StandardError);
}

TrustkeepProcess::~TrustkeepProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void TrustkeepProcess::start(const QStringList &arguments)
{
    m_process.start(PrivateBus::trustkeepBinary(), arguments);
}

void TrustkeepProcess::startAs(const QString &programName, const QStringList &arguments)
{
    // QProcess always passes the program path as argv[0]; the shell's
    // exec -a lets the test choose it.
    QStringList shellArguments{ QStringLiteral("-c"), QStringLiteral("exec -a \"$0\" \"$@\""),
                                programName, PrivateBus::trustkeepBinary() };
    shellArguments += arguments;
    m_process.start(QStringLiteral("bash"), shellArguments);
}

bool TrustkeepProcess::waitForStarted(int timeoutMs)
{
    return m_process.waitForStarted(timeoutMs);
}

bool TrustkeepProcess::waitForFinished(int timeoutMs)
{
    const bool finished = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    collect();
    return finished;
}

bool TrustkeepProcess::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

qint64 TrustkeepProcess::pid() const
{
    return m_process.processId();
}

int TrustkeepProcess::exitCode() const
{
    if (m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

QStringList TrustkeepProcess::logLines()
{
    collect();
    return m_lines;
}

bool TrustkeepProcess::hasLog(const QString &text)
{
    collect();
    for (const QString &line : qAsConst(m_lines)) {
        if (line.contains(text))
            return true;
    }
    return false;
}

bool TrustkeepProcess::waitForLog(const QString &text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!hasLog(text)) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return hasLog(text);
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
    }
    return true;
}

void TrustkeepProcess::collect()
{
    m_pending += QString::fromLocal8Bit(m_process.readAllStandardError());
    int end;
    while ((end = m_pending.indexOf(QLatin1Char('\n'))) >= 0) {
        m_lines << m_pending.left(end);
        m_pending.remove(0, end + 1);
    }
}
