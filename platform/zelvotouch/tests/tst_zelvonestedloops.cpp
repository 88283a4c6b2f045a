#include "zelvoapplication.h"
#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"
#include "zelvodialog.h"
#include "zelvomessagebox.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QtTest>

// Questions wait in nested event loops, and more questions may come up
// while one waits.
class TestZelvoNestedLoops : public QObject
{
    Q_OBJECT

private:
    // Waits for the page's back button, as the service's page waits do.
    static void waitForBack(ZelvoApplicationWindow *window, ZelvoApplicationPage *page)
    {
        QEventLoop loop;
        connect(page, &ZelvoApplicationPage::backButtonClicked, &loop, &QEventLoop::quit);
        window->show();
        page->appear(window, ZelvoSceneWindow::DestroyWhenDone);
        loop.exec();
    }

    static ZelvoApplicationPage *manualPage(const QString &name)
    {
        auto *page = new ZelvoApplicationPage;
        page->setObjectName(name);
        page->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
        return page;
    }

private slots:
    void messageBoxInsideAWaitingPage()
    {
        ZelvoApplicationWindow window;
        ZelvoApplicationPage *outer = manualPage(QStringLiteral("outer"));
        int boxResult = -1;
        QStringList order;
        QTimer::singleShot(0, this, [&]() {
            ZelvoMessageBox box(QStringLiteral("Title"), QStringLiteral("Text"), QMessageBox::Yes | QMessageBox::No);
            QTimer::singleShot(0, this, [&]() {
                // The box is over the waiting page.
                QCOMPARE(window.dialogs(), (QList<ZelvoSceneWindow *>{ &box }));
                QCOMPARE(window.currentPage(), outer);
                box.button(QMessageBox::No)->click();
            });
            boxResult = box.exec();
            order << QStringLiteral("box answered");
            QVERIFY(window.dialogs().isEmpty());
            window.pressBackButton();
        });
        waitForBack(&window, outer);
        order << QStringLiteral("page left");
        QCOMPARE(boxResult, int(QMessageBox::No));
        QCOMPARE(order, (QStringList{ QStringLiteral("box answered"), QStringLiteral("page left") }));
    }

    void answeringAnOuterBoxWhileAnInnerWaitRuns()
    {
        // The outer box leaves the screen at once; its exec() returns once the
        // inner wait is over.
        ZelvoApplicationWindow window;
        ZelvoMessageBox outer(QStringLiteral("Outer"), QMessageBox::Ok);
        ZelvoApplicationPage *inner = manualPage(QStringLiteral("inner"));
        bool innerDone = false;
        QTimer::singleShot(0, this, [&]() {
            QTimer::singleShot(0, this, [&]() {
                outer.button(QMessageBox::Ok)->click();
                QVERIFY(!outer.isOnDisplay());
                window.pressBackButton();
            });
            waitForBack(&window, inner);
            innerDone = true;
        });
        QCOMPARE(outer.exec(&window), int(QMessageBox::Ok));
        QVERIFY(innerDone);
    }

    void dialogResults()
    {
        ZelvoApplicationWindow window;
        ZelvoDialog dialog(QStringLiteral("Question"), QMessageBox::Ok | QMessageBox::Cancel);
        QTimer::singleShot(0, &dialog, [&]() { dialog.button(QMessageBox::Ok)->click(); });
        QVERIFY(dialog.exec(&window) != 0);
        QTimer::singleShot(0, &dialog, [&]() { dialog.button(QMessageBox::Cancel)->click(); });
        QCOMPARE(dialog.exec(&window), 0);
        QTimer::singleShot(0, &dialog, [&]() { window.pressBackButton(); });
        QCOMPARE(dialog.exec(&window), 0);

        ZelvoButton *custom = dialog.addButton(QStringLiteral("Later"), QMessageBox::ActionRole);
        QTimer::singleShot(0, &dialog, [&]() {
            custom->click(); // neither accepts nor rejects
            QVERIFY(dialog.isRunning());
            dialog.accept();
        });
        QCOMPARE(dialog.exec(&window), int(ZelvoDialog::Accepted));
        QCOMPARE(dialog.clickedButton(), custom);
    }

    void messageBoxResults()
    {
        ZelvoApplicationWindow window;
        ZelvoMessageBox box(QStringLiteral("T"), QStringLiteral("Text"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.buttons().size(), 2);
        QCOMPARE(box.button(QMessageBox::Yes)->objectName(), QStringLiteral("dialogButtonYes"));
        QTimer::singleShot(0, &box, [&]() { box.reject(); });
        QCOMPARE(box.exec(&window), int(QMessageBox::NoButton));
        QTimer::singleShot(0, &box, [&]() { box.accept(); });
        QCOMPARE(box.exec(&window), int(QMessageBox::Yes));
        QTimer::singleShot(0, &box, [&]() { box.button(QMessageBox::Yes)->click(); });
        QCOMPARE(box.exec(&window), 0x4000);
    }

    void hiddenWindowIsShownForTheQuestionOnly()
    {
        ZelvoApplicationWindow window;
        QVERIFY(!window.isVisible());
        ZelvoMessageBox box(QStringLiteral("Text"));
        bool visibleMeanwhile = false;
        QTimer::singleShot(0, &box, [&]() {
            visibleMeanwhile = window.isVisible();
            box.accept();
        });
        QCOMPARE(box.exec(), int(QMessageBox::Ok));
        QVERIFY(visibleMeanwhile);
        QVERIFY(!window.isVisible());
    }

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
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvonestedloops"));
    TestZelvoNestedLoops test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvonestedloops.moc"
