#ifndef TRUSTKEEP_TESTPROGRAM_H
#define TRUSTKEEP_TESTPROGRAM_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// A program of the build tree run as a child of the test (trustkeep in any
// mode, the control-panel host), collecting the lines it writes to stderr.
// The destructor ends a program that is still running.
//
//   TestProgram trustkeep(harness.environment());
//   trustkeep.start({"-d", "nonsense"});
//   QVERIFY(trustkeep.waitForFinished());
//   QCOMPARE(trustkeep.exitCode(), 22);
class TestProgram
{
public:
    explicit TestProgram(const QProcessEnvironment &environment,
                         const QString &program = TestProgram::trustkeepBinary());
    ~TestProgram();
    TestProgram(const TestProgram &) = delete;
    TestProgram &operator=(const TestProgram &) = delete;

    // $TRUSTKEEP_BUILD_DIR/bin/<name>
    static QString buildBinary(const QString &name);
    static QString trustkeepBinary() { return buildBinary(QStringLiteral("trustkeep")); }

    void start(const QStringList &arguments);
    // Runs the program with argv[0] set to programName instead of its path.
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
    bool hasLog(const QString &text);
    bool waitForLog(const QString &text, int timeoutMs = 10000);

private:
    void collect();

    QString m_program;
    QProcess m_process;
    QString m_pending;
    QStringList m_lines;
};

#endif
