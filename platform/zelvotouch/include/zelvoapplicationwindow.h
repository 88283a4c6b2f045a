#ifndef ZELVOAPPLICATIONWINDOW_H
#define ZELVOAPPLICATIONWINDOW_H

#include "zelvoglobal.h"

#include <QGraphicsView>
#include <QImage>
#include <QList>
#include <QPointer>

class ZelvoApplicationPage;
class ZelvoSceneWindow;
class ZelvoNavigationBar;
class QGraphicsWidget;

// The application's one window on the device: a graphics view of 480x854 in
// portrait (854x480 in landscape) with a navigation bar (back button, page
// title, menu) above a stack of pages, and dialogs, message boxes and banners
// over the top page. The window's pages belong to it: deleting the window
// deletes the pages still on display.
class ZELVO_EXPORT ZelvoApplicationWindow : public QGraphicsView
{
    Q_OBJECT

public:
    enum Orientation {
        Portrait = 0,
        Landscape = 1
    };
    Q_ENUM(Orientation)

    static const int shortSide = 480;
    static const int longSide = 854;

    explicit ZelvoApplicationWindow(QWidget *parent = nullptr);
    ~ZelvoApplicationWindow() override;

    // A locked orientation ignores every change until it is unlocked.
    void setPortraitOrientation();
    void setLandscapeOrientation();
    void setOrientation(Orientation orientation);
    Orientation orientation() const;
    bool isPortrait() const;
    void lockOrientation();
    void unlockOrientation();
    bool isOrientationLocked() const;

    // The pages on display, bottom to top; the current page is the top one.
    QList<ZelvoApplicationPage *> pages() const;
    ZelvoApplicationPage *currentPage() const;

    // Dialogs and message boxes on display, bottom to top (the last is modal
    // over everything below), and the banners on display.
    QList<ZelvoSceneWindow *> dialogs() const;
    QList<ZelvoSceneWindow *> banners() const;

    // The window's content as a picture, drawn even while the window is hidden.
    QImage renderToImage();
    bool saveScreenshot(const QString &path);

    QSize sceneSize() const;

public slots:
    // What the navigation bar's back button does: rejects the top dialog if one
    // is open, else acts on the current page by its escape mode.
    void pressBackButton();

signals:
    void currentPageChanged(ZelvoApplicationPage *page);
    void orientationChanged(ZelvoApplicationWindow::Orientation orientation);
    void orientationLockChanged(bool locked);
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class ZelvoSceneWindow;
    friend class ZelvoApplicationPage;
    void addSceneWindow(ZelvoSceneWindow *window, int layer);
    void removeSceneWindow(ZelvoSceneWindow *window);
    void buildChrome();
    void relayout();
    void updateNavigationBar();
    QGraphicsWidget *layerItem(int layer) const;

    Orientation m_orientation;
    bool m_orientationLocked;
    QGraphicsWidget *m_root;
    ZelvoNavigationBar *m_navigationBar; // built on first need
    QGraphicsWidget *m_layers[3];
    QList<QPointer<ZelvoSceneWindow>> m_pages;
    QList<QPointer<ZelvoSceneWindow>> m_dialogs;
    QList<QPointer<ZelvoSceneWindow>> m_banners;
};

#endif
