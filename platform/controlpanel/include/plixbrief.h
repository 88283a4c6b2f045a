#ifndef PLIXBRIEF_H
#define PLIXBRIEF_H

#include "plixcontrolpanel_export.h"

#include <QObject>
#include <QString>

// What the control panel shows for an applet in its own list of applets: a
// title (empty: the applet's name from its descriptor) and a value line. The
// default brief is a plain entry with no value; applets derive to say more
// and emit valuesChanged() when what they say changes.
class PLIXCONTROLPANEL_EXPORT PlixBrief : public QObject
{
    Q_OBJECT

public:
    enum WidgetType {
        Label = 0,
        Toggle = 1
    };
    Q_ENUM(WidgetType)

    explicit PlixBrief(QObject *parent = nullptr);
    ~PlixBrief() override;

    virtual QString titleText() const;
    virtual QString valueText() const;
    virtual QString iconName() const;
    virtual WidgetType widgetType() const;
    virtual bool toggle() const;
    virtual void setToggle(bool on);

signals:
    void valuesChanged();
};

#endif
