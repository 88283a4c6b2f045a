#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvomessagebox.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// The page stack of the window, the escape modes of the back button, what
// the deletion policies do with pages once they are gone, and dialogs
// without a window or gone while they run.
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

    // Questions wait in nested event loops (the service's tests meet those
    // at every question); what is left to the toolkit alone:
    void boxWithoutAnyWindow()
    {
        // Nothing to show it in: the box brings a window of its own.
        QVERIFY(ZelvoApplication::applicationWindows().isEmpty());
        ZelvoMessageBox box(QStringLiteral("Delete?"), QStringLiteral("x"), QMessageBox::Yes | QMessageBox::No);
        QTimer::singleShot(0, &box, [&]() {
            QCOMPARE(ZelvoApplication::applicationWindows().size(), 1);
            box.button(QMessageBox::Yes)->click();
        });
        QCOMPARE(box.exec(), int(QMessageBox::Yes));
        QVERIFY(ZelvoApplication::applicationWindows().isEmpty());
    }

    void dialogDeletedWhileRunning()
    {
        ZelvoApplicationWindow window;
        auto *dialog = new ZelvoDialog(QStringLiteral("Gone"), QMessageBox::Ok);
        QTimer::singleShot(0, this, [dialog]() { delete dialog; });
        QCOMPARE(dialog->exec(&window), int(ZelvoDialog::Rejected));
        QVERIFY(window.dialogs().isEmpty());
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvopages"));
    TestZelvoPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvopages.moc"
