#ifndef TRUSTKEEP_INSTALLERRUN_H
#define TRUSTKEEP_INSTALLERRUN_H

#include "trustkeepprocess.h"

#include <zelvoautomationclient.h>

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class TemporaryDeviceRoot;

// One run of the real trustkeep in installer mode on an emulated device,
// driven through its automation socket. No bus is involved: the system bus
// address points into the run's own folder, where nothing listens.
//
//   TemporaryDeviceRoot root;
//   InstallerRun run(root);
//   QVERIFY(run.start());
//   QVERIFY(run.ui().waitFor("EmptyLabel"));
//   QVERIFY(run.ui().back());
//   QCOMPARE(run.exitStatus(), 0);
class InstallerRun
{
public:
    explicit InstallerRun(const TemporaryDeviceRoot &root);
    ~InstallerRun();

    // Extra environment for the program (before start()).
    void setEnvironment(const QString &name, const QString &value);
    // Records the domains the program opens and the token current at each
    // opening, through a preloaded wrapper of the store (before start()).
    void recordStoreOpenings();

    // Starts trustkeep with the arguments and connects to its automation
    // socket.
    bool start(const QStringList &arguments = QStringList());

    ZelvoAutomationClient &ui() { return m_ui; }
    TrustkeepProcess &process() { return *m_process; }

    // Number of pages on display; -1 when the program does not answer.
    int pageCount();
    // Waits until that many pages are on display.
    bool waitForPages(int count, int timeoutMs = 10000);
    // The object names of the visible widgets (top page and what is above).
    QStringList visibleNames();
    // The "widgets" entry of a visible widget, or an empty object.
    QJsonObject widget(const QString &objectName);
    // Waits for a visible widget and returns its entry (empty on time-out).
    QJsonObject waitForWidget(const QString &objectName, int timeoutMs = 10000);

    // Waits for the program to end: its exit status, or -1 when it did not
    // end in time or did not end normally.
    int exitStatus(int timeoutMs = 20000);

    // "open <domain> <token>" per domain opening (see recordStoreOpenings()).
    QStringList storeOpenings() const;

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
    std::unique_ptr<TrustkeepProcess> m_process;
    ZelvoAutomationClient m_ui;
};

#endif
