// TrustPanel's slots that change certificates: purposes and preference from
// the settings page, a key's preference and password, and deletion. They log
// under the applet's name.
#define TK_LOG_SOURCE "trustpanel"
#include "trustpanel.h"

#include "certificatedeletion.h"
#include "certificatedetailsdialog.h"
#include "certificatesettingsdialog.h"
#include "certificateslistwidget.h"
#include "keypasswordprompts.h"
#include "preferencemove.h"
#include "settingschangeplan.h"

#include <bastra_crypto.h>
#include <certificateitem.h>
#include <certificatepassworddialog.h>
#include <log.h>
#include <trustkeepservice.h>
#include <validityscreening.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobanner.h>
#include <zelvomessagebox.h>

#include <memory>

namespace {

// Installing may ask the user for a key's password in the service's window,
// and a password change always does: the call waits that long.
const int userAnswerTimeout = 40000;

void showBanner(const QString &title, const QString &objectName = QString())
{
    ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
    if (!window)
        return;
    auto *banner = new ZelvoBanner;
    banner->setStyleName(QStringLiteral("InformationBanner"));
    banner->setObjectName(objectName);
    banner->setTitle(title);
    banner->appear(window, ZelvoSceneWindow::DestroyWhenDone);
}

std::unique_ptr<TrustkeepClient> serviceClient()
{
    return std::make_unique<TrustkeepClient>(QLatin1String(TrustkeepService::name),
                                             QLatin1String(TrustkeepService::path), QDBusConnection::systemBus());
}

// Waits for the reply; false, logged under the operation, for a D-Bus error
// (an absent service and a timeout included) and for a false reply.
bool succeeded(QDBusPendingReply<bool> reply, const char *operation, const char *falseMessage)
{
    reply.waitForFinished();
    if (reply.isError()) {
        TK_LOG_ERROR("%s: dbus error: %s", operation, reply.error().message().toUtf8().constData());
        return false;
    }
    if (!reply.value()) {
        TK_LOG_ERROR("%s: %s", operation, falseMessage);
        return false;
    }
    return true;
}

// Has the service put the certificate into exactly these domains (its key
// with it) and take it out of the others it was in.
bool installToDomains(const CertificateItem &item, const QStringList &domains)
{
    QByteArray image;
    if (!item.serialize(image)) {
        TK_LOG_ERROR("%s: could not serialize the certificate", "settingsChanged");
        return false;
    }
    char *text = base64_encode(reinterpret_cast<const unsigned char *>(image.constData()), size_t(image.size()));
    if (!text) {
        TK_LOG_ERROR("%s: base64 encoding failed", "settingsChanged");
        return false;
    }
    const QString encoded = QString::fromLatin1(text);
    bastra_crypto_free(text);
    std::unique_ptr<TrustkeepClient> service = serviceClient();
    service->setTimeout(userAnswerTimeout);
    return succeeded(service->InstallCertificateToDomains(encoded, domains), "settingsChanged", "insert failed");
}

// The password questions of a key move, as dialogs named after the
// certificate, and its notices as banners.
class DialogPrompts : public KeyPasswordPrompts
{
public:
    explicit DialogPrompts(const QString &name)
        : m_current(CertificatePasswordDialog::CurrentPassword, name, CertificatePasswordDialog::ProtectedLabel)
        , m_new(CertificatePasswordDialog::NewPassword, name, CertificatePasswordDialog::KeyLabel)
        , m_change(CertificatePasswordDialog::ChangePassword, name, CertificatePasswordDialog::KeyLabel)
    {
    }

    bool askCurrentPassword(QString &current) override
    {
        if (!m_current.exec())
            return false;
        current = m_current.password();
        return true;
    }
    bool askNewPassword(QString &fresh) override
    {
        if (!m_new.exec())
            return false;
        fresh = m_new.changedPassword();
        return true;
    }
    bool askPasswordChange(QString &current, QString &fresh) override
    {
        if (!m_change.exec())
            return false;
        current = m_change.password();
        fresh = m_change.changedPassword();
        return true;
    }
    void showBanner(const QString &title) override { ::showBanner(title); }

private:
    CertificatePasswordDialog m_current;
    CertificatePasswordDialog m_new;
    CertificatePasswordDialog m_change;
};

} // namespace

