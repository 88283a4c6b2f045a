#ifndef ZELVOPROGRESSINDICATOR_H
#define ZELVOPROGRESSINDICATOR_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

class QTimer;

// A busy indicator: a spinner (the default) or a bar. With an unknown
// duration it spins while it is running and visible; otherwise it shows
// value() within the range.
class ZELVO_EXPORT ZelvoProgressIndicator : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(bool unknownDuration READ unknownDuration WRITE setUnknownDuration)
    Q_PROPERTY(bool running READ isRunning WRITE setRunning)
    Q_PROPERTY(int value READ value WRITE setValue)

public:
    static const char *const spinnerType; // "spinner"
    static const char *const barType; // "bar"

    explicit ZelvoProgressIndicator(QGraphicsItem *parent = nullptr,
                                    const QString &viewType = QLatin1String(spinnerType));
    ~ZelvoProgressIndicator() override;

    QString viewType() const;

    void setUnknownDuration(bool unknown);
    bool unknownDuration() const;

    void setRunning(bool running); // a new indicator runs
    bool isRunning() const;

    void setRange(int minimum, int maximum);
    int minimum() const;
    int maximum() const;
    int value() const;

    // The angle of the spinner's arc, in degrees; advances while spinning.
    qreal spinnerAngle() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

public slots:
    void setValue(int value);

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private slots:
    void advanceSpinner();

private:
    void updateTimer();

    QString m_viewType;
    bool m_unknownDuration;
    bool m_running;
    int m_minimum;
    int m_maximum;
    int m_value;
    qreal m_angle;
    QTimer *m_timer;
};

#endif
