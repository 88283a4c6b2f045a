#include "zelvoapplication.h"
#include "zelvoapplicationwindow.h"
#include "zelvobanner.h"

#include <QPointer>
#include <QGraphicsSceneMouseEvent>
#include <QSignalSpy>
#include <QtTest>

// Information banners leave by themselves and are destroyed when done.
class TestZelvoBanner : public QObject
{
    Q_OBJECT

private:
    static ZelvoBanner *banner(const QString &title)
    {
        auto *b = new ZelvoBanner;
        b->setStyleName(QStringLiteral("InformationBanner"));
        b->setObjectName(QStringLiteral("banner ") + title);
        b->setTitle(title);
        return b;
    }

private slots:
    void goesByItselfAndIsDestroyed()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoBanner> b = banner(QStringLiteral("Storing key failed"));
        QCOMPARE(b->disappearTimeout(), 3000);
        b->setDisappearTimeout(150);
        QSignalSpy gone(b.data(), &ZelvoSceneWindow::disappeared);
        b->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        QCOMPARE(window.banners(), (QList<ZelvoSceneWindow *>{b.data()}));
        QCOMPARE(b->geometry().width(), 480.0);
        QTRY_COMPARE(gone.count(), 1);
        QVERIFY(window.banners().isEmpty());
        QTRY_VERIFY(b.isNull());
    }

    void defaultTimeoutEndsIt()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoBanner> b = banner(QStringLiteral("lgd_certman_banner_rootdelete"));
        b->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        QTest::qWait(1500);
        QVERIFY(!b.isNull() && b->isOnDisplay());
        QTRY_VERIFY_WITH_TIMEOUT(b.isNull(), 5000);
    }

    void newBannerReplacesTheOldOne()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoBanner> first = banner(QStringLiteral("first"));
        QPointer<ZelvoBanner> second = banner(QStringLiteral("second"));
        first->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        second->appear(&window, ZelvoSceneWindow::KeepWhenDone);
        QCOMPARE(window.banners(), (QList<ZelvoSceneWindow *>{second.data()}));
        QTRY_VERIFY(first.isNull());
        second->dismiss();  // a tap, or the code, may end it early
        QVERIFY(window.banners().isEmpty());
        QTest::qWait(50);
        QVERIFY(!second.isNull());  // kept: it is ours to delete
        delete second.data();
    }

    void tapEndsIt()
    {
        ZelvoApplicationWindow window;
        QPointer<ZelvoBanner> b = banner(QStringLiteral("tap me"));
        b->setDisappearTimeout(0);  // stays until tapped
        b->appear(&window, ZelvoSceneWindow::DestroyWhenDone);
        QTest::qWait(100);
        QVERIFY(b->isOnDisplay());
        QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
        press.setButton(Qt::LeftButton);
        press.setScenePos(QPointF(100, 30));
        QCoreApplication::sendEvent(window.scene(), &press);
        QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
        release.setButton(Qt::LeftButton);
        release.setScenePos(QPointF(100, 30));
        QCoreApplication::sendEvent(window.scene(), &release);
        QTRY_VERIFY(b.isNull());
    }
};

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("tst_zelvobanner"));
    TestZelvoBanner test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_zelvobanner.moc"
