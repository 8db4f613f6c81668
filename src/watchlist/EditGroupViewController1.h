#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/StockTableView.h"

#include <QVariantList>
#include <QVariantMap>

class QLineEdit;
class QPushButton;
class MyStockGroup;
class QuilorSDK;

// The group manager: every group of the user in a table, with add, rename,
// delete and reordering, each one backend operation followed by a reload of
// the group list.
class EditGroupViewController1 : public platform::ViewController,
                                 public StockTableDataSource,
                                 public MHTTPObserver {
    Q_OBJECT
public:
    static constexpr int kWidth = 283;
    // What the next group reply reports (isAddGroup).
    enum Operation { kNone = 0, kAdd = 1, kRename = 2, kDelete = 3, kReorder = 4 };

    explicit EditGroupViewController1(QWidget* parent = nullptr);

    QLineEdit* addGroupTextField = nullptr;
    QPushButton* addGroupButton = nullptr;
    StockTableView* iTableView = nullptr;
    QVariantList tableArray;
    int proposedRow = -1;
    int acceptDrop = -1;
    int isAddGroup = kNone;
    QVariantMap curOpGroup;

    void viewDidLoad() override;
    QSize windowWillResize(const QSize& proposed) override;

    void refreshData();
    void refreshTableView();
    void addGroupPressed();
    void renameGroupPressed();
    void deleteGroupPressed();
    void renameGroupCancel() { }
    void showAlertView(const QString& text);
    void cellCallBack(const QVariantMap& dict);
    void DoChangePoint();

    int numberOfRowsInTableView(StockTableView* tableView) override;
    TableCellView* tableViewViewForTableColumn(
        StockTableView* tableView, const QString& tableColumn, int row) override;
    bool tableViewWriteRowsWithIndexes(
        StockTableView* tableView, const QList<int>& rows, QMimeData* pasteboard) override;
    void tableViewDraggingSession(
        StockTableView* tableView, const QPoint& willBeginAtPoint, const QList<int>& forRowIndexes) override;
    QPixmap dragImageForRowsWithIndexes(const QList<int>& rows, QPoint* hotSpot) override;
    Qt::DropAction tableViewValidateDrop(StockTableView* tableView, const DraggingInfo& info, int proposedRow,
        DropOperation operation) override;
    bool tableViewAcceptDrop(
        StockTableView* tableView, const DraggingInfo& info, int row, DropOperation operation) override;

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QuilorSDK* sdk() const;
    MyStockGroup* groupModel() const;
};
