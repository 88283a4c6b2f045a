#ifndef TRUSTKEEP_PROCESSTESTHARNESS_H
#define TRUSTKEEP_PROCESSTESTHARNESS_H

#include "privatebus.h"
#include "temporarydeviceroot.h"
#include "testprogram.h"
#include "trustdatabasereader.h"

#include <trustkeepclient.h>
#include <zelvoautomationclient.h>

#include <QDBusPendingReply>
#include <QDateTime>
#include <QElapsedTimer>
#include <QMap>
#include <QtTest>

#include <memory>
#include <vector>

// Everything a process-level test needs, one per test function: an emulated
// device (TRUSTKEEP_DEVICE_ROOT), a private system bus with the shipped
// policy, the real trustkeep service as a child of the test, the typed
// client of its interface, the automation sockets of the programs, a reader
// of the trust database, the log lines of every program, and the preloaded
// clock and store shims.
//
//   READY_HARNESS(h);                                      // or READY_HARNESS(h, options)
//   auto pending = h.service().CheckCertificate(text);     // starts the service
//   QVERIFY(h.ui().click("CertmanTrust24Button"));
//   QVERIFY(h.finish(pending));
//   QVERIFY(pending.value());
//   QCOMPARE(h.database().trustRecords().size(), 1);
class ProcessTestHarness
{
public:
    // The application names trustkeep gives itself in service mode and in
    // installer or deletion mode (what "%a" becomes, see Options).
    static const char serviceApplication[]; // "trustkeep_dbus"
    static const char installerApplication[]; // "trustkeep"

    struct Options {
        // ZELVO_AUTOMATION_SOCKET holds "%a", which each program replaces by
        // its application name: two programs (the control-panel host and the
        // service it calls) are driven at once through ui("<name>").
        bool perApplicationSockets = false;
        // <policy> elements after the shipped bus policy, e.g. one that lets
        // every account call the whole interface, so that what the service
        // refuses on its own shows.
        QString extraPolicy;
    };

    // What a program of another local account got (see runAsOtherUser).
    struct OtherUserResult {
        bool succeeded = false; // ran and exited with 0
        QString output; // stdout and stderr together
    };
    static const uint nobody = 65534;

    ProcessTestHarness();
    explicit ProcessTestHarness(const Options &options);
    ~ProcessTestHarness();
    ProcessTestHarness(const ProcessTestHarness &) = delete;
    ProcessTestHarness &operator=(const ProcessTestHarness &) = delete;

    bool isReady() const;
    QString errorString() const;

    TemporaryDeviceRoot &root() { return m_root; }
    PrivateBus &bus() { return *m_bus; }

    // The environment of every program started from now on.
    QProcessEnvironment environment() const { return m_environment; }
    void setEnvironment(const QString &name, const QString &value);

    // --- shims (take effect in programs started afterwards) -----------------
    // Stops the calendar clock at moment; a running service is let end first.
    bool freezeClock(const QDateTime &moment);
    // Records "<op> <domain> <token>" for every open, load and rm of the store.
    void recordStore();
    // Removals from that domain fail with EACCES (implies recordStore()).
    void refuseStoreRemoval(const QString &domain);
    // The recorded store calls, all or those of one operation ("open", "rm").
    QStringList storeCalls(const QString &operation = QString()) const;

    // --- the service ----------------------------------------------------------
    // Starts trustkeep --dbus and waits until it owns the name.
    bool startService();
    // The client of a running service that will not end under the next call:
    // one that is held, or answered a moment ago, is used again; one that may
    // be on its way out is let end and a new one started.
    TrustkeepClient &service();
    TestProgram *serviceProgram() { return m_services.empty() ? nullptr : m_services.back().get(); }
    // Lets the current service end by itself (it must, after its idle time).
    bool waitForServiceEnd(int timeoutMs = 12000);
    // Lets the current service end, then tells whether every service of the
    // test ended with status 0.
    bool servicesEndedCleanly();

    // Waits for the reply of a call that waits for the user.
    template <typename T> bool finish(const QDBusPendingReply<T> &reply, int timeoutMs = 30000)
    {
        const bool done = QTest::qWaitFor([&] { return reply.isFinished(); }, timeoutMs);
        m_lastAnswer.start();
        return done;
    }

