#include "zelvoautomationcommands.h"

#include "platformlog.h"
#include "zelvoaction.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvodialog.h"
#include "zelvomessagebox.h"
#include "zelvostandardbuttons.h"
#include "zelvotextedit.h"
#include "zelvowidgetinspector.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGraphicsWidget>
#include <QJsonArray>
#include <QPointer>
#include <QTimer>

namespace {

const int defaultWaitMs = 5000;
const int longestWaitMs = 10 * 60 * 1000;
const int pollMs = 20;
const int menuEntryWaitMs = 2000;

QJsonObject ok(QJsonObject reply = QJsonObject())
{
    reply.insert(QStringLiteral("ok"), true);
    return reply;
}

QJsonObject failure(const QString &error)
{
    QJsonObject reply;
    reply.insert(QStringLiteral("ok"), false);
    reply.insert(QStringLiteral("error"), error);
    return reply;
}

// After the reply: taps and answers may open nested event loops.
void later(QObject *context, std::function<void()> action)
{
    QTimer::singleShot(0, context, std::move(action));
}

} // namespace

ZelvoAutomationCommands::ZelvoAutomationCommands(QObject *parent)
    : QObject(parent)
{
}

void ZelvoAutomationCommands::execute(const QJsonObject &request, const Reply &reply)
{
    const QString cmd = request.value(QStringLiteral("cmd")).toString();
    if (cmd == QLatin1String("widgets"))
        widgets(reply);
    else if (cmd == QLatin1String("pages"))
        pages(reply);
    else if (cmd == QLatin1String("click"))
        click(request, reply);
    else if (cmd == QLatin1String("back"))
        back(reply);
    else if (cmd == QLatin1String("answer"))
        answer(request, reply);
    else if (cmd == QLatin1String("type"))
        type(request, reply);
    else if (cmd == QLatin1String("wait"))
        wait(request, reply);
    else if (cmd == QLatin1String("screenshot"))
        screenshot(request, reply);
    else if (cmd.isEmpty())
        reply(failure(QStringLiteral("the request has no \"cmd\"")));
    else
        reply(failure(QStringLiteral("unknown command \"%1\"").arg(cmd)));
}

void ZelvoAutomationCommands::widgets(const Reply &reply)
{
    QJsonArray list;
    for (const ZelvoWidgetInspector::Found &f : ZelvoWidgetInspector::visibleWidgets())
        list.append(ZelvoWidgetInspector::describe(f));
    QJsonObject result;
    ZelvoApplicationWindow *window = ZelvoWidgetInspector::window();
    result.insert(QStringLiteral("windowVisible"), window && window->isVisible());
    const QJsonObject page = ZelvoWidgetInspector::describePage();
    result.insert(QStringLiteral("page"), page.isEmpty() ? QJsonValue() : QJsonValue(page));
    result.insert(QStringLiteral("widgets"), list);
    QJsonArray menu;
    for (ZelvoAction *action : ZelvoWidgetInspector::menuActions())
        menu.append(action->objectName());
    result.insert(QStringLiteral("menu"), menu);
    reply(ok(result));
}

void ZelvoAutomationCommands::pages(const Reply &reply)
{
    reply(ok(ZelvoWidgetInspector::describePages()));
}

void ZelvoAutomationCommands::click(const QJsonObject &request, const Reply &reply)
{
    ZelvoWidgetInspector::Found found;
    QString wanted;
    if (request.contains(QStringLiteral("objectName"))) {
        wanted = request.value(QStringLiteral("objectName")).toString();
        found = ZelvoWidgetInspector::findByObjectName(wanted);
    } else if (request.contains(QStringLiteral("text"))) {
        wanted = request.value(QStringLiteral("text")).toString();
        found = ZelvoWidgetInspector::findByText(wanted);
    } else {
        reply(failure(QStringLiteral("click needs \"objectName\" or \"text\"")));
        return;
    }
    if (!found.widget && request.contains(QStringLiteral("objectName"))) {
        if (ZelvoAction *action = ZelvoWidgetInspector::findMenuAction(wanted)) {
            clickMenuAction(action, wanted, reply);
            return;
        }
    }
    if (!found.widget) {
        reply(failure(QStringLiteral("no visible widget \"%1\"").arg(wanted)));
        return;
    }
    QString error;
    if (!ZelvoWidgetInspector::prepareClick(found.widget, &error)) {
        reply(failure(QStringLiteral("cannot click \"%1\": %2").arg(wanted, error)));
        return;
    }
    reply(ok(ZelvoWidgetInspector::describe(found)));
    QPointer<QGraphicsWidget> target(found.widget);
    later(this, [target]() {
        if (target)
            ZelvoWidgetInspector::tap(target);
    });
}

