#ifndef TRUSTKEEP_TRUSTKEEPPROCESS_H
#define TRUSTKEEP_TRUSTKEEPPROCESS_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

class PrivateBus;

// The real trustkeep binary of the build tree, run as a child of the test
// with a bus's environment; collects the log lines it writes to stderr.
// The destructor ends a process that is still running.
//
//   TrustkeepProcess trustkeep(bus);
//   trustkeep.start({"-d", "nonsense"});
//   QVERIFY(trustkeep.waitForFinished());
//   QCOMPARE(trustkeep.exitCode(), 22);
class TrustkeepProcess
{
public:
    explicit TrustkeepProcess(const PrivateBus &bus);
    explicit TrustkeepProcess(const QProcessEnvironment &environment);
    ~TrustkeepProcess();

    // Runs trustkeep with the arguments (argv[0] is the binary's path).
    void start(const QStringList &arguments);
    // Runs trustkeep with argv[0] set to programName instead of its path.
    void startAs(const QString &programName, const QStringList &arguments);

    bool waitForStarted(int timeoutMs = 10000);
    bool waitForFinished(int timeoutMs = 30000);
    bool isRunning() const;
    qint64 pid() const;

    // The status the program returned (-1 shows as 255); -1 when it did not
    // end normally (crash, signal).
    int exitCode() const;

    // Every complete line written to stderr so far.
    QStringList logLines();
    // Waits until a line containing text has been logged.
    bool waitForLog(const QString &text, int timeoutMs = 10000);
    bool hasLog(const QString &text);

    QProcess &process() { return m_process; }

private:
    void collect();

    QProcess m_process;
    QString m_pending;
    QStringList m_lines;
};

#endif
