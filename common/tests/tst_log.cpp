#include "log.h"
#include "stderrcapture.h"

#include <QtTest>

class LogTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qunsetenv("TRUSTKEEP_LOG_STDERR"); }

    void linesCarryBaseNameAndLine()
    {
        qputenv("TRUSTKEEP_LOG_STDERR", "1");
        int line = 0;
        const QByteArray output = capturedStderr([&] {
            line = __LINE__ + 1;
            TK_LOG_ERROR("%s failed: %d", "Operation", 42);
        });
        QCOMPARE(output, QByteArray("tst_log(") + QByteArray::number(line) + "): ERROR Operation failed: 42\n");
    }

    void nothingOnStderrUnlessAsked()
    {
        qunsetenv("TRUSTKEEP_LOG_STDERR");
        QCOMPARE(capturedStderr([] { TK_LOG_ERROR("quiet"); }), QByteArray());
    }

    void sourceNameAndOddMessages()
    {
        qputenv("TRUSTKEEP_LOG_STDERR", "1");
        // A path with folders and no extension keeps its last part.
        QCOMPARE(capturedStderr([] { TrustkeepLog::error("/src/service/dbusservice.cpp", 7, "x"); }),
                 QByteArray("dbusservice(7): ERROR x\n"));
        QCOMPARE(capturedStderr([] { TrustkeepLog::error("pkey", 1, "y"); }), QByteArray("pkey(1): ERROR y\n"));
        // A caller's text is data, never a format.
        QCOMPARE(capturedStderr([] { TrustkeepLog::error("main.cpp", 2, "%s", "%n%s%x"); }),
                 QByteArray("main(2): ERROR %n%s%x\n"));
        // A very long message is cut, not overflowed.
        const QByteArray huge(20000, 'z');
        const QByteArray output = capturedStderr([&] { TrustkeepLog::error("main.cpp", 3, "%s", huge.constData()); });
        QVERIFY(output.startsWith("main(3): ERROR zzz"));
        QVERIFY(output.endsWith("z\n"));
        QVERIFY(output.size() < huge.size());
    }
};

QTEST_APPLESS_MAIN(LogTest)
#include "tst_log.moc"
