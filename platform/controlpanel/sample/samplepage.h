#ifndef SAMPLEPAGE_H
#define SAMPLEPAGE_H

#include <plixstylablewidget.h>

// A page of the sample applet, named "samplePage<number>": a label and
// buttons that ask the control panel for the next page ("sampleNextButton"),
// for a page the applet cannot build ("sampleMissingButton"), toggle the busy
// indicator ("sampleBusyButton"), raise a message box ("sampleMessageButton")
// and close the page ("sampleCloseButton"). With the dynamic property
// "holdOnBack" set, back() keeps the page open.
class SamplePage : public PlixStylableWidget
{
    Q_OBJECT

public:
    static const int missingPage = 99;

    explicit SamplePage(int number, QGraphicsItem *parent = nullptr);
    ~SamplePage() override;

    int number() const;
    bool back() override;

private:
    void addButton(const QString &text, const QString &objectName, void (SamplePage::*slot)());
    void openNext();
    void openMissing();
    void toggleBusy();
    void showMessage();
    void close();

    int m_number;
};

#endif
