#ifndef ZELVOCOMBOBOX_H
#define ZELVOCOMBOBOX_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

#include <QStringList>

class ZelvoComboPopup;

// A chooser: a row with a title and the current entry. Tapping it emits
// clicked() and opens a popup list of the entries over the window; choosing
// one makes it current.
class ZELVO_EXPORT ZelvoComboBox : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle)
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)
    Q_PROPERTY(QString text READ currentText)

public:
    explicit ZelvoComboBox(QGraphicsItem *parent = nullptr);
    ~ZelvoComboBox() override;

    void setTitle(const QString &title); // a logical id is shown translated
    QString title() const;

    void addItem(const QString &text);
    void addItems(const QStringList &texts);
    void insertItem(int index, const QString &text);
    void removeItem(int index);
    void clear();
    int count() const;
    QString itemText(int index) const;
    QStringList items() const;

    int currentIndex() const; // -1 when empty
    QString currentText() const;

    // The popup list while it is open, else null.
    QGraphicsWidget *popup() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

public slots:
    void setCurrentIndex(int index); // out of range: ignored
    void showPopup();
    void hidePopup();

signals:
    void currentIndexChanged(int index);
    void activated(int index); // the user chose an entry in the popup
    void clicked();

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private slots:
    void popupChose(int index);

private:
    QString m_title;
    QStringList m_items;
    int m_currentIndex;
    bool m_down;
    ZelvoComboPopup *m_popup;
};

#endif
