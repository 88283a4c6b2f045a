#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvolabel.h"

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
        QCOMPARE(window.pages(), (QList<ZelvoApplicationPage *>{ bottom, manual }));
        QCOMPARE(window.currentPage(), manual);
        QCOMPARE(changed.count(), 2);
        QVERIFY(!bottom->isVisible()); // covered, but still on display
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
        delete manual; // kept when done: still ours

        bottom->setEscapeMode(ZelvoApplicationPage::EscapeCloseWindow);
        window.show();
        window.pressBackButton();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.currentPage(), bottom);
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
        dismissedOnly->disappear(); // leaves, but was not dismissed
        done->disappear();
        keep->close(); // close() dismisses
        QVERIFY(window.pages().isEmpty());
        flush();
        QVERIFY(dismissedNow.isNull());
        QVERIFY(done.isNull());
        QVERIFY(!dismissedOnly.isNull());
        QVERIFY(!keep.isNull());
        delete dismissedOnly.data();
        delete keep.data();
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

        // A window never shown measures no text: its navigation bar comes
        // with the first page, sized for the orientation set meanwhile.
        auto titleLabel = [&window]() -> ZelvoLabel * {
            for (QGraphicsItem *item : window.scene()->items()) {
                auto *label =
                    item->isWidget() ? qobject_cast<ZelvoLabel *>(static_cast<QGraphicsWidget *>(item)) : nullptr;
                if (label && label->objectName() == QLatin1String("zelvoNavigationTitle"))
                    return label;
            }
            return nullptr;
        };
        QVERIFY(!titleLabel());
        ZelvoApplicationPage *p = page(QStringLiteral("p"));
        p->setTitle(QStringLiteral("First"));
        p->appear(&window);
        QCOMPARE(p->size(), QSizeF(854, 480 - 64));
        QVERIFY(titleLabel());
        QCOMPARE(titleLabel()->text(), QStringLiteral("First"));
        window.show();
        ZelvoApplication::closeAllWindows();
        QVERIFY(!window.isVisible());
        QCOMPARE(window.currentPage(), p); // hiding keeps the pages
    }

    void centralWidgets()
    {
        ZelvoApplicationPage p;
        QGraphicsWidget *made = p.centralWidget(); // made on first use
        QVERIFY(made);
        QCOMPARE(p.centralWidget(), made);
        QPointer<QGraphicsWidget> old = made;
        auto *replacement = new QGraphicsWidget;
        p.setCentralWidget(replacement);
        QVERIFY(old.isNull()); // the page owned it
        QCOMPARE(p.centralWidget(), replacement);
        p.setCentralWidget(nullptr);
        QVERIFY(p.centralWidget() != nullptr);
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvopages"));
    TestZelvoPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvopages.moc"
