#ifndef ZELVOAPPLICATIONPAGE_H
#define ZELVOAPPLICATIONPAGE_H

#include "zelvoglobal.h"

#include "zelvoscenewindow.h"

class ZelvoPageViewport;

// A full-window page. Its content is the central widget, which scrolls when it
// is taller than the window. The window's back button acts on the top page by
// its escape mode: EscapeAuto emits backButtonClicked() and dismisses the page;
// EscapeManualBack only emits backButtonClicked(); EscapeCloseWindow emits it
// and hides the window.
class ZELVO_EXPORT ZelvoApplicationPage : public ZelvoSceneWindow
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)

public:
    enum EscapeMode {
        EscapeAuto = 0,
        EscapeManualBack = 1,
        EscapeCloseWindow = 2
    };
    Q_ENUM(EscapeMode)

    explicit ZelvoApplicationPage(QGraphicsItem *parent = nullptr);
    ~ZelvoApplicationPage() override;

    // Takes over the widget; an earlier central widget is deleted.
    void setCentralWidget(QGraphicsWidget *widget);
    // The central widget; a plain one is made on first call when none was set,
    // so a layout can be installed on it.
    QGraphicsWidget *centralWidget();

    void setEscapeMode(EscapeMode mode);
    EscapeMode escapeMode() const;

    void setTitle(const QString &title); // shown in the window's navigation bar
    QString title() const;

    // Scrolls the content so that the item (a descendant of the page) is in view.
    void ensureVisible(QGraphicsItem *item);
    // Scroll position of the content, 0 at the top.
    qreal scrollPosition() const;
    void setScrollPosition(qreal position);

public slots:
    // Acts as the window's back button does for this page.
    void pressBackButton();

signals:
    void backButtonClicked();

protected:
    Layer layer() const override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;
    void styleChanged() override;

private:
    ZelvoPageViewport *m_viewport;
    EscapeMode m_escapeMode;
    QString m_title;
};

#endif
