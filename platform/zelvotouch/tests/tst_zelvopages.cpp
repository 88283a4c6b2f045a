#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// The page stack of the window, the escape modes of the back button and what
// the deletion policies do with pages once they are gone.
class TestZelvoPages : public QObject
{
    Q_OBJECT

private:
    static ZelvoApplicationPage *page(const QString &name)
    {
        auto *p = new ZelvoApplicationPage;
        p->setObjectName(name);
        return p;
    }

    static void flush()
    {
        // disappeared() comes from the event loop, deletion after it.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

private slots:
    void activeWindowIsTheFirstApplicationWindow()
    {
        QCOMPARE(ZelvoApplication::activeWindow(), static_cast<ZelvoApplicationWindow *>(nullptr));
        auto *first = new ZelvoApplicationWindow;
        ZelvoApplicationWindow second;
        QCOMPARE(ZelvoApplication::activeWindow(), first);
        delete first;
        QCOMPARE(ZelvoApplication::activeWindow(), &second);
    }

    void stackAndEscapeModes()
    {
        ZelvoApplicationWindow window;
        QSignalSpy changed(&window, &ZelvoApplicationWindow::currentPageChanged);
        ZelvoApplicationPage *bottom = page(QStringLiteral("bottom"));
        ZelvoApplicationPage *manual = page(QStringLiteral("manual"));
        manual->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
        bottom->appear(&window);
        manual->appear(&window);
        QCOMPARE(window.pages(), (QList<ZelvoApplicationPage *>{bottom, manual}));
        QCOMPARE(window.currentPage(), manual);
        QCOMPARE(changed.count(), 2);
        QVERIFY(!bottom->isVisible());  // covered, but still on display
        QVERIFY(bottom->isOnDisplay());

        // Manual back only signals.
        QSignalSpy manualBack(manual, &ZelvoApplicationPage::backButtonClicked);
        window.pressBackButton();
        QCOMPARE(manualBack.count(), 1);
        QCOMPARE(window.currentPage(), manual);

        // The default mode signals and closes the page; the page below returns.
        manual->setEscapeMode(ZelvoApplicationPage::EscapeAuto);
        QSignalSpy disappeared(manual, &ZelvoSceneWindow::disappeared);
        window.pressBackButton();
        QCOMPARE(manualBack.count(), 2);
        QCOMPARE(window.currentPage(), bottom);
        QVERIFY(bottom->isVisible());
        // Whoever closed the page may still connect to disappeared().
        QCOMPARE(disappeared.count(), 0);
        flush();
        QCOMPARE(disappeared.count(), 1);
        delete manual;  // kept when done: still ours

        bottom->setEscapeMode(ZelvoApplicationPage::EscapeCloseWindow);
        window.show();
        window.pressBackButton();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.currentPage(), bottom);
    }

    void appearingAgainMovesToTheTop()
    {
        ZelvoApplicationWindow window;
        ZelvoApplicationPage *a = page(QStringLiteral("a"));
        ZelvoApplicationPage *b = page(QStringLiteral("b"));
        QSignalSpy appeared(a, &ZelvoSceneWindow::appeared);
        a->appear(&window);
        b->appear(&window);
        a->appear(&window);
        QCOMPARE(window.pages(), (QList<ZelvoApplicationPage *>{b, a}));
        QCOMPARE(appeared.count(), 1);
    }

    void deletionPolicies()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoApplicationPage> keep = page(QStringLiteral("keep"));
        QPointer<ZelvoApplicationPage> done = page(QStringLiteral("done"));
        QPointer<ZelvoApplicationPage> dismissedOnly = page(QStringLiteral("dismissedOnly"));
        QPointer<ZelvoApplicationPage> dismissedNow = page(QStringLiteral("dismissedNow"));
        keep->appear(&window, ZelvoSceneWindow::KeepWhenDone);
        done->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        dismissedOnly->appear(&window, ZelvoSceneWindow::DestroyWhenDismissed);
        dismissedNow->appear(&window, ZelvoSceneWindow::DestroyWhenDismissed);

