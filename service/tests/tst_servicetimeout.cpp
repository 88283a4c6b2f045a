// The idle timer's bookkeeping: busy count, stop ids of nested calls, when
// the window is hidden and when the countdown runs.

#include "servicetimeout.h"

#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>

#include <QSignalSpy>
#include <QtTest>

class TestServiceTimeout : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_window = new ZelvoApplicationWindow; }
    void cleanup() { delete m_window; }

    void runsFromConstructionAndFiresOnce()
    {
        ServiceTimeout_p timeout(50);
        QVERIFY(timeout.isTimerRunning());
        QCOMPARE(timeout.busyCount(), 0);
        QSignalSpy fired(&timeout, &ServiceTimeout_p::timeout);
        QVERIFY(fired.wait(5000));
        // The timer is killed on firing: no second timeout follows.
        QTest::qWait(200);
        QCOMPARE(fired.count(), 1);
    }

    void bracketedCallHoldsTheTimerAndHidesTheWindowAtItsEnd()
    {
        ServiceTimeout_p timeout(50);
        QSignalSpy fired(&timeout, &ServiceTimeout_p::timeout);

        const int id = timeout.stop();
        QCOMPARE(id, 0);
        QCOMPARE(timeout.busyCount(), 1);
        QVERIFY(!timeout.isTimerRunning());
        m_window->setVisible(true);

        QTest::qWait(200); // well past the interval: held, nothing fires
        QCOMPARE(fired.count(), 0);

        timeout.restart(id);
        QCOMPARE(timeout.busyCount(), 0);
        QVERIFY(timeout.isTimerRunning());
        QVERIFY(!m_window->isVisible());
        QVERIFY(fired.wait(5000));
    }

    void nestedCallReturnsToTheOuterLevel()
    {
        ServiceTimeout_p timeout(50);
        const int outer = timeout.stop();
        m_window->setVisible(true);
        const int inner = timeout.stop();
        QCOMPARE(inner, 1);
        QCOMPARE(timeout.busyCount(), 2);

        timeout.restart(inner);
        // The outer call still waits: its page stays and no countdown runs.
        QCOMPARE(timeout.busyCount(), 1);
        QVERIFY(!timeout.isTimerRunning());
        QVERIFY(m_window->isVisible());

        timeout.restart(outer);
        QCOMPARE(timeout.busyCount(), 0);
        QVERIFY(timeout.isTimerRunning());
        QVERIFY(!m_window->isVisible());
    }

    void deeperNestingDropsStraightToTheCallersLevel()
    {
        ServiceTimeout_p timeout(50);
        timeout.stop(); // 0
        const int second = timeout.stop(); // 1
        timeout.stop(); // 2, ends without giving back
        QCOMPARE(timeout.busyCount(), 3);
        timeout.restart(second);
        QCOMPARE(timeout.busyCount(), 1);
        QVERIFY(!timeout.isTimerRunning());
    }

    void restartWithoutIdDecrementsOnly()
    {
        ServiceTimeout_p timeout(50);
        timeout.stop();
        timeout.stop();
        timeout.restart();
        QCOMPARE(timeout.busyCount(), 1);
        QVERIFY(!timeout.isTimerRunning());
        timeout.restart();
        QCOMPARE(timeout.busyCount(), 0);
        QVERIFY(timeout.isTimerRunning());

        // Never below zero, and a running countdown is not started twice.
        m_window->setVisible(true);
        timeout.restart();
        QCOMPARE(timeout.busyCount(), 0);
        QVERIFY(timeout.isTimerRunning());
        QVERIFY(m_window->isVisible());
    }

private:
    ZelvoApplicationWindow *m_window = nullptr;
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_servicetimeout"));
    TestServiceTimeout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_servicetimeout.moc"
