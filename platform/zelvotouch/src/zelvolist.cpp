#include "zelvolist.h"

#include "zelvolistitem.h"

#include <QAbstractItemModel>
#include <QGraphicsLinearLayout>
#include <QItemSelectionModel>
#include <QMetaMethod>
#include <algorithm>

ZelvoList::ZelvoList(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , m_selectionModel(new QItemSelectionModel(nullptr, this))
    , m_layout(new QGraphicsLinearLayout(Qt::Vertical))
    , m_subtitleRole(-1)
    , m_selectionMode(NoSelection)
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    setLayout(m_layout);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    connect(m_selectionModel, &QItemSelectionModel::selectionChanged, this, &ZelvoList::syncSelectionMarks);
    connect(m_selectionModel, &QItemSelectionModel::selectionChanged, this, &ZelvoList::selectionChanged);
}

ZelvoList::~ZelvoList() = default;

void ZelvoList::setItemModel(QAbstractItemModel *model)
{
    if (model == m_model)
        return;
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_selectionModel->setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, this, &ZelvoList::rebuild);
        connect(model, &QAbstractItemModel::rowsInserted, this, &ZelvoList::insertRows);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &ZelvoList::removeRows);
        connect(model, &QAbstractItemModel::rowsMoved, this, &ZelvoList::rebuild);
        connect(model, &QAbstractItemModel::layoutChanged, this, &ZelvoList::rebuild);
        connect(model, &QAbstractItemModel::dataChanged, this, &ZelvoList::refreshRows);
        connect(model, &QObject::destroyed, this, &ZelvoList::rebuild);
    }
    rebuild();
}

QAbstractItemModel *ZelvoList::itemModel() const
{
    return m_model;
}

void ZelvoList::setSubtitleRole(int role)
{
    m_subtitleRole = role;
    if (m_model && m_model->rowCount() > 0)
        refreshRows(m_model->index(0, 0), m_model->index(m_model->rowCount() - 1, 0));
}

int ZelvoList::subtitleRole() const
{
    return m_subtitleRole;
}

void ZelvoList::setSelectionMode(SelectionMode mode)
{
    m_selectionMode = mode;
    if (mode == NoSelection)
        m_selectionModel->clearSelection();
    for (QGraphicsWidget *row : m_rows) {
        if (auto *item = qobject_cast<ZelvoListItem *>(row))
            item->setSelectable(mode == MultiSelection);
    }
    syncSelectionMarks();
}

ZelvoList::SelectionMode ZelvoList::selectionMode() const
{
    return m_selectionMode;
}

QItemSelectionModel *ZelvoList::selectionModel() const
{
    return m_selectionModel;
}

QModelIndexList ZelvoList::selectedIndexes() const
{
    QModelIndexList selected = m_selectionModel->selectedRows(0);
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    return selected;
}

void ZelvoList::select(const QModelIndex &index, bool selected)
{
    if (!index.isValid() || index.model() != m_model || m_selectionMode == NoSelection)
        return;
    QItemSelectionModel::SelectionFlags flags = selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
    if (selected && m_selectionMode == SingleSelection)
        flags = QItemSelectionModel::ClearAndSelect;
    m_selectionModel->select(index, flags | QItemSelectionModel::Rows);
}

void ZelvoList::clearSelection()
{
    m_selectionModel->clearSelection();
}

int ZelvoList::rowCount() const
{
    return m_rows.size();
}

QGraphicsWidget *ZelvoList::itemWidget(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

QModelIndex ZelvoList::indexOf(const QGraphicsWidget *itemWidget) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i) == itemWidget)
            return m_model ? m_model->index(i, 0) : QModelIndex();
    }
    return QModelIndex();
}

QGraphicsWidget *ZelvoList::createItemWidget(const QModelIndex &index)
{
    Q_UNUSED(index)
    auto *item = new ZelvoListItem;
    item->setStyleName(QStringLiteral("CommonListItemInverted"));
    return item;
}

void ZelvoList::updateItemWidget(QGraphicsWidget *widget, const QModelIndex &index)
{
    auto *item = qobject_cast<ZelvoListItem *>(widget);
    if (!item)
        return;
    item->setTitle(index.data(Qt::DisplayRole).toString());
    item->setSubtitle(m_subtitleRole >= 0 ? index.data(m_subtitleRole).toString() : QString());
    item->setSelectable(m_selectionMode == MultiSelection);
}

QGraphicsWidget *ZelvoList::makeRow(int r)
{
    const QModelIndex index = m_model->index(r, 0);
    QGraphicsWidget *row = createItemWidget(index);
    if (!row)
        row = new QGraphicsWidget; // keeps rows and model rows in step
    updateItemWidget(row, index);
    const int clicked = row->metaObject()->indexOfSignal("clicked()");
    if (clicked >= 0) {
        static const int slot = staticMetaObject.indexOfSlot("rowWidgetClicked()");
        QMetaObject::connect(row, clicked, this, slot);
    }
    return row;
}

void ZelvoList::dropRow(QGraphicsWidget *row)
{
    // Rows may go from inside a row's own click; they are only taken out of
    // view here and deleted later.
    m_layout->removeItem(row);
    row->hide();
    row->deleteLater();
}

void ZelvoList::rebuild()
{
    for (QGraphicsWidget *row : m_rows)
        dropRow(row);
    m_rows.clear();
    if (m_model) {
        const int rows = m_model->rowCount();
        for (int r = 0; r < rows; ++r) {
            QGraphicsWidget *row = makeRow(r);
            m_layout->addItem(row);
            row->show();
            m_rows << row;
        }
    }
    syncSelectionMarks();
    updateGeometry();
}

void ZelvoList::insertRows(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid() || !m_model)
        return;
    if (first < 0 || first > m_rows.size() || last < first) {
        rebuild();
        return;
    }
    for (int r = first; r <= last; ++r) {
        QGraphicsWidget *row = makeRow(r);
        m_layout->insertItem(r, row);
        row->show();
        m_rows.insert(r, row);
    }
    syncSelectionMarks();
    updateGeometry();
}

void ZelvoList::removeRows(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (first < 0 || last >= m_rows.size() || last < first) {
        rebuild();
        return;
    }
    for (int r = last; r >= first; --r)
        dropRow(m_rows.takeAt(r));
    syncSelectionMarks();
    updateGeometry();
}

void ZelvoList::refreshRows(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (!m_model)
        return;
    const int first = topLeft.isValid() ? topLeft.row() : 0;
    const int last = bottomRight.isValid() ? bottomRight.row() : m_rows.size() - 1;
    for (int r = qMax(0, first); r <= last && r < m_rows.size(); ++r)
        updateItemWidget(m_rows.at(r), m_model->index(r, 0));
}

void ZelvoList::rowWidgetClicked()
{
    auto *row = qobject_cast<QGraphicsWidget *>(sender());
    const int r = m_rows.indexOf(row);
    if (r < 0 || !m_model)
        return;
    const QModelIndex index = m_model->index(r, 0);
    if (m_selectionMode == MultiSelection)
        m_selectionModel->select(index, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    else if (m_selectionMode == SingleSelection)
        m_selectionModel->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit itemClicked(index);
}

void ZelvoList::syncSelectionMarks()
{
    for (int r = 0; r < m_rows.size(); ++r) {
        const bool selected = m_model && m_selectionModel->isRowSelected(r, QModelIndex());
        QGraphicsWidget *row = m_rows.at(r);
        if (auto *item = qobject_cast<ZelvoListItem *>(row))
            item->setSelected(selected);
        else if (row->metaObject()->indexOfProperty("selected") >= 0)
            row->setProperty("selected", selected);
    }
}
