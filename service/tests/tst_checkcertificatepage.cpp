// The question page in process: how it is built, what exec() returns for
// each way out, the details page over it, and that an answered page leaves
// the window.

#include "buttonadvertiser.h"
#include "certificatefactory.h"
#include "checkcertificatepage.h"

#include <certificatedetailswidget.h>
#include <certificateitem.h>
#include <certificateitemwidget.h>
#include <zelvoapplication.h>
#include <zelvoapplicationpage.h>
#include <zelvoapplicationwindow.h>
#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvooverlay.h>
#include <zelvoseparator.h>

#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<CertificateItem> makeItem(const QString &commonName)
{
    CertificateFactory::Options options;
    options.commonName = commonName;
    const auto made = CertificateFactory::makeSelfSigned(options);
    std::unique_ptr<CertificateItem> item(new CertificateItem);
    if (!made.certificate || !item->setCertificate(made.certificate.data()))
        return nullptr;
    return item;
}

// The central column of the page on top, entry by entry (null: a stretch).
QList<QGraphicsLayoutItem *> column(ZelvoApplicationPage *page)
{
    QList<QGraphicsLayoutItem *> entries;
    auto *layout = dynamic_cast<ZelvoLayout *>(page->centralWidget()->layout());
    if (!layout || !layout->policy())
        return entries;
    for (int i = 0; i < layout->policy()->count(); ++i)
        entries << layout->policy()->itemAt(i);
    return entries;
}

template <typename T>
T *entryAs(const QList<QGraphicsLayoutItem *> &entries, int index)
{
    return dynamic_cast<T *>(entries.value(index));
}

QString styleOf(QGraphicsLayoutItem *entry)
{
    auto *widget = dynamic_cast<ZelvoStylableWidget *>(entry);
    return widget ? widget->styleName() : QString();
}

} // namespace

class TestCheckCertificatePage : public QObject
{
    Q_OBJECT

private:
    ZelvoApplicationWindow *m_window = nullptr;

    // Runs the steps one after another from the prompt's own loop.
    void whileWaiting(const QList<std::function<void()>> &steps)
    {
        int delay = 0;
        for (const auto &step : steps)
            QTimer::singleShot(delay += 20, this, step);
    }

private slots:
    void initTestCase()
    {
        m_window = new ZelvoApplicationWindow;
        QVERIFY(ZelvoApplication::activeWindow() == m_window);
    }

    void cleanupTestCase() { delete m_window; }

    void singlePageIsBuiltInOrderAndReturnsThePressedButton()
    {
        auto item = makeItem(QStringLiteral("single.example.test"));
        QVERIFY(item);
        CheckCertificatePage prompt(QStringLiteral("Body<br><br>Question"), item.get());
        prompt.setObjectName(QStringLiteral("questionPage"));
        QVERIFY(prompt.objectName().isEmpty());   // the page is named, not the prompt
        ButtonAdvertiser *first = prompt.addButton(QStringLiteral("First"));
        ButtonAdvertiser *second = prompt.addButton(QStringLiteral("Second"));
        QList<ZelvoButton *> pressed;
        connect(&prompt, &CheckCertificatePage::buttonPressed, this, [&](ZelvoButton *button) { pressed << button; });

        QList<QGraphicsLayoutItem *> entries;
        ZelvoApplicationPage *shown = nullptr;
        whileWaiting({ [&] {
                          shown = m_window->currentPage();
                          entries = column(shown);
                      },
                       [&] { second->click(); } });
        ZelvoButton *result = prompt.exec();

        QCOMPARE(result, static_cast<ZelvoButton *>(second));
        QCOMPARE(pressed, QList<ZelvoButton *>{ second });
        QVERIFY(shown);
        QCOMPARE(shown->objectName(), QStringLiteral("questionPage"));
        QCOMPARE(shown->styleName(), QStringLiteral("CommonApplicationPageInverted"));
        QCOMPARE(shown->escapeMode(), ZelvoApplicationPage::EscapeManualBack);

        QCOMPARE(entries.size(), 8);
        QCOMPARE(styleOf(entries.at(0)), QStringLiteral("CommonHeaderInverted"));
        QVERIFY(entryAs<ZelvoSeparator>(entries, 1));
        QCOMPARE(styleOf(entries.at(1)), QStringLiteral("CommonHeaderDividerInverted"));
        auto *body = entryAs<ZelvoLabel>(entries, 2);
        QVERIFY(body);
        QCOMPARE(body->text(), QStringLiteral("Body<br><br>Question"));
        QCOMPARE(body->styleName(), QStringLiteral("CommonBodyTextInverted"));
        QVERIFY(body->wordWrap());
        QCOMPARE(body->alignment() & Qt::AlignVertical_Mask, Qt::Alignment(Qt::AlignVCenter));
        auto *certificate = entryAs<CertificateItemWidget>(entries, 3);
        QVERIFY(certificate);
        QVERIFY(certificate->objectName().isEmpty());
        QCOMPARE(styleOf(entries.at(4)), QStringLiteral("CommonSpacer"));
        QCOMPARE(entries.at(5), static_cast<QGraphicsLayoutItem *>(first));
        QCOMPARE(first->styleName(), QStringLiteral("CommonTopButtonInverted"));
        QCOMPARE(entries.at(6), static_cast<QGraphicsLayoutItem *>(second));
        QCOMPARE(second->styleName(), QStringLiteral("CommonBottomButtonInverted"));
        QCOMPARE(entries.at(7), nullptr);   // the closing stretch

        // Answered, the page leaves the window.
        QVERIFY(m_window->pages().isEmpty());
    }