    // A call that asks the user nothing, or whose questions are answered
    // meanwhile: true only for a valid reply of true.
    bool succeeded(const QDBusPendingReply<bool> &reply, int timeoutMs = 30000)
    {
        return finish(reply, timeoutMs) && reply.isValid() && reply.value();
    }
    // The same for a valid reply of false.
    bool answeredFalse(const QDBusPendingReply<bool> &reply, int timeoutMs = 30000)
    {
        return finish(reply, timeoutMs) && reply.isValid() && !reply.value();
    }
    bool install(const QString &certificate, const QStringList &domains)
    {
        return succeeded(service().InstallCertificateToDomains(certificate, domains));
    }
    bool remove(const QString &keyId, const QStringList &domains)
    {
        return succeeded(service().DeleteCertificateFromDomains(keyId, domains));
    }

    // --- other programs --------------------------------------------------------
    // trustkeep (or another program of the build tree) with the environment.
    TestProgram &startProgram(const QStringList &arguments, const QString &program = TestProgram::trustkeepBinary());

    // --- another local account -------------------------------------------------
    // Every account on the device reaches the system bus. These run a command
    // under setpriv with that uid and gid and no supplementary groups, so the
    // test must run as root (otherUserAvailable() tells; else QSKIP).
    static bool otherUserAvailable();
    OtherUserResult runAsOtherUser(const QStringList &command, uint uid = nobody);
    // A method of the service's interface through gdbus, arguments in
    // GVariant text ("'text'", "['ssl-ca']"). Success prints the reply
    // tuple, e.g. "(false,)"; a refusal prints the error name.
    OtherUserResult callAsOtherUser(const QString &method, const QStringList &arguments, uint uid = nobody);

    // --- the user ----------------------------------------------------------------
    // The automation client of the program with that application name
    // ("trustkeep", "plixcontrolpanel"); connected on first use.
    ZelvoAutomationClient &ui(const QString &application = QStringLiteral("trustkeep"));
    QString automationSocket(const QString &application = QStringLiteral("trustkeep")) const;
    int pageCount(const QString &application = QStringLiteral("trustkeep")); // -1: no answer
    bool waitForPages(int count, const QString &application = QStringLiteral("trustkeep"));
    bool windowVisible(const QString &application = QStringLiteral("trustkeep"));
    QString topPageName(const QString &application = QStringLiteral("trustkeep"));
    QJsonObject widget(const QString &objectName, const QString &application = QStringLiteral("trustkeep"));
    QStringList visibleNames(const QString &application = QStringLiteral("trustkeep"));

    // The user in the service's window: each waits for the widget first.
    bool tap(const QString &objectName);
    bool type(const QString &objectName, const QString &text);
    bool chooseNewPassword(const QString &password); // new, confirmed, accepted
    bool enterPassword(const QString &password); // current, accepted

    // --- the trust database ------------------------------------------------------
    // A connection of the test's own; the programs create the tables, so the
    // service is started first if there is no database yet.
    TrustDatabaseReader &database();

    // --- the log -------------------------------------------------------------------
    // The "<source>(<line>): ERROR ..." lines of every program of the test and
    // of services the bus activated, in the order each program wrote them.
    QStringList logLines();
    // Everything the programs wrote, for failure messages.
    QString allOutput();
    void markLog();
    QStringList logSinceMark();
    bool waitForLog(const QString &text, int timeoutMs = 10000);

private:
    bool serviceMayEndSoon();
    ZelvoAutomationClient &connectedUi(const QString &application, int timeoutMs);
    void addPreload(const QString &library);
    void dropConnections();

    Options m_options;
    TemporaryDeviceRoot m_root;
    std::unique_ptr<PrivateBus> m_bus;
    QProcessEnvironment m_environment;
    QString m_storeLog;
    std::vector<std::unique_ptr<TestProgram>> m_services;
    std::vector<std::unique_ptr<TestProgram>> m_programs;
    std::unique_ptr<TrustkeepClient> m_client;
    QMap<QString, std::shared_ptr<ZelvoAutomationClient>> m_ui;
    std::unique_ptr<TrustDatabaseReader> m_database;
    QElapsedTimer m_lastAnswer;
    int m_logMark = 0;
};

// Declares a harness and fails the test when its device or bus did not come up.
#define READY_HARNESS(name, ...)            \
    ProcessTestHarness name{ __VA_ARGS__ }; \
    QVERIFY2(name.isReady(), qPrintable(name.errorString()))

#endif