        dismissedNow->dismiss();
        dismissedOnly->disappear();  // leaves, but was not dismissed
        done->disappear();
        keep->close();                // close() dismisses
        QVERIFY(window.pages().isEmpty());
        flush();
        QVERIFY(dismissedNow.isNull());
        QVERIFY(done.isNull());
        QVERIFY(!dismissedOnly.isNull());
        QVERIFY(!keep.isNull());
        delete dismissedOnly.data();
        delete keep.data();
    }

    void deletedPageLeavesTheStack()
    {
        ZelvoApplicationWindow window;
        ZelvoApplicationPage *a = page(QStringLiteral("a"));
        ZelvoApplicationPage *b = page(QStringLiteral("b"));
        a->appear(&window);
        b->appear(&window);
        delete b;
        QCOMPARE(window.currentPage(), a);
        QVERIFY(a->isVisible());
    }

    void windowOwnsItsPages()
    {
        auto *window = new ZelvoApplicationWindow;
        QPointer<ZelvoApplicationPage> a = page(QStringLiteral("a"));
        a->appear(window);
        delete window;
        QVERIFY(a.isNull());
    }

    void backSignalMayDeleteThePage()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoApplicationPage> p = page(QStringLiteral("p"));
        p->appear(&window);
        connect(p.data(), &ZelvoApplicationPage::backButtonClicked, p.data(), [&p]() { delete p.data(); });
        window.pressBackButton();
        QVERIFY(p.isNull());
        QVERIFY(window.pages().isEmpty());
    }

    void appearWithoutWindow()
    {
        // No application window: logged, and a page that would be destroyed is.
        QPointer<ZelvoApplicationPage> p = page(QStringLiteral("orphan"));
        p->appear(ZelvoSceneWindow::DestroyWhenDone);
        QVERIFY(!p->isOnDisplay());
        flush();
        QVERIFY(p.isNull());
    }

    void orientationAndVisibility()
    {
        ZelvoApplicationWindow window;
        QCOMPARE(window.sceneSize(), QSize(480, 854));
        window.setLandscapeOrientation();
        QCOMPARE(window.sceneSize(), QSize(854, 480));
        window.setPortraitOrientation();
        window.lockOrientation();
        QVERIFY(window.isOrientationLocked());
        window.setLandscapeOrientation();
        QVERIFY(window.isPortrait());
        window.unlockOrientation();
        window.setLandscapeOrientation();
        QVERIFY(!window.isPortrait());

        ZelvoApplicationPage *p = page(QStringLiteral("p"));
        p->appear(&window);
        QCOMPARE(p->size(), QSizeF(854, 480 - 64));
        window.show();
        ZelvoApplication::closeAllWindows();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.currentPage(), p);  // hiding keeps the pages
    }

    void centralWidgets()
    {
        ZelvoApplicationPage p;
        QGraphicsWidget *made = p.centralWidget();  // made on first use
        QVERIFY(made);
        QCOMPARE(p.centralWidget(), made);
        QPointer<QGraphicsWidget> old = made;
        auto *replacement = new QGraphicsWidget;
        p.setCentralWidget(replacement);
        QVERIFY(old.isNull());  // the page owned it
        QCOMPARE(p.centralWidget(), replacement);
        p.setCentralWidget(nullptr);
        QVERIFY(p.centralWidget() != nullptr);
    }

    void dragScrollsInsteadOfTapping()
    {
        ZelvoApplicationWindow window;
        ZelvoApplicationPage *p = page(QStringLiteral("drag"));
        auto *content = new QGraphicsWidget;
        content->setPreferredSize(480, 3000);
        auto *button = new ZelvoButton(QStringLiteral("Under the finger"), content);
        button->setGeometry(0, 100, 480, 60);
        p->setCentralWidget(content);
        p->appear(&window);
        QCoreApplication::processEvents();
        QSignalSpy clicked(button, &ZelvoButton::clicked);

        auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
            QGraphicsSceneMouseEvent event(type);
            event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
            event.setButtons(buttons);
            event.setScenePos(at);
            event.setButtonDownScenePos(Qt::LeftButton, QPointF(240, 64 + 130));
            QCoreApplication::sendEvent(window.scene(), &event);
        };
        send(QEvent::GraphicsSceneMousePress, QPointF(240, 64 + 130), Qt::LeftButton);
        send(QEvent::GraphicsSceneMouseMove, QPointF(240, 64 + 100), Qt::LeftButton);
        send(QEvent::GraphicsSceneMouseMove, QPointF(240, 64 + 30), Qt::LeftButton);
        send(QEvent::GraphicsSceneMouseRelease, QPointF(240, 64 + 30), Qt::NoButton);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(p->scrollPosition(), 100.0);
        QVERIFY(!button->isDown());
    }

    void longContentScrollsIntoView()
    {
        ZelvoApplicationWindow window;
        ZelvoApplicationPage *p = page(QStringLiteral("long"));
        auto *content = new QGraphicsWidget;
        content->setPreferredSize(480, 3000);
        auto *bottom = new QGraphicsWidget(content);
        bottom->setGeometry(0, 2900, 100, 50);
        p->setCentralWidget(content);
        p->appear(&window);
        QCoreApplication::processEvents();
        QCOMPARE(content->size().height(), 3000.0);
        p->ensureVisible(bottom);
        QVERIFY(p->scrollPosition() > 2000);
        p->setScrollPosition(-50);
        QCOMPARE(p->scrollPosition(), 0.0);
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvopages"));
    TestZelvoPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvopages.moc"
