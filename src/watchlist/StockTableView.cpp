#include "watchlist/StockTableView.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

TableCellView::TableCellView(QWidget* parent)
    : QWidget(parent)
{
}

void TableCellView::removeFromSuperview()
{
    setParent(nullptr);
}

bool TableCellView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange)
        viewDidMoveToSuperview();
    return handled;
}

const QString StockTableView::kColumn = QStringLiteral("zeroColumn");

StockTableView::StockTableView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAcceptDrops(true);
    viewport()->setAutoFillBackground(false);
}

StockTableView::~StockTableView()
{
    // Views in the reuse queue have no parent to take them along.
    qDeleteAll(m_reuse);
    m_reuse.clear();
}

void StockTableView::setRowHeight(int height)
{
    m_rowHeight = qMax(1, height);
    updateScrollRange();
    layoutRows();
}

void StockTableView::reloadData()
{
    for (Slot& slot : m_slots)
        recycle(slot);
    m_slots.clear();
    m_rowCount = m_dataSource ? qMax(0, m_dataSource->numberOfRowsInTableView(this)) : 0;
    updateScrollRange();
    layoutRows();
}

TableCellView* StockTableView::makeViewWithIdentifier(const QString& identifier)
{
    for (int i = 0; i < m_reuse.size(); ++i) {
        if (m_reuse[i]->objectName() == identifier)
            return m_reuse.takeAt(i);
    }
    return nullptr;
}

void StockTableView::setBackgroundColorForRow(int row, const QColor& color)
{
    for (Slot& slot : m_slots) {
        if (slot.row == row) {
            slot.background = color;
            viewport()->update(
                0, row * m_rowHeight - verticalScrollBar()->value(), viewport()->width(), m_rowHeight);
            return;
        }
    }
}

QColor StockTableView::backgroundColorForRow(int row) const
{
    for (const Slot& slot : m_slots) {
        if (slot.row == row)
            return slot.background;
    }
    return {};
}

QList<int> StockTableView::visibleRows() const
{
    QList<int> rows;
    for (const Slot& slot : m_slots)
        rows << slot.row;
    return rows;
}

TableCellView* StockTableView::viewAtRow(int row) const
{
    for (const Slot& slot : m_slots) {
        if (slot.row == row)
            return slot.view;
    }
    return nullptr;
}

int StockTableView::rowAtPoint(const QPoint& viewportPos) const
{
    const int y = viewportPos.y() + verticalScrollBar()->value();
    if (y < 0)
        return -1;
    const int row = y / m_rowHeight;
    return row < m_rowCount ? row : -1;
}

std::pair<int, DropOperation> StockTableView::dropTargetAt(const QPoint& viewportPos) const
{
    const int y = qMax(0, viewportPos.y() + verticalScrollBar()->value());
    const int row = y / m_rowHeight;
    if (row >= m_rowCount)
        return { m_rowCount, DropOperation::Above };
    const int within = y % m_rowHeight;
    if (within < m_rowHeight / 4)
        return { row, DropOperation::Above };
    if (within >= m_rowHeight * 3 / 4)
        return { row + 1, DropOperation::Above };
    return { row, DropOperation::On };
}

void StockTableView::scrollToRow(int row)
{
    verticalScrollBar()->setValue(row * m_rowHeight);
}

void StockTableView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRange();
    layoutRows();
}

void StockTableView::scrollContentsBy(int, int)
{
    layoutRows();
}

void StockTableView::updateScrollRange()
{
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, qMax(0, m_rowCount * m_rowHeight - height));
    bar->setPageStep(qMax(1, height));
    bar->setSingleStep(m_rowHeight);
}

void StockTableView::recycle(Slot& slot)
{
    TableCellView* view = slot.view;
    slot.view = nullptr;
    if (!view)
        return;
    view->removeFromSuperview();
    if (view->parentWidget())
        view->setParent(nullptr);
    m_reuse.append(view);
}

