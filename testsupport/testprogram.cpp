#include "testprogram.h"

#include <QDeadlineTimer>

TestProgram::TestProgram(const QProcessEnvironment &environment, const QString &program)
    : m_program(program)
{
    m_process.setProcessEnvironment(environment);
    // The log lines come on stderr; waiting for output means waiting for them.
    m_process.setReadChannel(QProcess::StandardError);
}

TestProgram::~TestProgram()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString TestProgram::buildBinary(const QString &name)
{
    return qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/bin/") + name;
}

void TestProgram::start(const QStringList &arguments)
{
    m_process.start(m_program, arguments);
}

void TestProgram::startAs(const QString &programName, const QStringList &arguments)
{
    // QProcess always passes the program path as argv[0]; the shell's
    // exec -a lets the test choose it.
    QStringList shellArguments{ QStringLiteral("-c"), QStringLiteral("exec -a \"$0\" \"$@\""), programName, m_program };
    shellArguments += arguments;
    m_process.start(QStringLiteral("bash"), shellArguments);
}

bool TestProgram::waitForStarted(int timeoutMs)
{
    return m_process.waitForStarted(timeoutMs);
}

bool TestProgram::waitForFinished(int timeoutMs)
{
    const bool finished = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    collect();
    return finished;
}

bool TestProgram::isRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}

qint64 TestProgram::pid() const
{
    return m_process.processId();
}

int TestProgram::exitCode() const
{
    if (m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}

QStringList TestProgram::logLines()
{
    collect();
    return m_lines;
}

bool TestProgram::hasLog(const QString &text)
{
    collect();
    for (const QString &line : qAsConst(m_lines)) {
        if (line.contains(text))
            return true;
    }
    return false;
}

bool TestProgram::waitForLog(const QString &text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!hasLog(text)) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return hasLog(text);
        m_process.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 100)));
    }
    return true;
}

void TestProgram::collect()
{
    m_pending += QString::fromLocal8Bit(m_process.readAllStandardError());
    int end;
    while ((end = m_pending.indexOf(QLatin1Char('\n'))) >= 0) {
        m_lines << m_pending.left(end);
        m_pending.remove(0, end + 1);
    }
}
