// Drives the service's CheckCertificate and InstallCertificateToDomains from
// argument text to the store and the trust database, in process, against a
// temporary device root. A question the call raises (a page or a dialog) is
// answered at once by going back or cancelling, so every call returns.
//
// Input: the first byte chooses the method and whether the rest is argument
// text as a client would send it or raw bytes that are Base64-encoded first
// (so mutations land in the DER or serialized image itself). The rest is
// split at the first newline: the certificate argument, then the domain
// names, one per line.
#include "dbusservice.h"
#include "trustdatabase.h"

#include <bastra_certman.h>
#include <zelvoapplication.h>
#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>
#include <zelvodialog.h>
#include <zelvolocale.h>

#include <QByteArray>
#include <QDir>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QList>
#include <QMetaObject>
#include <QSqlQuery>
#include <QStringList>
#include <QTimer>
#include <QVariant>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

ZelvoApplicationWindow *window = nullptr;
DBusService *service = nullptr;
char deviceRoot[] = "/tmp/trustkeep-fuzz-XXXXXX";

// Answers whatever the call is waiting for: cancels running dialogs and
// goes back from pages on display.
void answerQuestions()
{
    if (!window || !window->scene())
        return;
    const QList<QGraphicsItem *> items = window->scene()->items();
    for (QGraphicsItem *item : items) {
        QGraphicsObject *object = item->toGraphicsObject();
        if (auto *dialog = qobject_cast<ZelvoDialog *>(object)) {
            if (dialog->isRunning())
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        } else if (auto *page = qobject_cast<ZelvoApplicationPage *>(object)) {
            if (page->isOnDisplay())
                QMetaObject::invokeMethod(page, "backButtonClicked", Qt::QueuedConnection);
        }
    }
}

void removeDeviceRoot()
{
    QDir(QString::fromLocal8Bit(deviceRoot)).removeRecursively();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    if (!::mkdtemp(deviceRoot))
        std::abort();
    std::atexit(removeDeviceRoot);
    ::setenv("TRUSTKEEP_DEVICE_ROOT", deviceRoot, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!QDir(QString::fromLocal8Bit(deviceRoot)).mkpath(QStringLiteral("home/user/private")))
        std::abort();

    bastra_certman_open(nullptr);
    QString error;
    if (TrustDatabase::open(&error) != TrustDatabase::Ready)
        std::abort();
    TrustDatabase::createSubjectIndex(&error);

    static ZelvoApplication *application = new ZelvoApplication(*argc, *argv, QStringLiteral("trustkeep_dbus"));
    // The catalogs, as the program installs them, so pages get their texts.
    static ZelvoLocale *locale = new ZelvoLocale;
    locale->installTrCatalog(QStringLiteral("common"));
    locale->installTrCatalog(QStringLiteral("certificatemanager"));
    locale->installTrCatalog(QStringLiteral("plixcontrolpanel-trustpanel"));
    ZelvoLocale::setDefault(*locale);
    window = new ZelvoApplicationWindow;
    window->setPortraitOrientation();
    service = new DBusService(application);

    // Runs in every local event loop a call starts.
    auto *answering = new QTimer(application);
    answering->setInterval(0);
    QObject::connect(answering, &QTimer::timeout, answerQuestions);
    answering->start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool install = data[0] & 1;
    const bool rawImage = data[0] & 2;
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));

    const int newline = rest.indexOf('\n');
    QByteArray certificate = newline < 0 ? rest : rest.left(newline);
    QStringList domains;
    if (newline >= 0) {
        for (const QByteArray &line : rest.mid(newline + 1).split('\n'))
            domains << QString::fromUtf8(line);
    }
    if (rawImage)
        certificate = certificate.toBase64();
    const QString argument = QString::fromUtf8(certificate);

    if (install)
        (void)service->InstallCertificateToDomains(argument, domains);
    else
        (void)service->CheckCertificate(argument);
    return 0;
}
