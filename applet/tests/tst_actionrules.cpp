// The decision rules behind TrustPanel's certificate actions, one table row
// per rule: what a settings change sends, how a key moves between
// preferences (with the real certificate store), and what a deletion asks.
#include "certificatedeletion.h"
#include "keypasswordprompts.h"
#include "preferencemove.h"
#include "settingschangeplan.h"

#include "certificatefactory.h"
#include "temporarydeviceroot.h"
#include "testmaterial.h"

#include <bastra_certman.h>
#include <certificateitem.h>

#include <QMessageBox>
#include <QtTest>

// The value of a data column, for use inside an expression.
#define FETCHED(Type, name) (*static_cast<Type *>(QTest::qData(#name, ::qMetaTypeId<Type>())))

namespace {

// Answers the prompts from a script and records what was asked and shown.
// An answer is a password, "cancel", or for a change "current|new"; "null"
// stands for no new password. A prompt past the script is cancelled.
class ScriptedPrompts : public KeyPasswordPrompts
{
public:
    explicit ScriptedPrompts(const QStringList &answers)
        : m_answers(answers)
    {
    }
    QStringList events;

    bool askCurrentPassword(QString &current) override { return answer("current", &current, nullptr); }
    bool askNewPassword(QString &fresh) override { return answer("new", nullptr, &fresh); }
    bool askPasswordChange(QString &current, QString &fresh) override { return answer("change", &current, &fresh); }
    void showBanner(const QString &title) override { events << "banner:" + title; }

private:
    bool answer(const char *event, QString *current, QString *fresh)
    {
        events << QLatin1String(event);
        if (m_answers.isEmpty() || m_answers.first() == "cancel")
            return false;
        QStringList parts = m_answers.takeFirst().split('|');
        if (current)
            *current = parts.takeFirst();
        if (fresh)
            *fresh = parts.first() == "null" ? QString() : parts.first();
        return true;
    }
    QStringList m_answers;
};

struct MadeItem {
    CertificateFactory::Issued material;
    CertificateItem item;
};

void makeItem(MadeItem &made, bool isCa)
{
    CertificateFactory::Options options;
    options.commonName = "Action Test";
    made.material = isCa ? CertificateFactory::makeCa("Action CA") : CertificateFactory::makeSelfSigned(options);
    QVERIFY(made.item.setCertificate(made.material.certificate.data()));
    QVERIFY(made.item.setPrivateKey(made.material.key.data()));
}

bastra_key_id keyIdOf(const CertificateItem &item)
{
    bastra_key_id id;
    bastra_certman_str_to_key_id(item.keyId.toLatin1().constData(), &id);
    return id;
}

} // namespace

class ActionRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void settingsChange_data()
    {
        QTest::addColumn<bool>("isCa");
        QTest::addColumn<int>("oldPreference"); // -2: no key
        QTest::addColumn<QStringList>("oldPurposes");
        QTest::addColumn<QStringList>("purposes");
        QTest::addColumn<int>("idx");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<bool>("call");
        QTest::addColumn<int>("preference"); // after prepare()
        QTest::addColumn<int>("userDomains"); // after commit()
        QTest::addColumn<QString>("listPage"); // "remove", "add" or ""

        const QStringList none;
        QTest::newRow("no change, no call")
            << false << -2 << QStringList{ "ssl", "wifi" } << QStringList{ "ssl", "wifi" } << -1
            << QStringList{ "ssl-user", "wifi-user" } << none << false << -2 << 1 << "";
        QTest::newRow("one purpose given up")
            << false << -2 << QStringList{ "ssl", "wifi" } << QStringList{ "ssl" } << -1 << QStringList{ "ssl-user" }
            << QStringList{ "wifi-user" } << true << -2 << 1 << "";
        QTest::newRow("one purpose swapped for another")
            << true << -2 << QStringList{ "smime" } << QStringList{ "ssl" } << -1 << QStringList{ "ssl-ca" }
            << QStringList{ "smime-ca" } << true << -2 << 1 << "";
        QTest::newRow("preference only: complete list sent")
            << false << 0 << QStringList{ "ssl", "codesign" } << QStringList{ "ssl", "codesign" } << 2
            << QStringList{ "ssl-user", "codesign-user" } << none << true << 2 << 1 << "";
        QTest::newRow("same preference is no change") << false << 1 << QStringList{ "ssl" } << QStringList{ "ssl" } << 1
                                                      << QStringList{ "ssl-user" } << none << false << 1 << 1 << "";
        QTest::newRow("key-less certificate keeps its preference")
            << false << -2 << QStringList{ "wifi" } << QStringList{ "wifi" } << 0 << QStringList{ "wifi-user" } << none
            << false << -2 << 1 << "";
        QTest::newRow("every purpose removed") << false << 0 << QStringList{ "ssl", "wifi" } << none << 0 << none
                                               << QStringList{ "ssl-user", "wifi-user" } << true << 0 << 1 << "remove";
        QTest::newRow("new CA from a file for wifi") << true << -2 << none << QStringList{ "wifi" } << -1
                                                     << QStringList{ "wifi-ca" } << none << true << -2 << 1 << "add";
        QTest::newRow("new user certificate from a file for wifi")
            << false << -1 << none << QStringList{ "wifi" } << 2 << QStringList{ "wifi-user" } << none << true << 2 << 1
            << "add";
        QTest::newRow("new certificate with no purpose chosen")
            << false << -1 << none << none << 0 << none << none << false << 0 << 1 << "remove";
        QTest::newRow("table order, not the page's")
            << false << -2 << none << QStringList{ "codesign", "smime", "ssl" } << -1
            << QStringList{ "ssl-user", "smime-user", "codesign-user" } << none << true << -2 << 1 << "add";
        QTest::newRow("shared name counted but never sent")
            << true << -2 << QStringList{ "ssl", "common-ca" } << QStringList{ "ssl" } << -1 << QStringList{ "ssl-ca" }
            << none << true << -2 << 1 << "";
        QTest::newRow("shared name added clears the user-domains flag")
            << true << -2 << QStringList{ "ssl" } << QStringList{ "ssl", "common-ca" } << -1 << QStringList{ "ssl-ca" }
            << none << true << -2 << 0 << "";
        QTest::newRow("only shared names: nothing to send")
            << false << 0 << QStringList{ "server" } << QStringList{ "server", "common" } << 1 << none << none << false
            << 1 << 0 << "";
        QTest::newRow("case matters") << false << -2 << none << QStringList{ "SSL" } << -1 << none << none << false
                                      << -2 << 1 << "add";
    }

    void settingsChange()
    {
        QFETCH(bool, isCa);
        QFETCH(int, oldPreference);
        QFETCH(QStringList, oldPurposes);
        QFETCH(QStringList, purposes);
        QFETCH(int, idx);
        QFETCH(int, preference);

        MadeItem made;
        makeItem(made, isCa);
        CertificateItem &item = made.item;
        item.hasKey = oldPreference != -2;
        item.authPreference = oldPreference;
        item.purposes = oldPurposes;
        item.itemType = 0;
        item.stored = false;

        const SettingsChangePlan plan(item, purposes, idx);
        QCOMPARE(plan.added(), FETCHED(QStringList, added));
        QCOMPARE(plan.removed(), FETCHED(QStringList, removed));
        QCOMPARE(plan.callNeeded(), FETCHED(bool, call));
        QCOMPARE(plan.suffix(), QString(isCa ? "-ca" : "-user"));
        QFETCH(QString, listPage);
        QCOMPARE(plan.leavesEveryDomain(), listPage == "remove");
        QCOMPARE(plan.newlyInstalled(), listPage == "add");

        plan.prepare(item);
        QCOMPARE(item.authPreference, preference);
        QCOMPARE(item.itemType, isCa ? 1 : 2);
        QCOMPARE(item.purposes, oldPurposes); // the service works from the old ones
        QVERIFY(!item.stored);
        plan.commit(item);
        QCOMPARE(item.purposes, purposes);
        QCOMPARE(item.userDomains, FETCHED(int, userDomains));
        QVERIFY(item.stored);
    }

    void preferenceMove_data()
    {
        QTest::addColumn<int>("from"); // -1: not in the store yet
        QTest::addColumn<QString>("keyFile"); // "", "missing", "damaged" or "no id"
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("storedUnder"); // empty: no key in the store

        const QString wrong = "banner:lgd_certman_incorrectpassword";
        const QString failed = "banner:Retrieving key failed";
        const QStringList none;
        QTest::newRow("0 to 1 without a dialog") << 0 << "" << 1 << none << true << none << "vexmordulans2";
        QTest::newRow("1 to 0 without a dialog") << 1 << "" << 0 << none << true << none << "vexmordulans1";
        QTest::newRow("0 to 2 asks a new password")
            << 0 << "" << 2 << QStringList{ "chosen" } << true << QStringList{ "new" } << "chosen";
        QTest::newRow("0 to 2, no password given, asks again")
            << 0 << "" << 2 << QStringList{ "null", "chosen" } << true << QStringList{ "new", "new" } << "chosen";
        QTest::newRow("2 to 0 asks the current password")
            << 2 << "" << 0 << QStringList{ "secret" } << true << QStringList{ "current" } << "vexmordulans1";
        QTest::newRow("2 to 1 after a wrong password") << 2 << "" << 1 << QStringList{ "bad", "secret" } << true
                                                       << QStringList{ "current", wrong, "current" } << "vexmordulans2";
        QTest::newRow("2 to 2 after a wrong current password")
            << 2 << "" << 2 << QStringList{ "bad|next", "secret|next" } << true
            << QStringList{ "change", wrong, "change" } << "next";
        QTest::newRow("2 to 2 without a new password asks for it")
            << 2 << "" << 2 << QStringList{ "secret|null", "next" } << true << QStringList{ "change", "new" } << "next";
        QTest::newRow("not stored to 0 without a dialog") << -1 << "" << 0 << none << true << none << "vexmordulans1";
        QTest::newRow("not stored to 2 asks a new password")
            << -1 << "" << 2 << QStringList{ "chosen" } << true << QStringList{ "new" } << "chosen";
        QTest::newRow("not stored, no password given")
            << -1 << "" << 2 << QStringList{ "null" } << false << QStringList{ "new" } << "";
        QTest::newRow("cancel the current password")
            << 2 << "" << 0 << QStringList{ "cancel" } << false << QStringList{ "current" } << "secret";
        QTest::newRow("cancel the new password")
            << 1 << "" << 2 << QStringList{ "cancel" } << false << QStringList{ "new" } << "vexmordulans2";
        QTest::newRow("cancel the change") << 2 << "" << 2 << QStringList{ "bad|x", "cancel" } << false
                                           << QStringList{ "change", wrong, "change" } << "secret";
        QTest::newRow("cancel the first store")
            << -1 << "" << 2 << QStringList{ "cancel" } << false << QStringList{ "new" } << "";
        QTest::newRow("missing key file ends, not asked again")
            << 2 << "missing" << 0 << QStringList{ "secret", "secret" } << false << QStringList{ "current", failed }
            << "";
        QTest::newRow("damaged key file ends, not asked again")
            << 2 << "damaged" << 2 << QStringList{ "secret|n", "secret|n" } << false << QStringList{ "change", failed }
            << "";
        QTest::newRow("missing key under an automatic password")
            << 0 << "missing" << 1 << none << false << QStringList{ failed } << "";
        QTest::newRow("preference outside the table") << 0 << "" << 3 << none << false << none << "vexmordulans1";
        QTest::newRow("stored preference outside the table") << 5 << "" << 0 << none << false << none << "";
        QTest::newRow("unreadable key id") << -1 << "no id" << 0 << none << false << none << "";
    }

    void preferenceMove()
    {
        QFETCH(int, from);
        QFETCH(QString, keyFile);
        QFETCH(int, to);
        QFETCH(bool, ok);
        QFETCH(QString, storedUnder);

        TemporaryDeviceRoot root;
        MadeItem made;
        makeItem(made, false);
        CertificateItem &item = made.item;
        item.authPreference = from;
        const bastra_key_id id = keyIdOf(item);
        if (from >= 0 && from <= 2) {
            const char *password = from == 2 ? "secret" : PreferenceMove::automaticPassword(from);
            QCOMPARE(bastra_certman_store_key(&id, made.material.key.data(), password), 0);
        }
        const QString keyPath = root.keyFolder() + '/' + item.keyId;
        if (keyFile == "missing")
            QVERIFY(QFile::remove(keyPath));
        else if (keyFile == "damaged")
            QVERIFY(CertificateFactory::writeFile(keyPath, "not a key"));
        else if (keyFile == "no id")
            item.keyId = "not-hex";

        ScriptedPrompts prompts(FETCHED(QStringList, answers));
        QCOMPARE(PreferenceMove(prompts).run(item, to), ok);
        QCOMPARE(prompts.events, FETCHED(QStringList, events));
        QCOMPARE(item.authPreference, ok ? to : from);

        QCOMPARE(StoreProbe::keyOpensWith(StoreProbe::keyIdOf(made.material.certificate.data()), storedUnder),
                 !storedUnder.isEmpty());
    }

    void deletion_data()
    {
        QTest::addColumn<bool>("hasItem");
        QTest::addColumn<QString>("keyId"); // "own": the certificate's
        QTest::addColumn<QVariant>("manageable");
        QTest::addColumn<int>("step");
        QTest::newRow("no item") << false << "own" << QVariant(1) << int(CertificateDeletion::Step::Nothing);
        QTest::newRow("no key id") << true << "" << QVariant(1) << int(CertificateDeletion::Step::Nothing);
        QTest::newRow("root") << true << "own" << QVariant(0) << int(CertificateDeletion::Step::RefuseRoot);
        QTest::newRow("row without the role")
            << true << "own" << QVariant() << int(CertificateDeletion::Step::RefuseRoot);
        QTest::newRow("manageable") << true << "own" << QVariant(1) << int(CertificateDeletion::Step::Confirm);
    }

    void deletion()
    {
        QFETCH(bool, hasItem);
        QFETCH(QString, keyId);
        MadeItem made;
        makeItem(made, false);
        if (keyId != "own")
            made.item.keyId = keyId;
        const auto step = CertificateDeletion::firstStep(hasItem ? &made.item : nullptr, FETCHED(QVariant, manageable));
        QCOMPARE(int(step), FETCHED(int, step));
    }

    void deletionNeedsAPlainYes()
    {
        QVERIFY(CertificateDeletion::confirmed(QMessageBox::Yes));
        QVERIFY(!CertificateDeletion::confirmed(QMessageBox::No));
        QVERIFY(!CertificateDeletion::confirmed(QMessageBox::NoButton));
        QVERIFY(!CertificateDeletion::confirmed(QMessageBox::Yes | QMessageBox::No));
    }

    void deletionDomains_data()
    {
        QTest::addColumn<bool>("isCa");
        QTest::addColumn<QStringList>("purposes");
        QTest::addColumn<QStringList>("domains");
        QTest::newRow("CA") << true << QStringList{ "ssl", "smime" } << QStringList{ "ssl-ca", "smime-ca" };
        QTest::newRow("user, item order kept")
            << false << QStringList{ "codesign", "wifi" } << QStringList{ "codesign-user", "wifi-user" };
        QTest::newRow("no purposes") << false << QStringList() << QStringList();
        QTest::newRow("shared names left out")
            << true << QStringList{ "common-ca", "ssl", "server", "SSL" } << QStringList{ "ssl-ca" };
    }

    void deletionDomains()
    {
        QFETCH(bool, isCa);
        QFETCH(QStringList, purposes);
        MadeItem made;
        makeItem(made, isCa);
        made.item.purposes = purposes;
        QCOMPARE(CertificateDeletion::domains(made.item), FETCHED(QStringList, domains));
        QCOMPARE(made.item.purposes, purposes);
    }
};

QTEST_GUILESS_MAIN(ActionRulesTest)
#include "tst_actionrules.moc"
