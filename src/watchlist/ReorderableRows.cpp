#include "watchlist/ReorderableRows.h"

#include "platform/widgets/Colors.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QPainter>

bool ReorderableRows::tableViewWriteRowsWithIndexes(
    StockTableView*, const QList<int>& rows, QMimeData* pasteboard)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << rows;
    pasteboard->setData(QString::fromUtf8(watchlist::kDragType), data);
    return true;
}

void ReorderableRows::tableViewDraggingSession(
    StockTableView*, const QPoint&, const QList<int>& forRowIndexes)
{
    if (!forRowIndexes.isEmpty())
        proposedRow = forRowIndexes.first();
}

QPixmap ReorderableRows::dragImageForRowsWithIndexes(const QList<int>&, QPoint* hotSpot)
{
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(platform::Colors::lightGray());
    painter.setPen(QPen(platform::Colors::black(), 2));
    painter.drawEllipse(QRectF(4, 4, 24, 24));
    if (hotSpot)
        *hotSpot = QPoint(16 + 10, 16 + 10);
    return image;
}

Qt::DropAction ReorderableRows::tableViewValidateDrop(
    StockTableView*, const DraggingInfo& info, int row, DropOperation)
{
    if (row > reorderableRowCount() || !info.draggingSource)
        return Qt::IgnoreAction;
    return info.draggingSource == reorderableTable() ? Qt::MoveAction : Qt::CopyAction;
}

bool ReorderableRows::tableViewAcceptDrop(
    StockTableView*, const DraggingInfo& info, int row, DropOperation operation)
{
    if (row > reorderableRowCount() || info.draggingSource != reorderableTable())
        return false;
    acceptDrop = row;
    if (operation == DropOperation::Above && proposedRow < row)
        acceptDrop = row - 1;
    DoChangePoint();
    return true;
}
