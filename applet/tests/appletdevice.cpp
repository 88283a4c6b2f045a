#include "appletdevice.h"

#include <certificateitem.h>
#include <trustkeepclient.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

const char AppletDevice::rootName[] = "Applet Root CA";
const char AppletDevice::intermediateName[] = "Applet Intermediate CA";
const char AppletDevice::keyHolderName[] = "Key Holder";
const char AppletDevice::plainName[] = "Plain Certificate";
const char AppletDevice::serverName[] = "server.applet.test";
const char AppletDevice::importLeafName[] = "Import Leaf";
const char AppletDevice::importCaName[] = "Import CA";

namespace {

CertificateFactory::Options named(const char *name)
{
    CertificateFactory::Options options;
    options.commonName = QString::fromUtf8(name);
    return options;
}

} // namespace

bool AppletDevice::setUp(QString *error)
{
    if (!root.isValid() || !bus.isRunning()) {
        *error = QStringLiteral("no device root or bus: ") + bus.errorString();
        return false;
    }
    const auto rootCa = CertificateFactory::makeCa(QString::fromUtf8(rootName));
    CertificateFactory::Options intermediateOptions = named(intermediateName);
    intermediateOptions.isCa = true;
    const auto intermediate = CertificateFactory::makeIssued(intermediateOptions, rootCa);
    const auto keyHolder = CertificateFactory::makeIssued(named(keyHolderName), intermediate);
    const auto plain = CertificateFactory::makeSelfSigned(named(plainName));
    const auto server = CertificateFactory::makeSelfSigned(named(serverName));
    const auto importCa = CertificateFactory::makeCa(QString::fromUtf8(importCaName));
    const auto importLeaf = CertificateFactory::makeIssued(named(importLeafName), importCa);
    for (const auto *made : { &rootCa, &intermediate, &keyHolder, &plain, &server, &importCa, &importLeaf }) {
        if (made->isNull()) {
            *error = QStringLiteral("OpenSSL could not make the certificates");
            return false;
        }
    }
    if (!root.addSharedCertificate(QStringLiteral("common-ca"), rootCa.certificate.data())) {
        *error = QStringLiteral("could not put the root certificate into common-ca");
        return false;
    }
    QList<X509Ptr> bundle;
    bundle << X509Ptr(X509_dup(importLeaf.certificate.data())) << X509Ptr(X509_dup(importCa.certificate.data()));
    if (!CertificateFactory::writeFile(importFile(), CertificateFactory::toPemBundle(bundle))) {
        *error = QStringLiteral("could not write ") + importFile();
        return false;
    }
    return addTrustRecord(server, error) && install(intermediate, false, QStringLiteral("ssl-ca"), error)
        && install(keyHolder, true, QStringLiteral("ssl-user"), error)
        && install(plain, false, QStringLiteral("wifi-user"), error);
}

QString AppletDevice::importFile() const
{
    return root.home() + QStringLiteral("/certificates/import.pem");
}

// The service's own install: the serialized item, with its key and the
// preference "no action" when it has one.
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
    if (!item.serialize(image)) {
        *error = QStringLiteral("could not serialize ") + item.commonName;
        return false;
    }
    TrustkeepClient service(QLatin1String(PrivateBus::serviceName), QStringLiteral("/request"), bus.connection());
    service.setTimeout(60000);
    QDBusPendingReply<bool> reply =
        service.InstallCertificateToDomains(QString::fromLatin1(image.toBase64()), QStringList(domain));
    reply.waitForFinished();
    if (reply.isError() || !reply.value()) {
        *error = QStringLiteral("installing %1 failed: %2").arg(item.commonName, reply.error().message());
        return false;
    }
    return true;
}

bool AppletDevice::addTrustRecord(const CertificateFactory::Issued &material, QString *error)
{
    const QString connection = QStringLiteral("appletdevice");
    bool added = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        QSqlQuery query(db);
        added = db.open()
            && query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS certificates (id integer PRIMARY KEY, "
                                         "subject_cn varchar NOT NULL, installed boolean, trust_type tinyint "
                                         "DEFAULT 0, trust_ends datetime, der_dump)"))
            && query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, der_dump) "
                                            "VALUES (?, 1, 1, ?)"));
        if (added) {
            query.addBindValue(QString::fromUtf8(serverName));
            query.addBindValue(CertificateFactory::toDer(material.certificate.data()));
            added = query.exec();
        }
        if (!added)
            *error = QStringLiteral("trust record: ") + query.lastError().text() + db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return added;
}
