#ifndef ZELVOLIST_H
#define ZELVOLIST_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

#include <QModelIndex>
#include <QPointer>

class QAbstractItemModel;
class QItemSelectionModel;
class QGraphicsLinearLayout;

// A list over the top-level rows of an item model (column 0). Every row is a
// child widget: by default a ZelvoListItem whose title is the row's display
// text and whose second line is the subtitle role's text, if one is set.
// Tapping a row emits itemClicked(index); in multi-selection mode it also
// flips the row's check mark, in single-selection mode it selects the row.
// The list follows the model's inserts, removals, moves, resets and changes.
class ZELVO_EXPORT ZelvoList : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    enum SelectionMode {
        NoSelection = 0,
        SingleSelection = 1,
        MultiSelection = 2
    };
    Q_ENUM(SelectionMode)

    explicit ZelvoList(QGraphicsItem *parent = nullptr);
    ~ZelvoList() override;

    // The list does not own the model.
    void setItemModel(QAbstractItemModel *model);
    QAbstractItemModel *itemModel() const;

    void setSubtitleRole(int role); // -1 (default): single-line rows
    int subtitleRole() const;

    void setSelectionMode(SelectionMode mode);
    SelectionMode selectionMode() const;
    QItemSelectionModel *selectionModel() const;
    QModelIndexList selectedIndexes() const; // in row order
    void select(const QModelIndex &index, bool selected = true);

    int rowCount() const;
    QGraphicsWidget *itemWidget(int row) const;
    QModelIndex indexOf(const QGraphicsWidget *itemWidget) const;

public slots:
    void clearSelection();

signals:
    void itemClicked(const QModelIndex &index);
    void selectionChanged();

protected:
    // Makes the widget of one row. A widget of another class counts a tap when
    // it has a clicked() signal.
    virtual QGraphicsWidget *createItemWidget(const QModelIndex &index);
    // Fills a row widget from the model; called after creation and on changes.
    virtual void updateItemWidget(QGraphicsWidget *widget, const QModelIndex &index);

private slots:
    void rebuild();
    void insertRows(const QModelIndex &parent, int first, int last);
    void removeRows(const QModelIndex &parent, int first, int last);
    void refreshRows(const QModelIndex &topLeft, const QModelIndex &bottomRight);
    void rowWidgetClicked();
    void syncSelectionMarks();

private:
    QGraphicsWidget *makeRow(int row);
    void dropRow(QGraphicsWidget *row);

    QPointer<QAbstractItemModel> m_model;
    QItemSelectionModel *m_selectionModel;
    QGraphicsLinearLayout *m_layout;
    QList<QGraphicsWidget *> m_rows;
    int m_subtitleRole;
    SelectionMode m_selectionMode;
};

#endif
