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

    // The countdown runs from construction, never fires while a call holds
    // it, and fires once: the timer is killed on firing.
    void firesOnceAndNeverWhileHeld()
    {
        ServiceTimeout_p timeout(50);
        QSignalSpy fired(&timeout, &ServiceTimeout_p::timeout);
        const int id = timeout.stop();
        QTest::qWait(200); // well past the interval
        QCOMPARE(fired.count(), 0);
        timeout.restart(id);
        QVERIFY(fired.wait(5000));
        QTest::qWait(200);
        QCOMPARE(fired.count(), 1);
    }

    // Each call that waits stops the countdown and gets the depth it found as
    // its id; giving an id back drops straight to that depth, giving none
    // steps down one, never below zero. Only the step to zero restarts the
    // countdown and hides the page the call left up.
    void busyCountAndWindow_data()
    {
        QTest::addColumn<QString>("steps"); // s: stop, v: show the window, r: restart(), rN: restart(N)
        QTest::addColumn<QList<int>>("ids"); // what each stop answered
        QTest::addColumn<int>("busy");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("visible");
        QTest::newRow("nothing held") << "" << QList<int>{} << 0 << true << false;
        QTest::newRow("a call holds") << "s v" << QList<int>{ 0 } << 1 << false << true;
        QTest::newRow("its end") << "s v r0" << QList<int>{ 0 } << 0 << true << false;
        QTest::newRow("nested end, outer waits") << "s v s r1" << QList<int>{ 0, 1 } << 1 << false << true;
        QTest::newRow("outer end") << "s v s r1 r0" << QList<int>{ 0, 1 } << 0 << true << false;
        QTest::newRow("deeper nesting drops to the caller")
            << "s s s r1" << QList<int>{ 0, 1, 2 } << 1 << false << false;
        QTest::newRow("without id: one down") << "s s v r" << QList<int>{ 0, 1 } << 1 << false << true;
        QTest::newRow("without id: to zero") << "s s v r r" << QList<int>{ 0, 1 } << 0 << true << false;
        QTest::newRow("never below zero, countdown not started twice")
            << "s s r r v r" << QList<int>{ 0, 1 } << 0 << true << true;
    }

    void busyCountAndWindow()
    {
        QFETCH(QString, steps);
        ServiceTimeout_p timeout(50);
        QList<int> ids;
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "s")
                ids << timeout.stop();
            else if (step == "v")
                m_window->setVisible(true);
            else if (step == "r")
                timeout.restart();
            else
                timeout.restart(step.mid(1).toInt());
        }
        QTEST(ids, "ids");
        QTEST(timeout.busyCount(), "busy");
        QTEST(timeout.isTimerRunning(), "running");
        QTEST(m_window->isVisible(), "visible");
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
