#include "certificateslist.h"

#include "certificateitem.h"
#include "certificateitemwidget.h"

#include <QAbstractItemModel>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QHash>
#include <QItemSelectionModel>
#include <QPointer>
#include <QScreen>
#include <QVector>

#include <algorithm>
#include <cmath>

// Rows are all as tall as the first one, so the rows on screen follow from
// the visible part of the list alone, and the list's height from the number
// of rows, without looking at any other row. A row whose text needs more room
// is cut at the row's edge rather than drawn over the next.
class CertificatesListPrivate
{
public:
    explicit CertificatesListPrivate(CertificatesList *list)
        : q(list)
        , selection(new QItemSelectionModel(nullptr, list))
    {
    }

    int count() const { return model ? model->rowCount() : 0; }
    CertificateItem *itemOf(int row) const
    {
        return model->index(row, 0).data(CertificateItem::ItemPointer).value<CertificateItem *>();
    }

    qreal rowHeight(qreal width);
    QRectF visibleArea() const;
    void visibleRows(int *first, int *last);
    void refresh(bool rebind = false);
    void queueRefresh();
    void structureChanged();
    void rowsChanged(int first, int last);
    CertificateItemWidget *takeWidget();
    void park(CertificateItemWidget *widget);
    void place(CertificateItemWidget *widget, int row, bool rebind);
    void clicked(CertificateItemWidget *widget);
    bool showsVisibleRows();

    CertificatesList *q;
    QPointer<QAbstractItemModel> model;
    QItemSelectionModel *selection;
    QHash<int, CertificateItemWidget *> shown; // row -> its widget, rows on screen only
    QVector<CertificateItemWidget *> spare; // hidden, for rows coming on screen
    qreal measuredHeight = 0;
    qreal measuredWidth = -1;
    bool refreshQueued = false;
};

qreal CertificatesListPrivate::rowHeight(qreal width)
{
    if (measuredHeight > 0 && qFuzzyCompare(measuredWidth + 1, width + 1))
        return measuredHeight;
    if (count() == 0)
        return 0;
    // Measured on a spare widget showing the first row.
    CertificateItemWidget *probe = takeWidget();
    probe->setCertificate(itemOf(0));
    qreal height = probe->effectiveSizeHint(Qt::PreferredSize, QSizeF(width > 0 ? width : -1, -1)).height();
    park(probe);
    measuredWidth = width;
    measuredHeight = height > 0 ? height : 1;
    return measuredHeight;
}

QRectF CertificatesListPrivate::visibleArea() const
{
    if (!q->isVisible())
        return QRectF();
    QRectF area = q->rect();
    for (QGraphicsItem *ancestor = q->parentItem(); ancestor; ancestor = ancestor->parentItem()) {
        if (ancestor->flags() & QGraphicsItem::ItemClipsChildrenToShape)
            area &= q->mapFromItem(ancestor, ancestor->boundingRect()).boundingRect();
    }
    QRectF seen;
    if (QGraphicsScene *scene = q->scene()) {
        for (QGraphicsView *view : scene->views()) {
            if (view->isVisible())
                seen |= q->mapFromScene(view->mapToScene(view->viewport()->rect()).boundingRect()).boundingRect();
        }
    }
    if (seen.isNull()) {
        // Nothing shows the list yet: one screen's worth from its top, so
        // that it is ready when it is shown.
        const QScreen *screen = QGuiApplication::primaryScreen();
        seen = QRectF(area.left(), area.top(), area.width(), screen ? screen->size().height() : 1024);
    }
    return area & seen;
}

void CertificatesListPrivate::visibleRows(int *first, int *last)
{
    *first = 0;
    *last = -1;
    const qreal height = rowHeight(q->size().width());
    const QRectF area = height > 0 ? visibleArea() : QRectF();
    if (area.isEmpty())
        return;
    *first = qMax(0, int(std::floor(area.top() / height)));
    *last = qMin(count() - 1, int(std::ceil(area.bottom() / height)) - 1);
}

CertificateItemWidget *CertificatesListPrivate::takeWidget()
{
    if (!spare.isEmpty())
        return spare.takeLast();
    auto *widget = new CertificateItemWidget(q);
    widget->setFlag(QGraphicsItem::ItemClipsChildrenToShape, true);
    widget->hide();
    QObject::connect(widget, &CertificateItemWidget::clicked, q, [this, widget] { clicked(widget); });
    return widget;
}

void CertificatesListPrivate::park(CertificateItemWidget *widget)
{
    widget->hide();
    widget->setCertificate(nullptr);
    spare.append(widget);
}

void CertificatesListPrivate::place(CertificateItemWidget *widget, int row, bool rebind)
{
    CertificateItem *item = itemOf(row);
    if (rebind || widget->certificate() != item)
        widget->setCertificate(item);
    const QRectF geometry(0, row * measuredHeight, q->size().width(), measuredHeight);
    if (widget->geometry() != geometry)
        widget->setGeometry(geometry);
    widget->show();
}

void CertificatesListPrivate::refresh(bool rebind)
{
    refreshQueued = false;
    int first = 0;
    int last = -1;
    visibleRows(&first, &last);
    for (auto it = shown.begin(); it != shown.end();) {
        if (it.key() < first || it.key() > last) {
            park(it.value());
            it = shown.erase(it);
        } else {
            ++it;
        }
    }
    for (int row = first; row <= last; ++row) {
        CertificateItemWidget *&widget = shown[row];
        const bool fresh = !widget;
        if (fresh)
            widget = takeWidget();
        place(widget, row, rebind || fresh);
    }
}

