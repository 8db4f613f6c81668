#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QString>

class QMimeData;
class StockTableView;

// A view the table places in a row. The superview hooks let a row start and
// stop its work as it enters and leaves the list.
class TableCellView : public QWidget {
    Q_OBJECT
public:
    explicit TableCellView(QWidget* parent = nullptr);
    // Runs after every change of the parent widget.
    virtual void viewDidMoveToSuperview() { }
    // Takes the view off its parent.
    virtual void removeFromSuperview();

protected:
    bool event(QEvent* event) override;
};

// Where a drop lands: on a row, or in the gap above it.
enum class DropOperation { On, Above };

// What a drop target learns of a drag.
struct DraggingInfo {
    QObject* draggingSource = nullptr; // the table the drag started in, or null
    const QMimeData* pasteboard = nullptr;
};

// The table's data source and delegate. Joined names keep the table's
// callbacks apart where they share their first keyword.
class StockTableDataSource {
public:
    virtual ~StockTableDataSource() = default;
    virtual int numberOfRowsInTableView(StockTableView* tableView) = 0;
    // The view of `row`; the table places it and shows it while the row is
    // visible, then takes it back for reuse.
    virtual TableCellView* tableViewViewForTableColumn(
        StockTableView* tableView, const QString& tableColumn, int row)
        = 0;

    virtual bool tableViewWriteRowsWithIndexes(StockTableView*, const QList<int>&, QMimeData*)
    {
        return false;
    }
    virtual void tableViewDraggingSession(StockTableView*, const QPoint&, const QList<int>&) { }
    // The drag image and the cursor's place in it.
    virtual QPixmap dragImageForRowsWithIndexes(const QList<int>&, QPoint* hotSpot)
    {
        Q_UNUSED(hotSpot);
        return {};
    }
    virtual Qt::DropAction tableViewValidateDrop(StockTableView*, const DraggingInfo&, int, DropOperation)
    {
        return Qt::IgnoreAction;
    }
    virtual bool tableViewAcceptDrop(StockTableView*, const DraggingInfo&, int, DropOperation)
    {
        return false;
    }
};

// A view-based list of fixed-height rows: only the rows in sight have a
// view, and views that scroll out are taken off the list and reused, so a
// group of a thousand stocks costs no more widgets than a screenful.
class StockTableView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit StockTableView(QWidget* parent = nullptr);
    ~StockTableView() override;

    static const QString kColumn; // the one column, "zeroColumn"

    void setDataSource(StockTableDataSource* dataSource) { m_dataSource = dataSource; }
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }
    int numberOfRows() const { return m_rowCount; }

    // Asks the data source again for every row.
    void reloadData();
    // A reusable view made earlier with that object name, or null.
    TableCellView* makeViewWithIdentifier(const QString& identifier);
    // The background of a visible row (ignored for rows out of sight).
    void setBackgroundColorForRow(int row, const QColor& color);
    // Invalid for rows out of sight.
    QColor backgroundColorForRow(int row) const;

    // Visible rows and their views, in row order.
    QList<int> visibleRows() const;
    TableCellView* viewAtRow(int row) const;
    int liveViewCount() const { return int(m_slots.size()); }
    int reusableViewCount() const { return int(m_reuse.size()); }

    int rowAtPoint(const QPoint& viewportPos) const;
    // The row and operation a drop at that viewport point proposes.
    std::pair<int, DropOperation> dropTargetAt(const QPoint& viewportPos) const;
    void scrollToRow(int row);

Q_SIGNALS:
    void rowsLaidOut();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Slot {
        int row = -1;
        QPointer<TableCellView> view;
        QColor background;
    };
    void updateScrollRange();
    void layoutRows();
    void recycle(Slot& slot);
    Qt::DropAction proposeDrop(QDropEvent* event, int* row, DropOperation* operation);
    void startDrag(int row);

    StockTableDataSource* m_dataSource = nullptr;
    int m_rowHeight = 40;
    int m_rowCount = 0;
    QList<Slot> m_slots;
    QList<TableCellView*> m_reuse;
    QPoint m_pressPos;
    int m_pressRow = -1;
};
