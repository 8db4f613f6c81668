#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/ReorderableRows.h"

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
                                 public ReorderableRows,
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
    int isAddGroup = kNone;
    QVariantMap curOpGroup;

    void viewDidLoad() override;
    QSize windowWillResize(const QSize& proposed) override;

    void refreshData();
    void refreshTableView();
    // The reply to deleting `groupId` for `userId`: the group goes from the
    // shared model at once.
    void groupDeleted(const QString& groupId, const QString& userId, const QVariant& result);
    void addGroupPressed();
    void renameGroupPressed();
    void deleteGroupPressed();
    void renameGroupCancel() { }
    void showAlertView(const QString& text);
    void cellCallBack(const QVariantMap& dict);
    void DoChangePoint() override;

    int numberOfRowsInTableView(StockTableView* tableView) override;
    TableCellView* tableViewViewForTableColumn(
        StockTableView* tableView, const QString& tableColumn, int row) override;

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    qsizetype reorderableRowCount() const override { return tableArray.size(); }
    const StockTableView* reorderableTable() const override { return iTableView; }
    QuilorSDK* sdk() const;
    MyStockGroup* groupModel() const;
};