    void changedPageShowsBothCertificatesAndTheirOwnDetails()
    {
        auto oldItem = makeItem(QStringLiteral("old.example.test"));
        auto newItem = makeItem(QStringLiteral("new.example.test"));
        QVERIFY(oldItem && newItem);
        CheckCertificatePage prompt(QStringLiteral("Changed"), oldItem.get(), newItem.get());
        prompt.addButton(QStringLiteral("Yes"));

        QList<QGraphicsLayoutItem *> entries;
        CertificateItem *detailsOfOld = nullptr;
        CertificateItem *detailsOfNew = nullptr;
        int pagesWithDetails = 0;
        auto detailsShown = [this]() -> CertificateItem * {
            ZelvoApplicationPage *top = m_window->currentPage();
            auto *details = top ? dynamic_cast<CertificateDetailsWidget *>(top->centralWidget()) : nullptr;
            return details ? details->certificate() : nullptr;
        };
        whileWaiting({ [&] { entries = column(m_window->currentPage()); },
                       [&] { entryAs<CertificateItemWidget>(entries, 4)->click(); },
                       [&] {
                           detailsOfOld = detailsShown();
                           pagesWithDetails = m_window->pages().size();
                           QCOMPARE(m_window->currentPage()->escapeMode(), ZelvoApplicationPage::EscapeAuto);
                           m_window->pressBackButton();
                       },
                       [&] { entryAs<CertificateItemWidget>(entries, 6)->click(); },
                       [&] {
                           detailsOfNew = detailsShown();
                           m_window->pressBackButton();
                       },
                       [&] { m_window->pressBackButton(); } });
        // Details opened and closed before, the back action still means no answer.
        QCOMPARE(prompt.exec(), nullptr);

        QCOMPARE(entries.size(), 10);
        auto *oldHeader = entryAs<ZelvoOverlay>(entries, 3);
        QVERIFY(oldHeader);
        QCOMPARE(oldHeader->styleName(), QStringLiteral("CommonGroupHeaderPanelInverted"));
        auto *row = dynamic_cast<ZelvoLayout *>(oldHeader->layout());
        QVERIFY(row && row->policy());
        QCOMPARE(row->policy()->orientation(), Qt::Horizontal);
        auto *divider = dynamic_cast<ZelvoSeparator *>(row->policy()->itemAt(0));
        QVERIFY(divider);
        QCOMPARE(divider->styleName(), QStringLiteral("CommonGroupHeaderDividerInverted"));
        QCOMPARE(row->policy()->stretchFactor(divider), 2);
        auto *caption = dynamic_cast<ZelvoLabel *>(row->policy()->itemAt(1));
        QVERIFY(caption);
        QCOMPARE(caption->styleName(), QStringLiteral("CommonGroupHeaderInverted"));
        QCOMPARE(caption->text(), qtTrId("lgd_certman_old_certificate"));

        auto *oldWidget = entryAs<CertificateItemWidget>(entries, 4);
        auto *newWidget = entryAs<CertificateItemWidget>(entries, 6);
        QVERIFY(oldWidget && newWidget);
        QCOMPARE(oldWidget->objectName(), QStringLiteral("OldCertificateItemWidget"));
        QCOMPARE(newWidget->objectName(), QStringLiteral("NewCertificateItemWidget"));
        QVERIFY(entryAs<ZelvoOverlay>(entries, 5));
        QCOMPARE(styleOf(entries.at(7)), QStringLiteral("CommonSpacer"));

        QCOMPARE(pagesWithDetails, 2);
        QCOMPARE(detailsOfOld, oldItem.get());
        QCOMPARE(detailsOfNew, newItem.get());
        QVERIFY(m_window->pages().isEmpty());
    }

    void withoutButtonsNothingIsShown()
    {
        auto item = makeItem(QStringLiteral("nobutton.example.test"));
        QVERIFY(item);
        m_window->setVisible(false);
        CheckCertificatePage prompt(QStringLiteral("Nothing to answer"), item.get());
        QCOMPARE(prompt.exec(), nullptr);
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_window->pages().isEmpty());
    }

    // The items go with the question; a details page still open then (here
    // the answer comes from code, past the details page) must not keep
    // showing them.
    void itemsAreLetGoWhenThePromptEnds()
    {
        auto item = makeItem(QStringLiteral("letgo.example.test"));
        QVERIFY(item);
        QPointer<CertificateItemWidget> certificate;
        QPointer<ZelvoApplicationPage> details;
        {
            CheckCertificatePage prompt(QStringLiteral("Question"), item.get());
            ButtonAdvertiser *yes = prompt.addButton(QStringLiteral("Yes"));
            whileWaiting({ [&] {
                              certificate = entryAs<CertificateItemWidget>(column(m_window->currentPage()), 3);
                              certificate->click();
                          },
                           [&] {
                               details = m_window->currentPage();
                               yes->click();
                           } });
            QCOMPARE(prompt.exec(), static_cast<ZelvoButton *>(yes));
            QVERIFY(details && details->isOnDisplay());
        }
        QVERIFY(!details || !details->isOnDisplay());
        QVERIFY(!certificate || !certificate->certificate());
        QTRY_VERIFY(m_window->pages().isEmpty());
    }
};

QTEST_MAIN(TestCheckCertificatePage)

#include "tst_checkcertificatepage.moc"
