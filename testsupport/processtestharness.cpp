#include "processtestharness.h"

#include <trustkeepservice.h>

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QStandardPaths>

#include <unistd.h>

namespace {

const int idleMs = 2000; // the service's idle time
// A service that answered less than this ago has most of its idle time left.
const int freshMs = idleMs / 3;

QString shimLibrary(const char *name)
{
    return qEnvironmentVariable("TRUSTKEEP_BUILD_DIR") + QStringLiteral("/lib/") + QLatin1String(name);
}

QStringList errorLines(const QStringList &lines)
{
    static const QRegularExpression logged(QStringLiteral("^\\w+\\(\\d+\\): ERROR "));
    return lines.filter(logged);
}

} // namespace

const char ProcessTestHarness::serviceApplication[] = "trustkeep_dbus";
const char ProcessTestHarness::installerApplication[] = "trustkeep";

ProcessTestHarness::ProcessTestHarness()
    : ProcessTestHarness(Options())
{
}

ProcessTestHarness::ProcessTestHarness(const Options &options)
    : m_options(options)
    , m_bus(new PrivateBus(m_root.path(), options.extraPolicy))
    , m_environment(m_bus->environment())
    , m_storeLog(m_root.resolve(QStringLiteral("/store-calls.log")))
{
    // The device's display would be used if the test's shell has one.
    m_environment.remove(QStringLiteral("DISPLAY"));
    if (m_options.perApplicationSockets)
        m_environment.insert(QStringLiteral("ZELVO_AUTOMATION_SOCKET"), automationSocket(QStringLiteral("%a")));
}

ProcessTestHarness::~ProcessTestHarness()
{
    dropConnections();
    m_database.reset();
    m_client.reset();
    m_programs.clear();
    m_services.clear();
}

bool ProcessTestHarness::isReady() const
{
    return m_root.isValid() && m_bus->isRunning();
}

QString ProcessTestHarness::errorString() const
{
    return m_root.isValid() ? m_bus->errorString() : QStringLiteral("no temporary device root");
}

void ProcessTestHarness::setEnvironment(const QString &name, const QString &value)
{
    m_environment.insert(name, value);
}

void ProcessTestHarness::addPreload(const QString &library)
{
    QStringList preload = m_environment.value(QStringLiteral("LD_PRELOAD")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!preload.contains(library))
        preload << library;
    m_environment.insert(QStringLiteral("LD_PRELOAD"), preload.join(QLatin1Char(' ')));
}

bool ProcessTestHarness::freezeClock(const QDateTime &moment)
{
    const QString shim = shimLibrary("libtrustkeepclockshim.so");
    if (!QFile::exists(shim))
        return false;
    addPreload(shim);
    m_environment.insert(QStringLiteral("TRUSTKEEP_TEST_CLOCK"), QString::number(moment.toMSecsSinceEpoch()));
    return waitForServiceEnd();
}

void ProcessTestHarness::recordStore()
{
    addPreload(shimLibrary("libcertstoreshim.so"));
    m_environment.insert(QStringLiteral("CERTSTORE_SHIM_LOG"), m_storeLog);
}

void ProcessTestHarness::refuseStoreRemoval(const QString &domain)
{
    recordStore();
    m_environment.insert(QStringLiteral("CERTSTORE_SHIM_REFUSE_RM"), domain);
}

QStringList ProcessTestHarness::storeCalls(const QString &operation) const
{
    QFile log(m_storeLog);
    if (!log.open(QIODevice::ReadOnly))
        return QStringList();
    QStringList calls;
    for (const QString &line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (operation.isEmpty() || line.startsWith(operation + QLatin1Char(' ')))
            calls << line;
    }
    return calls;
}

