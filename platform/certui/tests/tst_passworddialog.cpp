#include "widgettesting.h"

#include <certificatepassworddialog.h>

#include <zelvolabel.h>

using namespace WidgetTesting;
using Answer = DialogAnswerer::Answer;

// The four kinds of password dialog, answered as a user would.
class TestPasswordDialog : public QObject
{
    Q_OBJECT

private slots:
    void fieldsOfEachType();
    void confirmationAndCancel();
    void newPasswordMustMatch();
    void changeGivesBothPasswords();
    void wrongPasswordAndRunAgain();
};

void TestPasswordDialog::fieldsOfEachType()
{
    struct Expected {
        int type;
        bool current, fresh, confirm;
    };
    const Expected table[] = {
        { 0, false, false, false }, { 1, true, false, false },
        { 2, false, true, true }, { 3, true, true, true }, { 17, false, false, false },
    };
    for (const Expected &e : table) {
        CertificatePasswordDialog dialog(e.type, QStringLiteral("Some cert"), e.type == 1 ? 1 : 0);
        QCOMPARE(bool(child<ZelvoTextEdit>(&dialog, QStringLiteral("currentPasswordField"))), e.current);
        QCOMPARE(bool(child<ZelvoTextEdit>(&dialog, QStringLiteral("newPasswordField"))), e.fresh);
        QCOMPARE(bool(child<ZelvoTextEdit>(&dialog, QStringLiteral("confirmPasswordField"))), e.confirm);
        QVERIFY(child<ZelvoButton>(&dialog, QStringLiteral("acceptButton")));
        QVERIFY(child<ZelvoButton>(&dialog, QStringLiteral("cancelButton")));
        if (auto *field = child<ZelvoTextEdit>(&dialog, QStringLiteral("currentPasswordField")))
            QCOMPARE(field->echoMode(), ZelvoTextEdit::Password);
        auto *text = child<ZelvoLabel>(&dialog, QStringLiteral("passwordDialogText"));
        QVERIFY(text);
        QVERIFY(text->text().contains(QStringLiteral("Some cert")));
        QVERIFY(!text->text().contains(QStringLiteral("lgd_")));
    }
}

void TestPasswordDialog::confirmationAndCancel()
{
    DialogAnswerer answers;
    CertificatePasswordDialog confirm(CertificatePasswordDialog::Confirmation, QStringLiteral("Key"));
    answers.enqueue({ true, {}, {}, {} });
    QVERIFY(confirm.exec() != 0);
    answers.enqueue({ false, {}, {}, {} });
    QCOMPARE(confirm.exec(), 0);
    QVERIFY(confirm.password().isNull());
    QVERIFY(confirm.changedPassword().isNull());
}

void TestPasswordDialog::newPasswordMustMatch()
{
    DialogAnswerer answers;
    CertificatePasswordDialog dialog(CertificatePasswordDialog::NewPassword, QStringLiteral("Key"));
    // A mismatch keeps the dialog up with a notice; the second try matches.
    answers.enqueue({ true, {}, QStringLiteral("first"), QStringLiteral("frist") });
    answers.enqueue({ true, {}, QStringLiteral("päss wörd"), QStringLiteral("päss wörd") });
    QVERIFY(dialog.exec() != 0);
    QCOMPARE(answers.answered(), 2);
    QVERIFY(answers.noticesSeen().value(0).isEmpty());
    QVERIFY(!answers.noticesSeen().value(1).isEmpty());
    QCOMPARE(dialog.changedPassword(), QStringLiteral("päss wörd"));

    // Accepting two empty fields gives no password at all.
    CertificatePasswordDialog empty(CertificatePasswordDialog::NewPassword, QStringLiteral("Key"));
    answers.enqueue({ true, {}, {}, {} });
    QVERIFY(empty.exec() != 0);
    QVERIFY(empty.changedPassword().isNull());
}

void TestPasswordDialog::changeGivesBothPasswords()
{
    DialogAnswerer answers;
    CertificatePasswordDialog dialog(CertificatePasswordDialog::ChangePassword, QStringLiteral("Key"));
    answers.enqueue({ true, QStringLiteral("old"), QStringLiteral("new"), QStringLiteral("new") });
    QVERIFY(dialog.exec() != 0);
    QCOMPARE(dialog.password(), QStringLiteral("old"));
    QCOMPARE(dialog.changedPassword(), QStringLiteral("new"));
}

void TestPasswordDialog::wrongPasswordAndRunAgain()
{
    DialogAnswerer answers;
    CertificatePasswordDialog dialog(CertificatePasswordDialog::CurrentPassword, QStringLiteral("Key"),
                                     CertificatePasswordDialog::ProtectedLabel);
    answers.enqueue({ true, QStringLiteral("guess"), {}, {} });
    QVERIFY(dialog.exec() != 0);
    QCOMPARE(dialog.password(), QStringLiteral("guess"));
    dialog.wrongPassword();
    QVERIFY(dialog.password().isEmpty());
    auto *notice = child<ZelvoLabel>(&dialog, QStringLiteral("passwordNotice"));
    QVERIFY(notice);
    QVERIFY(!notice->text().isEmpty());
    answers.enqueue({ true, QStringLiteral("right"), {}, {} });
    QVERIFY(dialog.exec() != 0);
    QCOMPARE(dialog.password(), QStringLiteral("right"));
    QVERIFY(!answers.noticesSeen().value(1).isEmpty());
}

CERTUI_WIDGET_TEST_MAIN(TestPasswordDialog)
#include "tst_passworddialog.moc"
