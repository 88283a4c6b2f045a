// The validity screening shared by the installer and the applet: its
// judgements, the questions it raises and the answers it takes.

#include "certificatefactory.h"
#include "screeningmessagebox.h"
#include "validityscreening.h"
#include "widgettesting.h"

#include <certificateitem.h>
#include <zelvoapplicationwindow.h>
#include <zelvobutton.h>
#include <zelvolabel.h>
#include <zelvolocale.h>
#include <zelvomessagebox.h>

#include <QLocale>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

namespace {

using Issued = CertificateFactory::Issued;

Issued make(const QString &name, const QDateTime &notBefore = QDateTime(), const QDateTime &notAfter = QDateTime(),
            std::optional<qint64> serial = std::nullopt)
{
    CertificateFactory::Options options;
    options.commonName = name;
    options.notBefore = notBefore;
    options.notAfter = notAfter;
    options.serial = serial;
    return CertificateFactory::makeSelfSigned(options);
}

Issued expired(const QString &name)
{
    return make(name, CertificateFactory::daysFromNow(-10), CertificateFactory::daysFromNow(-1));
}

Issued startingIn2030(const QString &name)
{
    return make(name, QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC),
                QDateTime(QDate(2031, 1, 1), QTime(12, 0), Qt::UTC));
}

// The answers of a user, one message box at a time.
std::unique_ptr<WidgetTesting::DialogAnswerer> answering(const QList<QMessageBox::StandardButton> &buttons)
{
    auto answerer = std::make_unique<WidgetTesting::DialogAnswerer>();
    for (QMessageBox::StandardButton button : buttons)
        answerer->enqueue(WidgetTesting::DialogAnswerer::press(button));
    return answerer;
}

} // namespace

class TestValidityScreening : public QObject
{
    Q_OBJECT

private:
    ZelvoLocale m_locale;
    std::unique_ptr<ZelvoApplicationWindow> m_window;
    QList<CertificateItem *> m_items;
    QStandardItemModel m_model;

