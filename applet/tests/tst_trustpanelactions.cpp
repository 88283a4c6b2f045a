// TrustPanel's certificate actions where the control panel's menus never
// lead (their flows run through the host in tst_trustpanelactionshost): a
// root certificate or a key-less one behind the actions, no certificate at
// all, and the preference move other components invoke by name.
#include <trustpanel.h>

#include "certificatefactory.h"
#include "temporarydeviceroot.h"

#include <bastra_certman.h>
#include <certificateitem.h>
#include <certificatepassworddialog.h>
#include <zelvoapplication.h>
#include <zelvoapplicationwindow.h>
#include <zelvobanner.h>
#include <zelvotextedit.h>

#include <QStandardItemModel>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

// Answers every dialog the window runs, counting them.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(std::function<void(ZelvoDialog *)> answer)
        : m_answer(std::move(answer))
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            ZelvoApplicationWindow *window = ZelvoApplication::activeWindow();
            auto *dialog = window ? qobject_cast<ZelvoDialog *>(window->dialogs().value(0)) : nullptr;
            if (dialog && dialog->isRunning()) {
                ++answered;
                m_answer(dialog);
            }
        });
        m_poll.start(10);
    }
    int answered = 0;

private:
    std::function<void(ZelvoDialog *)> m_answer;
    QTimer m_poll;
};

ZelvoTextEdit *fieldNamed(QGraphicsItem *root, const char *name)
{
    for (QGraphicsItem *item : root->childItems()) {
        auto *field = item->isWidget() ? qobject_cast<ZelvoTextEdit *>(static_cast<QGraphicsWidget *>(item)) : nullptr;
        if (field && field->objectName() == QLatin1String(name))
            return field;
        if (ZelvoTextEdit *found = fieldNamed(item, name))
            return found;
    }
    return nullptr;
}

// What the applet logged (to standard error) while the code ran.
QByteArray logOf(const std::function<void()> &code)
{
    QTemporaryFile file;
    if (!file.open())
        return "<no capture file>";
    qputenv("TRUSTKEEP_LOG_STDERR", "1");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    code();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    qunsetenv("TRUSTKEEP_LOG_STDERR");
    file.seek(0);
    return file.readAll();
}

QString lastBanner(ZelvoApplicationWindow &window)
{
    auto *banner = qobject_cast<ZelvoBanner *>(window.banners().value(window.banners().size() - 1));
    return banner ? banner->objectName() + '|' + banner->title() + '|' + banner->styleName() : QString();
}

} // namespace

class TestTrustPanelActions : public QObject
{
    Q_OBJECT

private slots:
    void refusals()
    {
        ZelvoApplicationWindow window;
        TrustPanel panel;
        DialogAnswer cancel([](ZelvoDialog *dialog) { dialog->done(0); });
        const auto made = CertificateFactory::makeCa(QStringLiteral("Refused Root"));
        CertificateItem item;
        QVERIFY(item.setCertificate(made.certificate.data()));
        item.stored = true;
        QStandardItemModel rows(1, 1);
        rows.setData(rows.index(0, 0), QVariant::fromValue(&item), CertificateItem::ItemPointer);
        rows.setData(rows.index(0, 0), 0, CertificateItem::Manageable);

        panel.saveSelection(rows.index(0, 0));
        panel.deleteCertificate();
        QCOMPARE(lastBanner(window),
                 QStringLiteral("rootDeleteInfoBanner|lgd_certman_banner_rootdelete|InformationBanner"));
        panel.changePassword();
        QCOMPARE(lastBanner(window), QStringLiteral("|lgd_certman_issuer_none|InformationBanner"));

        // Nothing chosen: nothing asked, nothing shown.
        const int banners = window.banners().size();
        panel.saveSelection(QModelIndex());
        panel.deleteCertificate();
        panel.changePassword();
        QCOMPARE(window.banners().size(), banners);
        QVERIFY(!panel.preferenceChanged(nullptr, 0));
        QCOMPARE(cancel.answered, 0);

        // An item that cannot be serialized (it has no certificate) is never sent.
        CertificateItem empty;
        rows.setData(rows.index(0, 0), QVariant::fromValue(&empty), CertificateItem::ItemPointer);
        panel.saveSelection(QModelIndexList({ rows.index(0, 0) }));
        const QByteArray log = logOf([&] { panel.settingsChanged({ QStringLiteral("ssl") }, -1); });
        QVERIFY2(
            QRegularExpression("^trustpanel\\(\\d+\\): ERROR settingsChanged: could not serialize the certificate$",
                               QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(log))
                .hasMatch(),
            log.constData());
        QVERIFY(empty.purposes.isEmpty() && !empty.stored);
    }

    // A new key for "password prompt" goes into the store under the
    // password chosen in the dialog; a cancelled dialog stores nothing.
    void preferenceByName()
    {
        TemporaryDeviceRoot root;
        ZelvoApplicationWindow window;
        TrustPanel panel;
        const auto made = CertificateFactory::makeSelfSigned(CertificateFactory::Options());
        CertificateItem item;
        QVERIFY(item.setCertificate(made.certificate.data()) && item.setPrivateKey(made.key.data()));
        bool accept = false;
        DialogAnswer typed([&](ZelvoDialog *dialog) {
            for (const char *field : { "newPasswordField", "confirmPasswordField" })
                fieldNamed(dialog, field)->setText(QStringLiteral("chosen"));
            dialog->done(accept ? 1 : 0);
        });
        auto move = [&] {
            bool moved = false;
            const bool invoked = QMetaObject::invokeMethod(&panel, "preferenceChanged", Q_RETURN_ARG(bool, moved),
                                                           Q_ARG(CertificateItem *, &item), Q_ARG(int, 2));
            return invoked && moved;
        };
        QVERIFY(!move());
        QCOMPARE(item.authPreference, -1);
        accept = true;
        QVERIFY(move());
        QCOMPARE(typed.answered, 2);
        QCOMPARE(item.authPreference, 2);
        bastra_key_id id;
        EVP_PKEY *key = nullptr;
        QVERIFY(bastra_certman_str_to_key_id(item.keyId.toLatin1().constData(), &id) == 0
                && bastra_certman_retrieve_key(&id, &key, "chosen") == 0);
        EVP_PKEY_free(key);
    }
};

int main(int argc, char *argv[])
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_trustpanelactions"));
    TestTrustPanelActions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trustpanelactions.moc"
