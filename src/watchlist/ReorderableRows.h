#pragma once

#include "watchlist/StockTableView.h"

#include <QList>
#include <QPixmap>
#include <QPoint>

class QMimeData;

namespace watchlist {
// MIME type of a row drag inside the list.
inline const char* const kDragType = "BasicTableViewDragAndDropDataType";
} // namespace watchlist

// The row drag the group tables share: the dragged rows travel as a list of
// indexes, and a drop is taken only from the table's own rows, then handed
// to DoChangePoint as the pair (proposedRow, acceptDrop).
class ReorderableRows : public StockTableDataSource {
public:
    int proposedRow = -1;
    int acceptDrop = -1;

    virtual void DoChangePoint() = 0;

    bool tableViewWriteRowsWithIndexes(
        StockTableView* tableView, const QList<int>& rows, QMimeData* pasteboard) override;
    void tableViewDraggingSession(
        StockTableView* tableView, const QPoint& willBeginAtPoint, const QList<int>& forRowIndexes) override;
    QPixmap dragImageForRowsWithIndexes(const QList<int>& rows, QPoint* hotSpot) override;
    Qt::DropAction tableViewValidateDrop(StockTableView* tableView, const DraggingInfo& info, int proposedRow,
        DropOperation operation) override;
    bool tableViewAcceptDrop(
        StockTableView* tableView, const DraggingInfo& info, int row, DropOperation operation) override;

protected:
    virtual qsizetype reorderableRowCount() const = 0;
    // The table whose own rows may be moved.
    virtual const StockTableView* reorderableTable() const = 0;
};
