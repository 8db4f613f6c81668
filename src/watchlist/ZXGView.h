#pragma once

#include "backend/MHTTPObserver.h"
#include "watchlist/ReorderableRows.h"

#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class MyStockGroup;
class QuilorSDK;

namespace platform {
class ViewController;
}

namespace watchlist {
class PopUpButton;

// Registry identifiers of the windows the list opens.
inline const char* const kAddGroupId = "AddGroupViewController";
inline const char* const kEditGroupId = "EditGroupViewController";
inline const char* const kGroupManagerId = "EditGroupViewController1";
inline const char* const kCommentEditorId = "commentStockViewController";
inline const char* const kCompactListId = "MystockViewController";
inline const char* const kMainScreenId = "MainViewController";

// Every row the list shows carries the id of the group it was loaded from,
// so that an edit made from it goes to that group whatever is chosen since.
inline const QString kRowGroupKey = QStringLiteral("userstockgroupid");
// ... and the id of the user whose group it is: an edit made from it after
// another user logged in is not sent.
inline const QString kRowUserKey = QStringLiteral("qvmid");

// The group a row belongs to: the group of `model` its id names (just the id
// when the model no longer has it), or, for a row that carries no id, the
// model's current group.
QVariantMap groupOfRow(const QVariantMap& row, const MyStockGroup* model);

// The longest group name the dialogs take; a longer one is refused.
inline constexpr int kGroupNameMaxLength = 20;
bool groupNameTooLong(const QString& name);
inline const QString kGroupNameTooLong = QStringLiteral("群组名称不能超过20个字！");

// What the add and rename dialogs take from the list.
class GroupDialog {
public:
    virtual ~GroupDialog() = default;
    virtual void setIMyStockGroup(MyStockGroup* group) = 0;
    virtual void setOKBlock(std::function<void()> block) = 0;
    virtual void setCancelBlock(std::function<void()> block) = 0;
};

// What the price-alert editor takes from the list.
class CommentEditor {
public:
    virtual ~CommentEditor() = default;
    virtual void setSelfDict(const QVariantMap& dict) = 0;
    virtual void setCommentOK(std::function<void()> block) = 0;
};

} // namespace watchlist

// The self-selected list: the user's groups from the backend, one group at a
// time, each stock a live row.
class ZXGView : public QWidget, public MHTTPObserver, public ReorderableRows {
    Q_OBJECT
public:
    explicit ZXGView(QWidget* parent = nullptr);
    ~ZXGView() override;

    QPointer<platform::ViewController> fatherCtr;
    QVariantList tableArray;
    QLineEdit* iSearchField = nullptr;
    QVariantList searchArray;
    watchlist::PopUpButton* iPopUpButton = nullptr;
    StockTableView* iTableView = nullptr;
    QPushButton* iVIPBtn = nullptr;
    QPushButton* iGroupSetBtn = nullptr;
    QPushButton* iSetBtn = nullptr;
    QPointer<MyStockGroup> iMyStockGroup;
    QString iCurGroupIdx;

    Q_INVOKABLE void initByFather(QObject* father);
    Q_INVOKABLE void UpDateGroup();
    void DoGetAGroupOfStocks();
    void RefreshCurGroup();
    void refreshGroup();
    void DeleteGroup();
    // Deletes the group the user confirmed, whatever is current by then.
    void DeleteGroup(const QVariantMap& group);
    void refreshTableView();
    void loginOnBackGround();

    void PopUpButtonMenuItemPressed(QAction* item);
    void GroupSetMenuItemPressed(QAction* item);
    void SetBtnPressed();
    void GotoVIP();
    void controlTextDidChange();
    void DoNetWorkSearch();
    void ShowMatchText();
    void SeachMenuItemSelected(QAction* item);
    // The result menu last shown, while it exists.
    QMenu* searchMenu() const;

    void MyStockGroupCallBack(const QVariantMap& dict);
    void cellCallBack(const QVariantMap& dict);
    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    int numberOfRowsInTableView(StockTableView* tableView) override;
    TableCellView* tableViewViewForTableColumn(
        StockTableView* tableView, const QString& tableColumn, int row) override;
    void DoChangePoint() override;

    // The group menu (add, rename, delete), built with the panel.
    QMenu* groupSetMenu() const { return m_groupSetMenu; }

    // The pause before a failed background login or group load is tried
    // again (30 s).
    static void setLoginRetryDelayMs(int ms);
    static int loginRetryDelayMs();

    // The id of the group chosen in the pop-up, and of the group whose rows
    // the table shows (they differ while a chosen group is loading).
    QString chosenGroupId() const { return m_curGroupId; }
    QString rowsGroupId() const { return m_rowsGroupId; }

private:
    qsizetype reorderableRowCount() const override { return tableArray.size(); }
    const StockTableView* reorderableTable() const override { return iTableView; }
    QuilorSDK* sdk() const;
    int groupCount() const;
    void presentFromFather(platform::ViewController* controller);
    void openGroupDialog(const char* identifier);
    void showMainWindow(QWidget* over);
    int indexOfGroup(const QString& id) const;
    QVariantMap groupAt(int index) const;
    // The group model's current group, its member map and the saved choice
    // are the shown list's: a list set up before it and now hidden (the main
    // window's, behind the compact one) leaves them alone.
    bool leadsGroupModel() const;
    // Sends one request whose reply carries a group's rows, tied to that group.
    void requestRows(const QString& groupId, const std::function<bool(MHTTPObserver*)>& send);
    void rowsArrived(const QString& groupId, int serial, const QVariant& result);
    void rowsFailed(const QString& groupId, int serial, int api, int code);
    bool takeRows(const QVariant& result, const QString& groupId);
    // After the group manager closed: the list shows what the model now holds.
    void followGroupChanges();
    // The saved state of the model's user: the chosen group and its own rows.
    void restoreSaved();
    // The table shows `groupId`'s saved rows (none for no group) unless it
    // already shows that group's rows.
    void showSavedRows(const QString& groupId, bool always = false);
    // One UpDateGroup for any number of changes until it runs.
    void scheduleGroupUpdate();
    void groupDeleted(const QString& groupId, const QVariant& result);

    QMenu* m_groupSetMenu = nullptr;
    bool m_loginRetryPending = false;
    QPointer<QMenu> m_searchMenu;
    bool m_hasSearchReply = false;
    int m_searchSerial = 0;
    int m_shownSearchSerial = 0;
    QString m_curGroupId;
    QString m_rowsGroupId;
    QStringList m_menuGroupIds;
    int m_rowsSerial = 0;
    int m_shownRowsSerial = 0;
    bool m_rowsLoadFailing = false;
    bool m_rowsRetryPending = false;
    bool m_groupUpdatePending = false;
    bool m_groupsLoadFailing = false;
    bool m_groupsRetryPending = false;
};