void StockTableView::layoutRows()
{
    const int offset = verticalScrollBar()->value();
    const int width = viewport()->width();
    int first = 0;
    int last = -1;
    if (m_dataSource && m_rowCount > 0 && viewport()->height() > 0) {
        first = qBound(0, offset / m_rowHeight, m_rowCount - 1);
        last = qMin(m_rowCount - 1, (offset + viewport()->height() - 1) / m_rowHeight);
    }

    QList<Slot> kept;
    for (Slot& slot : m_slots) {
        if (slot.row < first || slot.row > last || !slot.view)
            recycle(slot);
        else
            kept.append(slot);
    }
    m_slots = kept;

    for (int row = first; row <= last; ++row) {
        auto it = std::find_if(m_slots.begin(), m_slots.end(), [row](const Slot& s) { return s.row == row; });
        if (it == m_slots.end()) {
            Slot fresh;
            fresh.row = row;
            auto pos = std::lower_bound(
                m_slots.begin(), m_slots.end(), row, [](const Slot& s, int r) { return s.row < r; });
            it = m_slots.insert(pos, fresh);
            const qsizetype index = it - m_slots.begin();
            TableCellView* view = m_dataSource->tableViewViewForTableColumn(this, kColumn, row);
            it = m_slots.begin() + index;
            it->view = view;
            if (!view) {
                m_slots.erase(it);
                continue;
            }
            if (view->parentWidget() != viewport())
                view->setParent(viewport());
        }
        it->view->setGeometry(0, row * m_rowHeight - offset, width, m_rowHeight);
        if (it->view->isHidden())
            it->view->show();
    }
    viewport()->update();
    Q_EMIT rowsLaidOut();
}

void StockTableView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int offset = verticalScrollBar()->value();
    for (const Slot& slot : m_slots) {
        if (slot.background.isValid() && slot.background.alpha() > 0)
            painter.fillRect(
                0, slot.row * m_rowHeight - offset, viewport()->width(), m_rowHeight, slot.background);
    }
}

void StockTableView::mousePressEvent(QMouseEvent* event)
{
    m_pressPos = event->position().toPoint();
    m_pressRow = event->button() == Qt::LeftButton ? rowAtPoint(m_pressPos) : -1;
    event->accept();
}

void StockTableView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressRow < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint delta = event->position().toPoint() - m_pressPos;
    // Only a mostly vertical motion starts a drag.
    if (qAbs(delta.y()) < QApplication::startDragDistance() || qAbs(delta.y()) < qAbs(delta.x()))
        return;
    const int row = m_pressRow;
    m_pressRow = -1;
    startDrag(row);
}

void StockTableView::mouseReleaseEvent(QMouseEvent* event)
{
    m_pressRow = -1;
    event->accept();
}

void StockTableView::startDrag(int row)
{
    if (!m_dataSource)
        return;
    const QList<int> rows { row };
    auto* mime = new QMimeData;
    if (!m_dataSource->tableViewWriteRowsWithIndexes(this, rows, mime)) {
        delete mime;
        return;
    }
    m_dataSource->tableViewDraggingSession(this, m_pressPos, rows);
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    QPoint hotSpot;
    const QPixmap image = m_dataSource->dragImageForRowsWithIndexes(rows, &hotSpot);
    if (!image.isNull()) {
        drag->setPixmap(image);
        drag->setHotSpot(hotSpot);
    }
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

Qt::DropAction StockTableView::proposeDrop(QDropEvent* event, int* row, DropOperation* operation)
{
    const auto [target, op] = dropTargetAt(event->position().toPoint());
    *row = target;
    *operation = op;
    if (!m_dataSource)
        return Qt::IgnoreAction;
    const DraggingInfo info { event->source(), event->mimeData() };
    return m_dataSource->tableViewValidateDrop(this, info, target, op);
}

void StockTableView::dragEnterEvent(QDragEnterEvent* event)
{
    // Entering is answered as any move over the table is.
    StockTableView::dragMoveEvent(event);
}

void StockTableView::dragMoveEvent(QDragMoveEvent* event)
{
    int row = 0;
    DropOperation op = DropOperation::On;
    const Qt::DropAction action = proposeDrop(event, &row, &op);
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void StockTableView::dropEvent(QDropEvent* event)
{
    if (!m_dataSource) {
        event->ignore();
        return;
    }
    const auto [row, op] = dropTargetAt(event->position().toPoint());
    const DraggingInfo info { event->source(), event->mimeData() };
    if (m_dataSource->tableViewAcceptDrop(this, info, row, op)) {
        event->setDropAction(event->source() == this ? Qt::MoveAction : Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}
