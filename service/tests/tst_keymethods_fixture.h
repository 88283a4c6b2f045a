#ifndef TRUSTKEEP_TST_KEYMETHODS_FIXTURE_H
#define TRUSTKEEP_TST_KEYMETHODS_FIXTURE_H

// What the key and domain tests share: an emulated device with its own
// private bus on which trustkeep is started on demand (bus activation, as a
// client would meet it), the automation endpoint to answer its dialogs, and
// direct looks into the trust database and the certificate store to check
// what a call changed.

#include "certificatefactory.h"
#include "privatebus.h"
#include "temporarydeviceroot.h"

#include <bastra_certman.h>
#include <bastra_crypto.h>
#include <certificateitem.h>
#include <zelvoautomationclient.h>

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <openssl/x509.h>

// A certificate with its private key, and the forms the service takes it in.
struct KeyMaterial {
    IssuedCertificate made;
    QString keyId;   // the store's textual key id

    static KeyMaterial make(const QString &commonName, bool isCa = false)
    {
        CertificateFactory::Options options;
        options.commonName = commonName;
        options.isCa = isCa;
        KeyMaterial material;
        material.made = CertificateFactory::makeSelfSigned(options);
        bastra_key_id id;
        char text[BASTRA_KEY_ID_TEXT_SIZE];
        if (!material.made.isNull() && bastra_certman_get_cert_key_id(material.made.certificate.data(), &id) == 0
            && bastra_certman_key_id_to_str(&id, text, sizeof text) == 0)
            material.keyId = QString::fromLatin1(text);
        return material;
    }

    bool isNull() const { return made.isNull() || keyId.isEmpty(); }
    X509 *certificate() const { return made.certificate.data(); }

    // Base64 of the DER certificate alone.
    QString derText() const { return QString::fromLatin1(CertificateFactory::toDer(certificate()).toBase64()); }

    // Base64 of a serialized item: the certificate, its purposes before the
    // request, and (withKey) the private key with the preference.
    QString itemText(int preference, const QStringList &purposes = QStringList(), bool withKey = true) const
    {
        CertificateItem item;
        if (!item.setCertificate(certificate()))
            return QString();
        if (withKey && !item.setPrivateKey(made.key.data()))
            return QString();
        item.authPreference = preference;
        item.purposes = purposes;
        QByteArray image;
        if (!item.serialize(image))
            return QString();
        return QString::fromLatin1(image.toBase64());
    }

    // The key's DER image as the service hands it out.
    QByteArray privateDer() const
    {
        unsigned char *buffer = nullptr;
        const int length = i2d_PrivateKey(made.key.data(), &buffer);
        QByteArray der(reinterpret_cast<const char *>(buffer), qMax(0, length));
        OPENSSL_free(buffer);
        return der;
    }
};

// One row of the keys table as the test reads it.
struct KeyRow {
    bool exists = false;
    int preference = -1;
    QString cn;
    QString domains;
    QByteArray der;
};

class KeyServiceFixture
{
public:
    static QString serviceName() { return QLatin1String(PrivateBus::serviceName); }

    TemporaryDeviceRoot root;
    PrivateBus bus;

    // extraPolicy: bus policy after the shipped one (see PrivateBus).
    explicit KeyServiceFixture(const QString &extraPolicy = QString())
        : bus(root.path(), extraPolicy)
        , m_connectionName(QStringLiteral("keys-test-%1").arg(quintptr(this)))
    {
    }
    ~KeyServiceFixture()
    {
        { QSqlDatabase::database(m_connectionName, false).close(); }
        QSqlDatabase::removeDatabase(m_connectionName);
    }

    bool isReady() const { return root.isValid() && bus.isRunning(); }
    QString socket() const { return bus.automationSocket(); }

    // A blocking call. The service ends two seconds after its last call; a
    // call that meets it just then is lost with it, so one such failure is
    // retried (the retry starts a new service).
    QDBusMessage call(const QString &method, const QVariantList &arguments, int timeoutMs = 60000)
    {
        QDBusMessage reply;
        for (int attempt = 0; attempt < 2; ++attempt) {
            reply = bus.connection().call(message(method, arguments), QDBus::Block, timeoutMs);
            if (reply.type() == QDBusMessage::ReplyMessage)
                break;
        }
        return reply;
    }

    // A call that waits for the user. A held call just before it makes sure
    // a service is up and two fresh seconds away from its end.
    QDBusPendingCall callAsync(const QString &method, const QVariantList &arguments)
    {
        call(QStringLiteral("LoadCertificatesFromDomains"), { QStringList() });
        return bus.connection().asyncCall(message(method, arguments), 120000);
    }

    static bool finish(QDBusPendingCall &pending)
    {
        return QTest::qWaitFor([&] { return pending.isFinished(); }, 30000);
    }

    // --- the log of the services on the bus --------------------------------

