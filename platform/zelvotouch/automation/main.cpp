// zelvo-automation: drives a Zelvo Touch program through its automation socket.
//
//   zelvo-automation [--socket PATH] [--timeout MS] COMMAND [ARGS]
//
//   widgets                       visible widgets of the top page and what is above it
//   pages                         window visibility and the page stack
//   click OBJECTNAME              tap a widget by object name
//   click --text TEXT             tap a widget by its text
//   back                          the back button
//   answer Yes|No|Ok|Accept|Cancel
//   type OBJECTNAME TEXT          fill a text field
//   wait OBJECTNAME [TIMEOUT_MS]  until such a widget is visible
//   screenshot PATH               the window as PNG
//   send JSON                     any request, as one JSON object
//
// The reply is printed as JSON. Exit status: 0 ok, 1 the program said no,
// 2 bad usage or no connection.

#include "zelvoautomationclient.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace {

int usage(QTextStream &err)
{
    err << "usage: zelvo-automation [--socket PATH] [--timeout MS] COMMAND [ARGS]\n"
           "commands: widgets | pages | click OBJECTNAME | click --text TEXT | back |\n"
           "          answer Yes|No|Ok|Accept|Cancel | type OBJECTNAME TEXT |\n"
           "          wait OBJECTNAME [TIMEOUT_MS] | screenshot PATH | send JSON\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);

    QString socket;
    int timeout = 30000;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (args.isEmpty())
            return usage(err);
        if (option == QLatin1String("--socket")) {
            socket = args.takeFirst();
        } else if (option == QLatin1String("--timeout")) {
            bool ok = false;
            timeout = args.takeFirst().toInt(&ok);
            if (!ok || timeout <= 0)
                return usage(err);
        } else {
            return usage(err);
        }
    }
    if (args.isEmpty())
        return usage(err);

    const QString command = args.takeFirst();
    QJsonObject request{ { QStringLiteral("cmd"), command } };
    int replyTimeout = timeout;
    if (command == QLatin1String("widgets") || command == QLatin1String("pages") || command == QLatin1String("back")) {
        if (!args.isEmpty())
            return usage(err);
    } else if (command == QLatin1String("click")) {
        if (args.size() == 1)
            request.insert(QStringLiteral("objectName"), args.at(0));
        else if (args.size() == 2 && args.at(0) == QLatin1String("--text"))
            request.insert(QStringLiteral("text"), args.at(1));
        else
            return usage(err);
    } else if (command == QLatin1String("answer")) {
        if (args.size() != 1)
            return usage(err);
        request.insert(QStringLiteral("button"), args.at(0));
    } else if (command == QLatin1String("type")) {
        if (args.size() != 2)
            return usage(err);
        request.insert(QStringLiteral("objectName"), args.at(0));
        request.insert(QStringLiteral("text"), args.at(1));
    } else if (command == QLatin1String("wait")) {
        if (args.isEmpty() || args.size() > 2)
            return usage(err);
        request.insert(QStringLiteral("objectName"), args.at(0));
        int waitMs = 5000;
        if (args.size() == 2) {
            bool ok = false;
            waitMs = args.at(1).toInt(&ok);
            if (!ok || waitMs < 0)
                return usage(err);
        }
        request.insert(QStringLiteral("timeout_ms"), waitMs);
        replyTimeout = qMax(timeout, waitMs + 5000);
    } else if (command == QLatin1String("screenshot")) {
        if (args.size() != 1)
            return usage(err);
        request.insert(QStringLiteral("path"), QFileInfo(args.at(0)).absoluteFilePath());
    } else if (command == QLatin1String("send")) {
        if (args.size() != 1)
            return usage(err);
        const QJsonDocument doc = QJsonDocument::fromJson(args.at(0).toUtf8());
        if (!doc.isObject()) {
            err << "zelvo-automation: the request is not a JSON object\n";
            return 2;
        }
        request = doc.object();
    } else {
        return usage(err);
    }

    ZelvoAutomationClient client(socket);
    if (client.socketPath().isEmpty()) {
        err << "zelvo-automation: no socket given (--socket or ZELVO_AUTOMATION_SOCKET)\n";
        return 2;
    }
    if (!client.connectToServer(timeout)) {
        err << "zelvo-automation: " << client.lastError() << "\n";
        return 2;
    }
    const QJsonObject reply = client.send(request, replyTimeout);
    out << QJsonDocument(reply).toJson(QJsonDocument::Indented);
    return reply.value(QStringLiteral("ok")).toBool() ? 0 : 1;
}
