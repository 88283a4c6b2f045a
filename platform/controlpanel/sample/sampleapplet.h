#ifndef SAMPLEAPPLET_H
#define SAMPLEAPPLET_H

#include "samplepage.h"

#include <plixappletif.h>

#include <QObject>
#include <QPointer>
#include <QVector>

class ZelvoAction;

// The sample applet of the control panel, for its tests and as a pattern
// for real applets. Pages 0 to 9 exist (0 is the main page, handed out again
// while it exists); page 99 cannot be built. Title and menu answer for the
// page built last: the main page's menu opens page 1 ("sampleOpenAction"),
// odd pages offer a banner ("sampleBannerAction"), even ones have no menu.
// What the control panel did to it can be read from its properties.
class SampleApplet : public QObject, public PlixAppletIf
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PlixAppletIf_iid FILE "sampleapplet.json")
    Q_INTERFACES(PlixAppletIf)
    Q_PROPERTY(int initCount MEMBER m_initCount)
    Q_PROPERTY(int currentPage MEMBER m_currentPage)
    Q_PROPERTY(int mainPageExits MEMBER m_mainPageExits)

public:
    static const int lastPage = 9;

    SampleApplet();
    ~SampleApplet() override;

    void init() override;
    QString title() const override;
    QVector<ZelvoAction *> viewMenuItems() override;
    PlixBrief *constructBrief(int partId) override;
    PlixStylableWidget *constructStylableWidget(int widgetId) override;

private:
    void mainPageExited();
    void openFirstPage();
    void showBanner();

    int m_initCount;
    int m_currentPage;
    int m_mainPageExits;
    QPointer<SamplePage> m_mainPage;
    QVector<ZelvoAction *> m_mainMenu;
    QVector<ZelvoAction *> m_oddMenu;
};

#endif
