#include "temporarydeviceroot.h"

#include "certificatefactory.h"

#include <bastra_certman.h>

#include <QDir>

namespace {
const char rootVariable[] = "TRUSTKEEP_DEVICE_ROOT";
}

TemporaryDeviceRoot::TemporaryDeviceRoot()
    : m_dir(QDir::tempPath() + QStringLiteral("/trustkeep-device-XXXXXX"))
{
    m_hadPreviousRoot = qEnvironmentVariableIsSet(rootVariable);
    m_previousRoot = qgetenv(rootVariable);
    // Without a root of its own a test would work on the machine's real paths.
    if (!m_dir.isValid() || !QDir().mkpath(resolve(QStringLiteral("/home/user/private"))))
        qFatal("temporary device root: could not make %s", qPrintable(m_dir.path()));
    qputenv(rootVariable, QFile::encodeName(m_dir.path()));
}

TemporaryDeviceRoot::~TemporaryDeviceRoot()
{
    if (m_hadPreviousRoot)
        qputenv(rootVariable, m_previousRoot);
    else
        qunsetenv(rootVariable);
}

bool TemporaryDeviceRoot::isValid() const
{
    return m_dir.isValid() && QDir(resolve(QStringLiteral("/home/user/private"))).exists();
}

QString TemporaryDeviceRoot::path() const
{
    return m_dir.path();
}

QString TemporaryDeviceRoot::resolve(const QString &devicePath) const
{
    return m_dir.path() + devicePath;
}

QString TemporaryDeviceRoot::home() const
{
    return resolve(QStringLiteral("/home/user"));
}

QString TemporaryDeviceRoot::privateDomainFolder(const QString &domain) const
{
    return resolve(QStringLiteral("/home/user/.bastra-certs/")) + domain;
}

QString TemporaryDeviceRoot::sharedDomainFolder(const QString &domain) const
{
    return resolve(QStringLiteral("/etc/bastra-certs/")) + domain;
}

QString TemporaryDeviceRoot::keyFolder() const
{
    return resolve(QStringLiteral("/home/user/.bastra-certs/.keys"));
}

QProcessEnvironment TemporaryDeviceRoot::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(rootVariable), m_dir.path());
    return environment;
}

bool TemporaryDeviceRoot::addSharedDomain(const QString &domain)
{
    return QDir().mkpath(sharedDomainFolder(domain));
}

bool TemporaryDeviceRoot::addSharedCertificate(const QString &domain, X509 *cert)
{
    bastra_key_id keyId;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (!cert || bastra_certman_get_cert_key_id(cert, &keyId) != 0
        || bastra_certman_key_id_to_str(&keyId, text, sizeof text) != 0)
        return false;
    const QByteArray der = CertificateFactory::toDer(cert);
    return !der.isEmpty()
        && CertificateFactory::writeFile(sharedDomainFolder(domain) + QLatin1Char('/') + QLatin1String(text), der);
}
