// The questions of the server check as the user meets them in the real
// service: their texts, buttons and looks (screenshots), and a second check
// arriving while the first one waits.

#include "trustcheckfixture.h"

namespace {

const QString alwaysButton = QStringLiteral("CertmanTustButton");
const QString dayButton = QStringLiteral("CertmanTrust24Button");

} // namespace

class TestCheckCertificatePages : public QObject
{
    Q_OBJECT

private:
    // What every question shows: header, body, the two answer buttons.
    void verifyQuestion(TrustCheckService &service, const QString &page, const QString &statement,
                        const QString &question)
    {
        const QJsonObject top = service.topPage();
        QCOMPARE(top.value("objectName").toString(), page);
        QCOMPARE(top.value("styleName").toString(), QStringLiteral("CommonApplicationPageInverted"));
        QCOMPARE(top.value("escapeModeName").toString(), QStringLiteral("manualBack"));

        QStringList texts;
        for (const QJsonValue &w : service.widgets())
            texts << w.toObject().value("text").toString();
        QVERIFY(texts.contains(QStringLiteral("Server certificate")));
        // The two paragraphs of the body, in one label.
        const QStringList bodies = texts.filter(statement);
        QCOMPARE(bodies.size(), 1);
        QVERIFY2(bodies.first().indexOf(question) > statement.size(), qPrintable(bodies.first()));

        const QJsonObject always = service.widget(alwaysButton);
        QCOMPARE(always.value("text").toString(), QStringLiteral("Trust always"));
        QCOMPARE(always.value("styleName").toString(), QStringLiteral("CommonTopButtonInverted"));
        const QJsonObject day = service.widget(dayButton);
        QCOMPARE(day.value("text").toString(), QStringLiteral("Trust for 24 hours"));
        QCOMPARE(day.value("styleName").toString(), QStringLiteral("CommonBottomButtonInverted"));
    }

private slots:
    void eachQuestionShowsItsTextAndButtons()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate fresh = makeServerCertificate(QStringLiteral("fresh.example.test"));
        const ServerCertificate stored = makeServerCertificate(QStringLiteral("moved.example.test"));
        const ServerCertificate moved = makeServerCertificate(QStringLiteral("moved.example.test"));
        const ServerCertificate ended = makeServerCertificate(QStringLiteral("ended.example.test"));
        QVERIFY(service.seed(QStringLiteral("moved.example.test"), 1, QVariant(), stored.der) >= 0);
        QVERIFY(service.seed(QStringLiteral("ended.example.test"), 2, ended.notAfter, ended.der) >= 0);

        QDBusPendingCall call = service.check(fresh);
        QVERIFY(service.waitForPage(QStringLiteral("serverCertificateInstallNewPage")));
        verifyQuestion(service, QStringLiteral("serverCertificateInstallNewPage"),
                       QStringLiteral("This server presented a certificate that you have not trusted before."),
                       QStringLiteral("Do you want to trust this certificate?"));
        QVERIFY(!service.screenshot(QStringLiteral("newcertificate")).isEmpty());
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);

        call = service.check(moved);
        QVERIFY(service.waitForPage(QStringLiteral("serverCertificateInstallChangedPage")));
        verifyQuestion(service, QStringLiteral("serverCertificateInstallChangedPage"),
                       QStringLiteral("The certificate of this server has changed since you last trusted it. "
                                      "Someone may be intercepting the connection."),
                       QStringLiteral("Do you want to trust this certificate?"));
        QCOMPARE(service.widget(QStringLiteral("OldCertificateItemWidget")).value("text").toString(),
                 QStringLiteral("moved.example.test"));
        QCOMPARE(service.widget(QStringLiteral("NewCertificateItemWidget")).value("text").toString(),
                 QStringLiteral("moved.example.test"));
        QVERIFY(!service.screenshot(QStringLiteral("changedcertificate")).isEmpty());
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);

        QVERIFY(service.freezeClock(ended.notAfter.addDays(1)));
        call = service.check(ended);
        QVERIFY(service.waitForPage(QStringLiteral("serverCertificateInstallExpiredPage")));
        verifyQuestion(service, QStringLiteral("serverCertificateInstallExpiredPage"),
                       QStringLiteral("Your trust in this server certificate has run out because the certificate "
                                      "has expired."),
                       QStringLiteral("Do you want to keep trusting it?"));
        QVERIFY(!service.screenshot(QStringLiteral("expiredcertificate")).isEmpty());
        QVERIFY(service.back());
        QCOMPARE(service.reply(call), 0);

        QCOMPARE(service.records().size(), 2);
        QVERIFY(service.endedCleanly());
    }

    // The second question goes over the first; answering it returns the
    // second call only, leaves the first question up and the service held;
    // answering the first ends the hold and hides the window.
    void secondCheckWhileTheFirstWaits()
    {
        TrustCheckService service;
        QVERIFY2(service.isValid(), qPrintable(service.errorString()));
        const ServerCertificate outer = makeServerCertificate(QStringLiteral("outer.example.test"));
        const ServerCertificate inner = makeServerCertificate(QStringLiteral("inner.example.test"));

        QDBusPendingCall outerCall = service.check(outer);
        QVERIFY(service.waitForPage(QStringLiteral("serverCertificateInstallNewPage")));
        QDBusPendingCall innerCall = service.check(inner);
        QVERIFY(QTest::qWaitFor([&] { return service.pageCount() == 2; }, 15000));
        QVERIFY(service.waitForText(QStringLiteral("inner.example.test")));
        QVERIFY(service.click(dayButton));
        QCOMPARE(service.reply(innerCall), 1);

        QCOMPARE(service.pageCount(), 1);
        QVERIFY(service.windowVisible());
        QVERIFY(service.waitForText(QStringLiteral("outer.example.test")));
        QVERIFY(!outerCall.isFinished());
        QTest::qWait(TrustCheckService::idleMs + 1000);
        QVERIFY(service.currentProcess()->isRunning());

        QVERIFY(service.click(alwaysButton));
        QCOMPARE(service.reply(outerCall), 1);
        QVERIFY(QTest::qWaitFor([&] { return !service.windowVisible(); }, 5000));

        const QList<TrustRecord> records = service.records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(records.at(0).subjectCn, QStringLiteral("inner.example.test"));
        QCOMPARE(records.at(1).subjectCn, QStringLiteral("outer.example.test"));
        QCOMPARE(records.at(1).trustEnds.toDateTime(), outer.notAfter);
        QVERIFY(service.endedCleanly());
    }
};

QTEST_GUILESS_MAIN(TestCheckCertificatePages)

#include "tst_checkcertificatepages.moc"
