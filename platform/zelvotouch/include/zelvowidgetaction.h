#ifndef ZELVOWIDGETACTION_H
#define ZELVOWIDGETACTION_H

#include "zelvoglobal.h"

#include "zelvoaction.h"

#include <QPointer>

class QGraphicsWidget;

// An action shown as a widget (e.g. a combo box) in a menu. The action owns
// the widget until something else parents it; a widget left without a parent
// is deleted with the action.
class ZELVO_EXPORT ZelvoWidgetAction : public ZelvoAction
{
    Q_OBJECT

public:
    explicit ZelvoWidgetAction(QObject *parent = nullptr);
    ~ZelvoWidgetAction() override;

    void setWidget(QGraphicsWidget *widget);
    QGraphicsWidget *widget() const;

private:
    QPointer<QGraphicsWidget> m_widget;
};

#endif
