#include "appletdevice.h"

#include <certificateitem.h>
#include <trustkeepclient.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

CertificateFactory::Options named(const char *name, bool isCa = false)
{
    CertificateFactory::Options options;
    options.commonName = QString::fromUtf8(name);
    options.isCa = isCa;
    return options;
}

} // namespace

bool AppletDevice::setUp(QString *error)
{
    *error = bus.errorString();
    if (!root.isValid() || !bus.isRunning())
        return false;
    const auto rootCa = CertificateFactory::makeCa(QString::fromUtf8(rootName));
    const auto intermediate = CertificateFactory::makeIssued(named(intermediateName, true), rootCa);
    const auto importCa = CertificateFactory::makeCa(QStringLiteral("Import CA"));
    const auto importLeaf = CertificateFactory::makeIssued(named(importLeafName), importCa);
    *error = QStringLiteral("could not place the root certificate or the file to import");
    return root.addSharedCertificate(QStringLiteral("common-ca"), rootCa.certificate.data())
        && CertificateFactory::writeFile(
               importFile(), CertificateFactory::toPemBundle({ importLeaf.certificate, importCa.certificate }))
        && addTrustRecord(CertificateFactory::makeSelfSigned(named(serverName)), error)
        && install(intermediate, false, QStringLiteral("ssl-ca"), error)
        && install(CertificateFactory::makeIssued(named(keyHolderName), intermediate), true, QStringLiteral("ssl-user"),
                   error)
        && install(CertificateFactory::makeSelfSigned(named(plainName)), false, QStringLiteral("wifi-user"), error);
}

// The serialized item, with its key under the preference "no action".
bool AppletDevice::install(const CertificateFactory::Issued &material, bool withKey, const QString &domain,
                           QString *error)
{
    CertificateItem item;
    item.setCertificate(material.certificate.data());
    if (withKey) {
        item.setPrivateKey(material.key.data());
        item.authPreference = 0;
    }
    QByteArray image;
    item.serialize(image);
    TrustkeepClient service(QLatin1String(PrivateBus::serviceName), QStringLiteral("/request"), bus.connection());
    service.setTimeout(60000);
    QDBusPendingReply<bool> reply =
        service.InstallCertificateToDomains(QString::fromLatin1(image.toBase64()), { domain });
    reply.waitForFinished();
    *error = QStringLiteral("installing %1 failed: %2").arg(item.commonName, reply.error().message());
    return !reply.isError() && reply.value();
}

// A trust record for good, as the service writes one.
bool AppletDevice::addTrustRecord(const CertificateFactory::Issued &material, QString *error)
{
    bool added = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("appletdevice"));
        db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        QSqlQuery query(db);
        added = db.open()
            && query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS certificates (id integer PRIMARY KEY, subject_cn "
                                         "varchar NOT NULL, installed boolean, trust_type tinyint DEFAULT 0, "
                                         "trust_ends datetime, der_dump)"))
            && query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                            "VALUES (?, 1, 1, ?)"));
        query.addBindValue(QString::fromUtf8(serverName));
        query.addBindValue(CertificateFactory::toDer(material.certificate.data()));
        added = added && query.exec();
        *error = QStringLiteral("trust record: ") + query.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("appletdevice"));
    return added;
}