void CertificatesListPrivate::queueRefresh()
{
    if (refreshQueued)
        return;
    refreshQueued = true;
    QMetaObject::invokeMethod(
        q,
        [this] {
            if (refreshQueued)
                refresh();
        },
        Qt::QueuedConnection);
}

void CertificatesListPrivate::structureChanged()
{
    // Rows moved under the widgets: every widget on screen is filled again,
    // and the height follows the number of rows.
    measuredHeight = 0;
    q->updateGeometry();
    refresh(true);
}

void CertificatesListPrivate::rowsChanged(int first, int last)
{
    for (auto it = shown.begin(); it != shown.end(); ++it) {
        if (it.key() >= first && it.key() <= last)
            place(it.value(), it.key(), true);
    }
}

bool CertificatesListPrivate::showsVisibleRows()
{
    int first = 0;
    int last = -1;
    visibleRows(&first, &last);
    if (last < first)
        return shown.isEmpty();
    return shown.size() == last - first + 1 && shown.contains(first) && shown.contains(last);
}

void CertificatesListPrivate::clicked(CertificateItemWidget *widget)
{
    const int row = shown.key(widget, -1);
    if (row < 0 || !model)
        return;
    const QModelIndex index = model->index(row, 0);
    selection->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    emit q->itemClicked(index);
}

CertificatesList::CertificatesList(QGraphicsItem *parent)
    : ZelvoStylableWidget(parent)
    , d(new CertificatesListPrivate(this))
{
    setObjectName(QStringLiteral("certificatesList"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFlag(ItemClipsChildrenToShape, true);
    // Scrolling moves an ancestor; the list hears of it to bring rows on.
    setFlag(ItemSendsScenePositionChanges, true);
}

CertificatesList::~CertificatesList()
{
    // The row widgets go after this body; the model must not reach the
    // list in between.
    if (d->model)
        disconnect(d->model, nullptr, this, nullptr);
    delete d;
    d = nullptr;
}

void CertificatesList::setItemModel(QAbstractItemModel *model)
{
    if (model == d->model)
        return;
    if (d->model)
        disconnect(d->model, nullptr, this, nullptr);
    d->model = model;
    d->selection->setModel(model);
    if (model) {
        auto structure = [this] { d->structureChanged(); };
        connect(model, &QAbstractItemModel::modelReset, this, structure);
        connect(model, &QAbstractItemModel::rowsInserted, this, structure);
        connect(model, &QAbstractItemModel::rowsRemoved, this, structure);
        connect(model, &QAbstractItemModel::rowsMoved, this, structure);
        connect(model, &QAbstractItemModel::layoutChanged, this, structure);
        connect(model, &QObject::destroyed, this, structure);
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &from, const QModelIndex &to) { d->rowsChanged(from.row(), to.row()); });
    }
    d->structureChanged();
}

QAbstractItemModel *CertificatesList::itemModel() const
{
    return d->model;
}

QItemSelectionModel *CertificatesList::selectionModel() const
{
    return d->selection;
}

QModelIndexList CertificatesList::selectedIndexes() const
{
    QModelIndexList selected = d->selection->selectedRows(0);
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    return selected;
}

int CertificatesList::rowCount() const
{
    return d->count();
}

QGraphicsWidget *CertificatesList::itemWidget(int row) const
{
    return d->shown.value(row, nullptr);
}

int CertificatesList::itemWidgetCount() const
{
    return d->shown.size();
}

QModelIndex CertificatesList::indexOf(const QGraphicsWidget *itemWidget) const
{
    const int row = d->shown.key(static_cast<CertificateItemWidget *>(const_cast<QGraphicsWidget *>(itemWidget)), -1);
    return row >= 0 && d->model ? d->model->index(row, 0) : QModelIndex();
}

void CertificatesList::clearSelection()
{
    d->selection->clearSelection();
}

QSizeF CertificatesList::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    QSizeF hint = ZelvoStylableWidget::sizeHint(which, constraint);
    if (which == Qt::MinimumSize || which == Qt::PreferredSize) {
        const qreal width = constraint.width() > 0 ? constraint.width() : size().width();
        hint.setHeight(d->count() * d->rowHeight(width));
    }
    return hint;
}

void CertificatesList::resizeEvent(QGraphicsSceneResizeEvent *event)
{
    ZelvoStylableWidget::resizeEvent(event);
    d->refresh(true);
}

QVariant CertificatesList::itemChange(GraphicsItemChange change, const QVariant &value)
{
    switch (change) {
    case ItemScenePositionHasChanged:
        // At once, so the frame after a scroll already has its rows.
        d->refresh();
        break;
    case ItemVisibleHasChanged:
    case ItemSceneHasChanged:
    case ItemParentHasChanged:
        d->queueRefresh();
        break;
    default:
        break;
    }
    return ZelvoStylableWidget::itemChange(change, value);
}

void CertificatesList::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    ZelvoStylableWidget::paint(painter, option, widget);
    // The part on screen can also change without the list moving or
    // resizing (a window or page around it grows): catch that here.
    if (!d->showsVisibleRows())
        d->queueRefresh();
}
