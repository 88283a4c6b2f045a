#ifndef ZELVOEVENTWATCHER_H
#define ZELVOEVENTWATCHER_H

#include <QEvent>
#include <QObject>
#include <QSet>

#include <functional>

// Calls back when a watched object receives one of the given event types,
// before the object handles it. Used where the toolkit must follow changes of
// objects it does not subclass (a page's actions, a panel's layout).
class ZelvoEventWatcher : public QObject
{
    Q_OBJECT

public:
    ZelvoEventWatcher(QSet<QEvent::Type> types, std::function<void(QObject *, QEvent *)> callback, QObject *parent)
        : QObject(parent)
        , m_types(std::move(types))
        , m_callback(std::move(callback))
    {
    }

    void watch(QObject *object) { object->installEventFilter(this); }
    void unwatch(QObject *object) { object->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_types.contains(event->type()))
            m_callback(watched, event);
        return false;
    }

private:
    QSet<QEvent::Type> m_types;
    std::function<void(QObject *, QEvent *)> m_callback;
};

#endif