    void markLog() { m_logMark = bus.daemonLog().size(); }
    QString logSinceMark() { return bus.daemonLog().mid(m_logMark); }
    // The trustkeep lines since the mark (the daemon's own are left out).
    QStringList serviceLogSinceMark()
    {
        QStringList lines;
        for (const QString &line : logSinceMark().split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.contains(QLatin1String("): ERROR ")))
                lines << line;
        }
        return lines;
    }
    bool waitForLog(const QString &text, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return logSinceMark().contains(text); }, timeoutMs);
    }

    // --- the user ------------------------------------------------------------
    // A new connection for each request: the service on the other end may
    // have ended and been started again since the last one.

    QJsonObject ui(const QJsonObject &request, int timeoutMs = 30000)
    {
        ZelvoAutomationClient client(socket());
        if (!client.connectToServer(15000))
            return QJsonObject{ { "ok", false }, { "error", client.lastError() } };
        return client.send(request, timeoutMs);
    }
    bool uiOk(const QJsonObject &request, int timeoutMs = 30000)
    {
        return ui(request, timeoutMs).value(QStringLiteral("ok")).toBool();
    }
    bool waitFor(const QString &objectName)
    {
        return uiOk({ { "cmd", "wait" }, { "objectName", objectName }, { "timeout_ms", 15000 } });
    }
    bool waitForText(const QString &text)
    {
        return uiOk({ { "cmd", "wait" }, { "text", text }, { "timeout_ms", 15000 } });
    }
    bool type(const QString &objectName, const QString &text)
    {
        return waitFor(objectName) && uiOk({ { "cmd", "type" }, { "objectName", objectName }, { "text", text } });
    }
    bool click(const QString &objectName)
    {
        return waitFor(objectName) && uiOk({ { "cmd", "click" }, { "objectName", objectName } });
    }
    bool back() { return uiOk({ { "cmd", "back" } }); }

    // Answers the new-password dialog (the same text twice).
    bool chooseNewPassword(const QString &password)
    {
        return type(QStringLiteral("newPasswordField"), password)
            && type(QStringLiteral("confirmPasswordField"), password) && click(QStringLiteral("acceptButton"));
    }
    bool enterPassword(const QString &password)
    {
        return type(QStringLiteral("currentPasswordField"), password) && click(QStringLiteral("acceptButton"));
    }

    // --- the trust database ----------------------------------------------------

    QSqlDatabase database()
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (!db.isValid()) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
            db.setDatabaseName(root.resolve(QStringLiteral("/home/user/private/trustkeep.db")));
        }
        if (!db.isOpen())
            db.open();
        return db;
    }

    KeyRow keyRow(const QString &keyId)
    {
        KeyRow row;
        QSqlQuery query(database());
        query.prepare(QStringLiteral("SELECT auth_preference, cn, domains, der_dump FROM keys WHERE id = ?"));
        query.addBindValue(keyId);
        if (query.exec() && query.next()) {
            row.exists = true;
            row.preference = query.value(0).toInt();
            row.cn = query.value(1).toString();
            row.domains = query.value(2).toString();
            row.der = query.value(3).toByteArray();
        }
        return row;
    }

    // A trust record as the server check would leave it. The service creates
    // the tables; a call first makes sure they exist.
    bool addServerCertificate(X509 *cert, const QString &subject)
    {
        call(QStringLiteral("GetPrivateKeyData"), { QString() });
        QSqlQuery query(database());
        query.prepare(QStringLiteral("INSERT INTO certificates (subject_cn, installed, trust_type, trust_ends, der_dump) "
                                     "VALUES (?, 1, 1, NULL, ?)"));
        query.addBindValue(subject);
        query.addBindValue(CertificateFactory::toDer(cert));
        return query.exec();
    }

    // --- the certificate store ---------------------------------------------------

    static bool domainHolds(const QString &domain, const KeyMaterial &material)
    {
        bastra_key_id id;
        if (bastra_certman_str_to_key_id(material.keyId.toLatin1().constData(), &id) != 0)
            return false;
        bastra_domain handle = nullptr;
        if (bastra_certman_open_domain(domain.toLatin1().constData(), 0, &handle) != 0)
            return false;
        X509 *found = nullptr;
        const int loaded = bastra_certman_load_cert(handle, &id, &found);
        bastra_certman_close_domain(handle);
        X509_free(found);
        return loaded == 0;
    }

    static bool addToDomain(const QString &domain, const KeyMaterial &material)
    {
        bastra_domain handle = nullptr;
        if (bastra_certman_open_domain(domain.toLatin1().constData(), 0, &handle) != 0)
            return false;
        const int added = bastra_certman_add_cert(handle, material.certificate());
        bastra_certman_close_domain(handle);
        return added == 0;
    }

    // What a holder of the token reads from GetPrivateKey's reply; empty
    // when it cannot be decrypted.
    static QByteArray decrypt(const QString &reply, const QString &token)
    {
        const QByteArray cipher = QByteArray::fromBase64(reply.toLatin1());
        unsigned char *clear = nullptr;
        size_t length = 0;
        if (bastra_crypto_decrypt(cipher.constData(), size_t(cipher.size()), token.toUtf8().constData(), &clear,
                                  &length) != 0)
            return QByteArray();
        const QByteArray result(reinterpret_cast<const char *>(clear), int(length));
        bastra_crypto_free(clear);
        return result;
    }

private:
    static QDBusMessage message(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), QStringLiteral("/request"),
                                                              serviceName(), method);
        message.setArguments(arguments);
        return message;
    }

    QString m_connectionName;
    int m_logMark = 0;
};

#endif
