#include "loadclients.h"

#include <QAtomicInt>
#include <QThread>

#include <memory>
#include <vector>

namespace {

class LoadClient : public QThread
{
public:
    LoadClient(const QString &address, int number, int calls,
               const std::function<bool(QDBusConnection &, int)> &oneCall, QAtomicInt &failures)
        : m_address(address)
        , m_name(QStringLiteral("bench-client-%1").arg(number))
        , m_number(number)
        , m_calls(calls)
        , m_oneCall(oneCall)
        , m_failures(failures)
    {
    }
    ~LoadClient() override { QDBusConnection::disconnectFromBus(m_name); }

protected:
    void run() override
    {
        QDBusConnection connection = QDBusConnection::connectToBus(m_address, m_name);
        for (int i = 0; i < m_calls; ++i) {
            if (!connection.isConnected() || !m_oneCall(connection, m_number + i))
                m_failures.ref();
        }
    }

private:
    QString m_address;
    QString m_name;
    int m_number;
    int m_calls;
    const std::function<bool(QDBusConnection &, int)> &m_oneCall;
    QAtomicInt &m_failures;
};

} // namespace

int runLoadClients(const QString &busAddress, int clients, int callsPerClient,
                   const std::function<bool(QDBusConnection &, int)> &oneCall)
{
    QAtomicInt failures(0);
    std::vector<std::unique_ptr<LoadClient>> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(new LoadClient(busAddress, i, callsPerClient, oneCall, failures));
    for (auto &thread : threads)
        thread->start();
    for (auto &thread : threads)
        thread->wait();
    return failures.loadAcquire();
}