bool ProcessTestHarness::startService()
{
    if (!isReady())
        return false;
    dropConnections();
    m_client.reset();
    m_services.emplace_back(new TestProgram(m_environment));
    TestProgram &program = *m_services.back();
    program.start({ QStringLiteral("--dbus") });
    const QString name = QLatin1String(TrustkeepService::name);
    if (!program.waitForStarted())
        return false;
    // A service that cannot start ends at once; one that can owns the name.
    QDeadlineTimer deadline(30000);
    while (!m_bus->waitForName(name, true, 0)) {
        if (deadline.hasExpired() || program.waitForFinished(50))
            return false;
    }
    // Addressed to this process, so a call after its end cannot activate
    // another one behind the test's back.
    const QString owner = m_bus->connection().interface()->serviceOwner(name);
    if (owner.isEmpty())
        return false;
    m_client.reset(new TrustkeepClient(owner, QLatin1String(TrustkeepService::path), m_bus->connection()));
    // Calls may wait for the user, but a fault that hangs one must not hold
    // the test for long.
    m_client->setTimeout(60000);
    m_lastAnswer.start();
    return true;
}

bool ProcessTestHarness::serviceMayEndSoon()
{
    if (m_lastAnswer.isValid() && m_lastAnswer.elapsed() < freshMs)
        return false;
    // A call that waits for the user holds the service: its window shows.
    return !windowVisible(QLatin1String(serviceApplication));
}

TrustkeepClient &ProcessTestHarness::service()
{
    TestProgram *current = serviceProgram();
    const bool usable = m_client && current && current->isRunning() && !serviceMayEndSoon();
    if (!usable) {
        waitForServiceEnd();
        if (!startService() && !m_client) {
            // A client that answers every call with an error, so the test fails
            // on the reply instead of crashing.
            m_client.reset(new TrustkeepClient(QLatin1String(TrustkeepService::name),
                                               QLatin1String(TrustkeepService::path), m_bus->connection()));
        }
    }
    m_lastAnswer.start();
    return *m_client;
}

bool ProcessTestHarness::waitForServiceEnd(int timeoutMs)
{
    TestProgram *current = serviceProgram();
    if (!current || !current->isRunning())
        return true;
    return current->waitForFinished(timeoutMs);
}

bool ProcessTestHarness::servicesEndedCleanly()
{
    if (!waitForServiceEnd())
        return false;
    for (const auto &program : m_services) {
        if (program->exitCode() != 0)
            return false;
    }
    return true;
}

TestProgram &ProcessTestHarness::startProgram(const QStringList &arguments, const QString &program)
{
    // On the one shared socket the new program is the one ui() must reach.
    if (!m_options.perApplicationSockets)
        dropConnections();
    m_programs.emplace_back(new TestProgram(m_environment, program));
    m_programs.back()->start(arguments);
    return *m_programs.back();
}

QString ProcessTestHarness::automationSocket(const QString &application) const
{
    if (!m_options.perApplicationSockets)
        return m_bus->automationSocket();
    return m_root.resolve(QStringLiteral("/automation-") + application + QStringLiteral(".sock"));
}

ZelvoAutomationClient &ProcessTestHarness::ui(const QString &application)
{
    return connectedUi(application, 20000);
}

ZelvoAutomationClient &ProcessTestHarness::connectedUi(const QString &application, int timeoutMs)
{
    const QString key = m_options.perApplicationSockets ? application : QString();
    std::shared_ptr<ZelvoAutomationClient> &client = m_ui[key];
    if (!client)
        client.reset(new ZelvoAutomationClient(automationSocket(application)));
    if (!client->isConnected())
        client->connectToServer(timeoutMs);
    return *client;
}

void ProcessTestHarness::dropConnections()
{
    // A new program listens afresh; the old connections lead nowhere.
    for (const auto &client : qAsConst(m_ui))
        client->disconnectFromServer();
}

bool ProcessTestHarness::tap(const QString &objectName)
{
    return ui().waitFor(objectName, 15000) && ui().click(objectName);
}

bool ProcessTestHarness::type(const QString &objectName, const QString &text)
{
    return ui().waitFor(objectName, 15000) && ui().type(objectName, text);
}

bool ProcessTestHarness::chooseNewPassword(const QString &password)
{
    return type(QStringLiteral("newPasswordField"), password) && type(QStringLiteral("confirmPasswordField"), password)
        && tap(QStringLiteral("acceptButton"));
}

