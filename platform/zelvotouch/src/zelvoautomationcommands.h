#ifndef ZELVOAUTOMATIONCOMMANDS_H
#define ZELVOAUTOMATIONCOMMANDS_H

#include <QJsonObject>
#include <QObject>

#include <functional>

class ZelvoAction;

// Runs one automation request. The reply is handed to the callback, at once
// for most commands, later for "wait". Actions that may start a nested event
// loop (a tap that opens a message box) run after the reply has gone out, so
// that the client is never left waiting for an answer held up by the very
// loop it is about to drive.
class ZelvoAutomationCommands : public QObject
{
    Q_OBJECT

public:
    using Reply = std::function<void(const QJsonObject &)>;

    explicit ZelvoAutomationCommands(QObject *parent = nullptr);

    // reply() is called exactly once; afterwards, the returned action (if any)
    // is run from the event loop.
    void execute(const QJsonObject &request, const Reply &reply);

private:
    void widgets(const Reply &reply);
    void pages(const Reply &reply);
    void click(const QJsonObject &request, const Reply &reply);
    void clickMenuAction(ZelvoAction *action, const QString &name, const Reply &reply);
    void tapWhenReady(const QString &name, int triesLeft);
    void back(const Reply &reply);
    void answer(const QJsonObject &request, const Reply &reply);
    void type(const QJsonObject &request, const Reply &reply);
    void wait(const QJsonObject &request, const Reply &reply);
    void screenshot(const QJsonObject &request, const Reply &reply);
};

#endif