void TrustPanel::settingsChanged(const QStringList &purposes, int idx)
{
    // The list page's updates may change the models the indexes belong to.
    const QList<QPersistentModelIndex> selection = settingsSelection;
    for (const QPersistentModelIndex &index : selection) {
        CertificateItem *item = ValidityScreening::itemAt(index);
        if (!item) {
            TK_LOG_ERROR("%s: a chosen certificate is gone", "settingsChanged");
            continue;
        }
        const SettingsChangePlan plan(*item, purposes, idx);
        plan.prepare(*item);
        if (!plan.callNeeded())
            continue;
        if (!installToDomains(*item, plan.added()))
            return;
        // The list keeps its own copy of a certificate it is given, so the
        // item is brought up to date first.
        plan.commit(*item);
        if (plan.leavesEveryDomain()) {
            // Once the settings page is closed, the details page below it
            // has nothing left to show and returns to the list.
            if (settingsPage && detailsPage)
                connect(settingsPage, SIGNAL(destroyed()), detailsPage, SLOT(certificateDeleted()));
            selectionStack.clear();
            if (listPage)
                listPage->removeCert(index);
        } else if (plan.newlyInstalled() && listPage) {
            listPage->addCert(index);
        }
    }
}

bool TrustPanel::preferenceChanged(CertificateItem *ci, int idx)
{
    if (!ci) {
        TK_LOG_ERROR("%s: no certificate", "preferenceChanged");
        return false;
    }
    const QStringList names = ci->attribute(CertificateItem::DisplayStrings).toStringList();
    DialogPrompts prompts(names.value(0));
    return PreferenceMove(prompts).run(*ci, idx);
}

void TrustPanel::changePassword()
{
    // Like deletion, the certificate of the details page on top.
    if (!selectionStack.isEmpty())
        currentIndex = selectionStack.last();
    CertificateItem *item = ValidityScreening::itemAt(currentIndex);
    if (!item) {
        TK_LOG_ERROR("%s: no certificate chosen", "changePassword");
        return;
    }
    if (!item->hasKey) {
        showBanner(QStringLiteral("lgd_certman_issuer_none"));
        return;
    }
    std::unique_ptr<TrustkeepClient> service = serviceClient();
    service->setTimeout(userAnswerTimeout);
    succeeded(service->ChangePrivateKeyPassword(item->keyId), "changePassword", "changing password failed");
}

void TrustPanel::deleteCertificate()
{
    std::unique_ptr<TrustkeepClient> service = serviceClient();
    if (!selectionStack.isEmpty())
        currentIndex = selectionStack.last();
    const CertificateItem *item = ValidityScreening::itemAt(currentIndex);
    switch (CertificateDeletion::firstStep(item, currentIndex.data(CertificateItem::Manageable))) {
    case CertificateDeletion::Step::Nothing:
        return;
    case CertificateDeletion::Step::RefuseRoot:
        showBanner(QStringLiteral("lgd_certman_banner_rootdelete"), QStringLiteral("rootDeleteInfoBanner"));
        return;
    case CertificateDeletion::Step::Confirm:
        break;
    }
    ZelvoMessageBox question(QStringLiteral("lgd_certman_deletetitle"), item->id_strings().join(QLatin1Char('\n')),
                             QMessageBox::Yes | QMessageBox::No);
    if (!CertificateDeletion::confirmed(question.exec()))
        return;
    // The list may have been filled anew while the question was open.
    item = ValidityScreening::itemAt(currentIndex);
    if (!item)
        return;
    if (!succeeded(service->DeleteCertificateFromDomains(item->keyId, CertificateDeletion::domains(*item)),
                   "deleteCertificate", "delete failed"))
        return;
    selectionStack.clear();
    if (listPage) {
        listPage->removeCert(currentIndex);
        listPage->gotoPage(0);
    }
}