    // A row of the model carrying the certificate's item in role 34.
    QModelIndex add(const Issued &issued)
    {
        auto *item = new CertificateItem;
        if (!issued.isNull())
            item->setCertificate(issued.certificate.data());
        m_items << item;
        auto *row = new QStandardItem(item->commonName);
        row->setData(QVariant::fromValue(item), CertificateItem::ItemPointer);
        m_model.appendRow(row);
        return row->index();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_locale.installTrCatalog(QStringLiteral("certificatemanager")));
        ZelvoLocale::setDefault(m_locale);
        m_window.reset(new ZelvoApplicationWindow);
        m_window->show();
    }

    void cleanup()
    {
        m_model.clear();
        qDeleteAll(m_items);
        m_items.clear();
    }

    void ownTimesJudgeTheValidityPeriod()
    {
        CertificateItem valid, old, future, unset;
        QVERIFY(valid.setCertificate(make(QStringLiteral("Now")).certificate.data()));
        QVERIFY(old.setCertificate(expired(QStringLiteral("Old")).certificate.data()));
        QVERIFY(future.setCertificate(startingIn2030(QStringLiteral("Later")).certificate.data()));
        QCOMPARE(ValidityScreening::judgeByOwnTimes(valid), 0);
        QCOMPARE(ValidityScreening::judgeByOwnTimes(old), -1);
        QCOMPARE(ValidityScreening::judgeByOwnTimes(future), 1);
        QCOMPARE(ValidityScreening::judgeByOwnTimes(unset), 0);
        // The applet's judgement agrees on these.
        QCOMPARE(ValidityScreening::judgeByCheckTime(old), -1);
        QCOMPARE(ValidityScreening::judgeByCheckTime(future), 1);

        // Times no clock can be compared with count as valid.
        Issued odd = make(QStringLiteral("Odd"));
        static const char garbage[] = "garbage";
        ASN1_STRING_set(X509_getm_notAfter(odd.certificate.data()), garbage, int(sizeof garbage - 1));
        ASN1_STRING_set(X509_getm_notBefore(odd.certificate.data()), garbage, int(sizeof garbage - 1));
        CertificateItem timeless;
        timeless.cert = X509_dup(odd.certificate.data());
        QCOMPARE(ValidityScreening::judgeByOwnTimes(timeless), 0);
    }

    void negativeSerialsAreCorrupt()
    {
        for (qint64 serial : { Q_INT64_C(-1), Q_INT64_C(-987654321), Q_INT64_C(0), Q_INT64_C(7) })
            QCOMPARE(ValidityScreening::hasNegativeSerial(make(QStringLiteral("S"), {}, {}, serial).certificate.data()),
                     serial < 0);
        QVERIFY(!ValidityScreening::hasNegativeSerial(nullptr));
    }

    void startStringsBecomeShortDates()
    {
        const QString day = QLocale().toString(QDate(2030, 1, 1), QLocale::ShortFormat);
        QCOMPARE(ScreeningMessageBox::shortDate(QStringLiteral("20300101120000Z")), day);
        // The day as written, whatever the hour and the local zone.
        QCOMPARE(ScreeningMessageBox::shortDate(QStringLiteral("20300101235959Z")), day);
        QCOMPARE(ScreeningMessageBox::shortDate(QStringLiteral("20300101000000Z")), day);
        for (const char *bad : { "", "2030", "20300101120000", "20301301120000Z", "20300101250000Z", "20300101120000ZZ",
                                 "2030010112000Z", "abcdefghijklmnZ" })
            QVERIFY2(ScreeningMessageBox::shortDate(QLatin1String(bad)).isEmpty(), bad);

        CertificateItem future;
        QVERIFY(future.setCertificate(startingIn2030(QStringLiteral("Later")).certificate.data()));
        QCOMPARE(ScreeningMessageBox::startDate(future), day);
        QCOMPARE(ScreeningMessageBox::certificateName(future), QStringLiteral("Later"));
        CertificateItem empty;
        QCOMPARE(ScreeningMessageBox::startDate(empty), QString());
        QCOMPARE(ScreeningMessageBox::certificateName(empty), QString());
    }

    // The date and the name go into the text once each, the name as text.
    // (The other boxes' ids and buttons are what the screening below meets.)
    void notYetValidBoxCarriesTheDateAndTheName()
    {
        CertificateItem item;
        QVERIFY(item.setCertificate(startingIn2030(QStringLiteral("<b>%2 Bold</b>")).certificate.data()));
        const QString day = QLocale().toString(QDate(2030, 1, 1), QLocale::ShortFormat);

        std::unique_ptr<ZelvoMessageBox> notYet(ScreeningMessageBox::create(ScreeningMessageBox::NotYetValid, item));
        QCOMPARE(notYet->objectName(), QStringLiteral("certificateInvalidDialog"));
        QCOMPARE(notYet->title(), QStringLiteral("Certificate not yet valid"));
        QCOMPARE(notYet->text(),
                 QStringLiteral("The certificate <b>%2 Bold</b> is not valid before %1. Install it anyway?").arg(day));
        QCOMPARE(notYet->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        // The name is text, never markup.
        QList<QGraphicsItem *> pending = notYet->childItems();
        bool plain = false;
        while (!pending.isEmpty()) {
            QGraphicsItem *child = pending.takeFirst();
            pending += child->childItems();
            if (auto *label = qobject_cast<ZelvoLabel *>(child->toGraphicsObject()))
                plain = plain
                    || (label->objectName() == QLatin1String("messageBoxText") && label->textFormat() == Qt::PlainText);
        }
        QVERIFY(plain);
    }

    // Questions in picked order; only Yes takes; an index without an item
    // is passed over; the accepted list keeps the picked order.
    void screeningTakesYesAndTheValidInPickedOrder()
    {
        const QModelIndex early = add(expired(QStringLiteral("Early")));
        const QModelIndex fine = add(make(QStringLiteral("Fine")));
        const QModelIndex future = add(startingIn2030(QStringLiteral("Future")));
        const QModelIndex late = add(expired(QStringLiteral("Late")));
        auto *bare = new QStandardItem(QStringLiteral("no item"));
        m_model.appendRow(bare);

        const auto answerer = answering({ QMessageBox::No, QMessageBox::Yes, QMessageBox::Yes });
        QModelIndexList accepted;
        const ValidityScreening screening(ValidityScreening::judgeByOwnTimes);
        QVERIFY(screening.screen({ future, bare->index(), early, fine, late }, accepted));
        QCOMPARE(answerer->asked.size(), 3);
        QVERIFY(answerer->asked.at(0).startsWith(QStringLiteral("certificateInvalidDialog: The certificate Future ")));
        QVERIFY(answerer->asked.at(1).startsWith(QStringLiteral("certificateExpiredDialog: The certificate Early ")));
        QVERIFY(answerer->asked.at(2).startsWith(QStringLiteral("certificateExpiredDialog: The certificate Late ")));
        QCOMPARE(accepted, (QModelIndexList{ early, fine, late }));
    }

    // A corrupt certificate ends the screening after its message, and the
    // answers given before it count for nothing.
    void corruptCertificateEndsTheScreening()
    {
        const QModelIndex fine = add(make(QStringLiteral("Fine")));
        const QModelIndex old = add(expired(QStringLiteral("Old")));
        const QModelIndex broken = add(make(QStringLiteral("Broken"), {}, {}, -5));
        const QModelIndex after = add(expired(QStringLiteral("After")));

        const auto answerer = answering({ QMessageBox::Yes, QMessageBox::Ok, QMessageBox::Yes });
        QModelIndexList accepted{ fine };
        const ValidityScreening screening(ValidityScreening::judgeByOwnTimes);
        QVERIFY(!screening.screen({ fine, old, broken, after }, accepted));
        QVERIFY(accepted.isEmpty());
        QCOMPARE(answerer->asked.size(), 2);
        QVERIFY(
            answerer->asked.at(1).startsWith(QStringLiteral("certificateCorruptedDialog: The certificate Broken ")));
        QCOMPARE(answerer->buttons.at(1), QStringList{ QStringLiteral("dialogButtonOk") });
    }

    // The judgement is the caller's: the same certificates screened by
    // another clock raise other questions.
    void judgementIsTheCallers()
    {
        const QModelIndex a = add(make(QStringLiteral("A")));
        const QModelIndex b = add(make(QStringLiteral("B")));
        const auto answerer = answering({ QMessageBox::Yes, QMessageBox::No });
        QModelIndexList accepted;
        const ValidityScreening screening([](const CertificateItem &) { return 1; });
        QVERIFY(screening.screen({ a, b }, accepted));
        QCOMPARE(answerer->asked.size(), 2);
        QVERIFY(answerer->asked.at(0).startsWith(QStringLiteral("certificateInvalidDialog")));
        QCOMPARE(accepted, QModelIndexList{ a });
    }
};

QTEST_MAIN(TestValidityScreening)
#include "tst_validityscreening.moc"
