// The control panel's page stack driven by the sample applet in process:
// page numbers and back, null pages, title and menu of the top page, who
// deletes pages, the busy indicator.

#include "plixpageframe.h"
#include "plixpagestack.h"
#include "plixstylablewidget.h"
#include "sampleappletfixture.h"

#include <zelvoapplicationwindow.h>

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

// Loader, window and stack in the order they must go: pages, window, plug-in.
struct Panel {
    PlixAppletLoader loader{ sampleDescriptor() };
    ZelvoApplicationWindow window;
    PlixAppletIf *applet = loader.load();
    std::unique_ptr<PlixPageStack> stack{ applet ? new PlixPageStack(applet, &window) : nullptr };

    ~Panel()
    {
        stack.reset();
        flush();
    }
    static void flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    QObject *sample() { return loader.instance(); }
    QString pages() const
    {
        QStringList numbers;
        for (int n : stack->pageNumbers())
            numbers << QString::number(n);
        return numbers.join(QLatin1Char(','));
    }
    QString title() const { return window.currentPage() ? window.currentPage()->title() : QString(); }
    QString menu() const
    {
        QStringList names;
        if (window.currentPage()) {
            for (QAction *action : window.currentPage()->actions())
                names << action->objectName();
        }
        return names.join(QLatin1Char(','));
    }
    // Steps apart by blanks, each a page number (the top page asks for it),
    // "back" (the window's back button), "close" (the top page closes
    // itself) or "hold" (the top page refuses to be left).
    void step(const QString &steps)
    {
        for (const QString &what : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            bool isNumber = false;
            const int number = what.toInt(&isNumber);
            if (isNumber)
                stack->topPage()->changeWidget(number);
            else if (what == QLatin1String("back"))
                window.pressBackButton();
            else if (what == QLatin1String("close"))
                stack->topPage()->closePage();
            else if (what == QLatin1String("hold"))
                stack->topPage()->setProperty("holdOnBack", true);
            flush();
        }
    }
};

} // namespace

class tst_PlixPageStack : public QObject
{
    Q_OBJECT

private slots:
    void pageNumbersBackTitleAndMenu_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("pages");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("menu");

        // steps, then the stack's page numbers, the top page's title and menu
        const struct {
            const char *what, *steps, *pages, *title, *menu;
        } rows[] = {
            { "main page", "", "0", "Sample", "sampleOpenAction" },
            { "page 1 over it", "1", "0,1", "Sample page 1", "sampleBannerAction" },
            { "page 2 has no menu", "1 2", "0,1,2", "Sample page 2", "" },
            { "a page asks for itself again", "1 1", "0,1,1", "Sample page 1", "sampleBannerAction" },
            { "null page pushes nothing", "1 99", "0,1", "Sample page 1", "sampleBannerAction" },
            { "negative page pushes nothing", "-1", "0", "Sample", "sampleOpenAction" },
            // After back the applet answers for the page it built last, and is asked again.
            { "back to page 1", "1 2 back", "0,1", "Sample page 2", "" },
            { "back to the main page asks for it again", "1 2 back back", "0", "Sample", "sampleOpenAction" },
            { "a page that refuses to be left", "1 hold back", "0,1", "Sample page 1", "sampleBannerAction" },
            { "close is back", "1 2 close", "0,1", "Sample page 2", "" },
            { "a held page does not close", "1 hold close", "0,1", "Sample page 1", "sampleBannerAction" },
            { "asking for the main page returns to it", "1 2 3 0", "0", "Sample", "sampleOpenAction" },
            { "back from the main page ends", "1 back back", "", "", "" },
        };
        for (const auto &row : rows)
            QTest::newRow(row.what) << QString(row.steps) << QString(row.pages) << QString(row.title)
                                    << QString(row.menu);
    }

    void pageNumbersBackTitleAndMenu()
    {
        QFETCH(QString, steps);
        QFETCH(QString, pages);
        QFETCH(QString, title);
        QFETCH(QString, menu);

        Panel panel;
        QVERIFY2(panel.stack, qPrintable(panel.loader.errorString()));
        QSignalSpy finished(panel.stack.get(), &PlixPageStack::finished);
        QVERIFY(panel.stack->open());
        panel.step(steps);

        QCOMPARE(panel.pages(), pages);
        QCOMPARE(panel.window.pages().size(), panel.stack->depth());
        QCOMPARE(panel.title(), title);
        QCOMPARE(panel.menu(), menu);
        QCOMPARE(finished.count(), pages.isEmpty() ? 1 : 0);
        QCOMPARE(panel.sample()->property("initCount").toInt(), 1);
    }

    void pagesLeavingTheStackAreDeletedByTheHost()
    {
        Panel panel;
        QVERIFY(panel.stack && panel.stack->open());
        QPointer<PlixStylableWidget> main = panel.stack->topPage();
        panel.step(QStringLiteral("1 2"));
        QPointer<PlixStylableWidget> second = panel.stack->topPage();
        QCOMPARE(second->referer(), 1); // the page that asked for it
        panel.step(QStringLiteral("back"));
        QVERIFY(!second);
        panel.step(QStringLiteral("back"));
        QCOMPARE(panel.stack->topPage(), main.data()); // the same main page, handed out again
        panel.step(QStringLiteral("back"));
        QVERIFY(!main);
        QCOMPARE(panel.sample()->property("mainPageExits").toInt(), 1);

        // Opened again, the applet builds a new main page; closing the control
        // panel deletes the pages still on display.
        panel.stack.reset(new PlixPageStack(panel.applet, &panel.window));
        QVERIFY(panel.stack->open());
        panel.step(QStringLiteral("1"));
        QCOMPARE(panel.title(), QStringLiteral("Sample page 1"));
        QPointer<PlixStylableWidget> first = panel.stack->topPage();
        panel.stack.reset();
        Panel::flush();
        QVERIFY(!first);
        QVERIFY(panel.window.pages().isEmpty());
        QCOMPARE(panel.sample()->property("mainPageExits").toInt(), 2);
    }

    void pageDeletedBehindTheHostsBackIsDropped()
    {
        Panel panel;
        QVERIFY(panel.stack && panel.stack->open());
        panel.step(QStringLiteral("1 2"));
        delete panel.stack->topPage();
        Panel::flush();
        QCOMPARE(panel.pages(), QStringLiteral("0,1"));
        QCOMPARE(panel.window.currentPage(), panel.stack->topFrame());
        QCOMPARE(panel.title(), QStringLiteral("Sample page 2"));

        // The main page under page 1 goes too: page 1 stays on top.
        delete static_cast<PlixPageFrame *>(panel.window.pages().first())->page();
        Panel::flush();
        QCOMPARE(panel.pages(), QStringLiteral("1"));
        panel.step(QStringLiteral("back"));
        QCOMPARE(panel.pages(), QString());
    }

    void busyIndicatorFollowsTheTopPage()
    {
        Panel panel;
        QVERIFY(panel.stack && panel.stack->open());
        panel.step(QStringLiteral("1"));
        panel.stack->topPage()->setProgressIndicatorVisible(true);
        QVERIFY(panel.stack->topFrame()->isBusy());
        panel.step(QStringLiteral("2"));
        QVERIFY(!panel.stack->topFrame()->isBusy());
        panel.step(QStringLiteral("back"));
        QVERIFY(panel.stack->topFrame()->isBusy());
        panel.stack->topPage()->setProgressIndicatorVisible(false);
        QVERIFY(!panel.stack->topFrame()->isBusy());
    }
};

QTEST_MAIN(tst_PlixPageStack)
#include "tst_plixpagestack.moc"