// A menu action is reached as a finger reaches it: a tap on the menu button,
// then, once the menu is laid out, a tap on the action's entry.
void ZelvoAutomationCommands::clickMenuAction(ZelvoAction *action, const QString &name, const Reply &reply)
{
    QGraphicsWidget *button = ZelvoWidgetInspector::menuButton();
    QString error;
    if (!button || !ZelvoWidgetInspector::prepareClick(button, &error)) {
        reply(failure(QStringLiteral("cannot open the menu for \"%1\": %2")
                          .arg(name, button ? error : QStringLiteral("the window shows no menu button"))));
        return;
    }
    QJsonObject described;
    described.insert(QStringLiteral("class"), QString::fromLatin1(action->metaObject()->className()));
    described.insert(QStringLiteral("objectName"), name);
    described.insert(QStringLiteral("text"), action->displayText());
    described.insert(QStringLiteral("enabled"), action->isEnabled());
    described.insert(QStringLiteral("layer"), QStringLiteral("menu"));
    reply(ok(described));
    QPointer<QGraphicsWidget> target(button);
    later(this, [this, target, name]() {
        if (!target)
            return;
        ZelvoWidgetInspector::tap(target);
        tapWhenReady(name, menuEntryWaitMs / pollMs);
    });
}

void ZelvoAutomationCommands::tapWhenReady(const QString &name, int triesLeft)
{
    const ZelvoWidgetInspector::Found entry = ZelvoWidgetInspector::findByObjectName(name);
    QString error = QStringLiteral("the menu shows no entry");
    if (entry.widget && ZelvoWidgetInspector::prepareClick(entry.widget, &error)) {
        ZelvoWidgetInspector::tap(entry.widget);
        return;
    }
    if (triesLeft <= 0) {
        PLATFORM_LOG_ERROR("UI automation could not tap the menu entry %s: %s", qPrintable(name), qPrintable(error));
        return;
    }
    QTimer::singleShot(pollMs, this, [this, name, triesLeft]() { tapWhenReady(name, triesLeft - 1); });
}

void ZelvoAutomationCommands::back(const Reply &reply)
{
    ZelvoApplicationWindow *window = ZelvoWidgetInspector::window();
    if (!window) {
        reply(failure(QStringLiteral("the application has no window")));
        return;
    }
    if (!ZelvoWidgetInspector::topDialog() && !window->currentPage()) {
        reply(failure(QStringLiteral("no page on display")));
        return;
    }
    reply(ok());
    QPointer<ZelvoApplicationWindow> target(window);
    later(this, [target]() {
        if (target)
            target->pressBackButton();
    });
}

void ZelvoAutomationCommands::answer(const QJsonObject &request, const Reply &reply)
{
    const QString name = request.value(QStringLiteral("button")).toString();
    ZelvoDialog *dialog = ZelvoWidgetInspector::topDialog();
    if (!dialog) {
        reply(failure(QStringLiteral("no message box or dialog on display")));
        return;
    }
    QPointer<ZelvoDialog> target(dialog);
    ZelvoButton *button = nullptr;
    if (name.compare(QLatin1String("Accept"), Qt::CaseInsensitive) == 0) {
        if (qobject_cast<ZelvoMessageBox *>(dialog)) {
            for (ZelvoButton *b : dialog->buttons()) {
                if (ZelvoStandardButtons::isAcceptRole(dialog->buttonRole(b))) {
                    button = b;
                    break;
                }
            }
            if (!button) {
                reply(failure(QStringLiteral("the message box has no accepting button")));
                return;
            }
        } else {
            reply(ok());
            later(this, [target]() {
                if (target)
                    target->accept();
            });
            return;
        }
    } else if (const ZelvoStandardButtons::Info *info = ZelvoStandardButtons::findByName(name)) {
        button = dialog->button(info->button);
        if (!button && info->button == QMessageBox::Cancel) {
            reply(ok());
            later(this, [target]() {
                if (target)
                    target->reject();
            });
            return;
        }
        if (!button) {
            reply(failure(QStringLiteral("the %1 has no %2 button")
                              .arg(qobject_cast<ZelvoMessageBox *>(dialog) ? QStringLiteral("message box")
                                                                           : QStringLiteral("dialog"),
                                   name)));
            return;
        }
    } else {
        reply(failure(QStringLiteral("unknown answer \"%1\"").arg(name)));
        return;
    }
    QString error;
    if (!ZelvoWidgetInspector::prepareClick(button, &error)) {
        reply(failure(QStringLiteral("cannot press %1: %2").arg(name, error)));
        return;
    }
    reply(ok());
    QPointer<ZelvoButton> pressed(button);
    later(this, [pressed]() {
        if (pressed)
            ZelvoWidgetInspector::tap(pressed);
    });
}

