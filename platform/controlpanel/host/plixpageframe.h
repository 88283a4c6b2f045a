#ifndef PLIXPAGEFRAME_H
#define PLIXPAGEFRAME_H

#include <zelvoapplicationpage.h>

#include <QPointer>

class PlixStylableWidget;
class ZelvoProgressIndicator;

// One applet page as the control panel shows it: a window page named
// "plixPage<number>" holding the applet's page as its content, with the
// window's busy indicator ("plixProgressIndicator") over the content's top
// right corner. The frame owns the applet page.
class PlixPageFrame : public ZelvoApplicationPage
{
    Q_OBJECT

public:
    PlixPageFrame(int number, PlixStylableWidget *page);
    ~PlixPageFrame() override;

    int number() const;
    PlixStylableWidget *page() const; // null once the page was deleted
    // Whether this frame was given that page (also while it is being deleted).
    bool holds(const QObject *page) const;
    // Takes the page over in place of the current one, which is deleted.
    void replacePage(PlixStylableWidget *page);

    void setBusy(bool busy);
    bool isBusy() const;

protected:
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void placeIndicator();

    int m_number;
    QPointer<PlixStylableWidget> m_page;
    const QObject *m_pageIdentity;
    ZelvoProgressIndicator *m_indicator;
};

#endif