bool ProcessTestHarness::enterPassword(const QString &password)
{
    return type(QStringLiteral("currentPasswordField"), password) && tap(QStringLiteral("acceptButton"));
}

int ProcessTestHarness::pageCount(const QString &application)
{
    const QJsonObject reply = ui(application).pages();
    if (!reply.value(QStringLiteral("ok")).toBool())
        return -1;
    return reply.value(QStringLiteral("pages")).toArray().size();
}

bool ProcessTestHarness::waitForPages(int count, const QString &application)
{
    return QTest::qWaitFor([&] { return pageCount(application) == count; }, 15000);
}

bool ProcessTestHarness::windowVisible(const QString &application)
{
    // A program on its way out answers nothing: asked briefly.
    ZelvoAutomationClient &client = connectedUi(application, 2000);
    return client.isConnected() && client.pages().value(QStringLiteral("visible")).toBool();
}

QString ProcessTestHarness::topPageName(const QString &application)
{
    const QJsonArray pages = ui(application).pages().value(QStringLiteral("pages")).toArray();
    return pages.isEmpty() ? QString() : pages.last().toObject().value(QStringLiteral("objectName")).toString();
}

QJsonObject ProcessTestHarness::widget(const QString &objectName, const QString &application)
{
    return ZelvoAutomationClient::findWidget(ui(application).widgets(), objectName);
}

QStringList ProcessTestHarness::visibleNames(const QString &application)
{
    QStringList names;
    for (const QJsonValue &value : ui(application).widgets().value(QStringLiteral("widgets")).toArray()) {
        const QString name = value.toObject().value(QStringLiteral("objectName")).toString();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

TrustDatabaseReader &ProcessTestHarness::database()
{
    if (!m_database) {
        const QString path = m_root.resolve(QStringLiteral("/home/user/private/trustkeep.db"));
        if (!QFile::exists(path))
            startService();
        m_database.reset(new TrustDatabaseReader(path));
    }
    return *m_database;
}

QStringList ProcessTestHarness::logLines()
{
    QStringList lines;
    for (const auto &program : m_services)
        lines += errorLines(program->logLines());
    for (const auto &program : m_programs)
        lines += errorLines(program->logLines());
    lines += errorLines(m_bus->daemonLog().split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    return lines;
}

QString ProcessTestHarness::allOutput()
{
    QStringList lines;
    for (const auto *list : { &m_services, &m_programs }) {
        for (const auto &program : *list)
            lines += program->logLines() << QStringLiteral("(exit %1)").arg(program->exitCode());
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n') + m_bus->daemonLog();
}

void ProcessTestHarness::markLog()
{
    m_logMark = logLines().size();
}

QStringList ProcessTestHarness::logSinceMark()
{
    return logLines().mid(m_logMark);
}

bool ProcessTestHarness::waitForLog(const QString &text, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !logSinceMark().filter(text).isEmpty(); }, timeoutMs);
}

bool ProcessTestHarness::otherUserAvailable()
{
    return geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

ProcessTestHarness::OtherUserResult ProcessTestHarness::runAsOtherUser(const QStringList &command, uint uid)
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(QStringLiteral("setpriv"),
                  QStringList{ QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(uid),
                               QStringLiteral("--clear-groups") }
                      + command);
    OtherUserResult result;
    const bool finished = process.waitForFinished(60000);
    result.output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    result.succeeded = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return result;
}

ProcessTestHarness::OtherUserResult ProcessTestHarness::callAsOtherUser(const QString &method,
                                                                        const QStringList &arguments, uint uid)
{
    const QString name = QLatin1String(TrustkeepService::name);
    return runAsOtherUser(QStringList{ QStringLiteral("gdbus"), QStringLiteral("call"), QStringLiteral("--system"),
                                       QStringLiteral("--dest"), name, QStringLiteral("--object-path"),
                                       QLatin1String(TrustkeepService::path), QStringLiteral("--method"),
                                       QLatin1String(TrustkeepService::interface) + QLatin1Char('.') + method }
                              + arguments,
                          uid);
}