void ZelvoAutomationCommands::type(const QJsonObject &request, const Reply &reply)
{
    const QString name = request.value(QStringLiteral("objectName")).toString();
    if (!request.value(QStringLiteral("text")).isString()) {
        reply(failure(QStringLiteral("type needs \"objectName\" and \"text\"")));
        return;
    }
    const ZelvoWidgetInspector::Found found = ZelvoWidgetInspector::findByObjectName(name);
    auto *edit = qobject_cast<ZelvoTextEdit *>(found.widget);
    if (!edit) {
        reply(failure(found.widget ? QStringLiteral("\"%1\" is not a text field").arg(name)
                                   : QStringLiteral("no visible text field \"%1\"").arg(name)));
        return;
    }
    if (edit->isReadOnly() || !edit->isEnabled()) {
        reply(failure(QStringLiteral("the text field \"%1\" does not take input").arg(name)));
        return;
    }
    edit->setText(request.value(QStringLiteral("text")).toString());
    reply(ok());
}

void ZelvoAutomationCommands::wait(const QJsonObject &request, const Reply &reply)
{
    const bool byName = request.contains(QStringLiteral("objectName"));
    const QString wanted = byName ? request.value(QStringLiteral("objectName")).toString()
                                  : request.value(QStringLiteral("text")).toString();
    if (wanted.isEmpty()) {
        reply(failure(QStringLiteral("wait needs \"objectName\" (or \"text\")")));
        return;
    }
    int timeout = request.value(QStringLiteral("timeout_ms")).toInt(defaultWaitMs);
    timeout = qBound(0, timeout, longestWaitMs);

    auto look = [byName, wanted]() {
        return byName ? ZelvoWidgetInspector::findByObjectName(wanted) : ZelvoWidgetInspector::findByText(wanted);
    };
    const ZelvoWidgetInspector::Found now = look();
    if (now.widget) {
        reply(ok(ZelvoWidgetInspector::describe(now)));
        return;
    }
    auto *timer = new QTimer(this);
    auto *clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(pollMs);
    connect(timer, &QTimer::timeout, this, [timer, clock, look, reply, timeout, wanted]() {
        const ZelvoWidgetInspector::Found found = look();
        if (found.widget) {
            reply(ok(ZelvoWidgetInspector::describe(found)));
        } else if (clock->elapsed() >= timeout) {
            reply(failure(QStringLiteral("timed out after %1 ms waiting for \"%2\"").arg(timeout).arg(wanted)));
        } else {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
    });
    timer->start();
}

void ZelvoAutomationCommands::screenshot(const QJsonObject &request, const Reply &reply)
{
    const QString path = request.value(QStringLiteral("path")).toString();
    if (path.isEmpty()) {
        reply(failure(QStringLiteral("screenshot needs \"path\"")));
        return;
    }
    ZelvoApplicationWindow *window = ZelvoWidgetInspector::window();
    if (!window) {
        reply(failure(QStringLiteral("the application has no window")));
        return;
    }
    if (!window->saveScreenshot(path)) {
        reply(failure(QStringLiteral("could not write %1").arg(path)));
        return;
    }
    QJsonObject result;
    result.insert(QStringLiteral("path"), QFileInfo(path).absoluteFilePath());
    result.insert(QStringLiteral("width"), window->sceneSize().width());
    result.insert(QStringLiteral("height"), window->sceneSize().height());
    reply(ok(result));
}
