#pragma once

#include "backend/MHTTPObserver.h"
#include "watchlist/ReorderableRows.h"

#include <QPointer>
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

// User-defaults keys the list and the group manager share: the index of the
// chosen group and the group list last received.
inline const QString kCurGroupIdxKey = QStringLiteral("iCurGroupIdx");
inline const QString kSavedGroupsKey = QStringLiteral("savedGroupArray");

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

    // The pause before a failed background login is tried again (30 s).
    static void setLoginRetryDelayMs(int ms);
    static int loginRetryDelayMs();

private:
    qsizetype reorderableRowCount() const override { return tableArray.size(); }
    const StockTableView* reorderableTable() const override { return iTableView; }
    QuilorSDK* sdk() const;
    int groupCount() const;
    void presentFromFather(platform::ViewController* controller);
    void openGroupDialog(const char* identifier);
    void showMainWindow();

    QMenu* m_groupSetMenu = nullptr;
    bool m_loginRetryPending = false;
    QPointer<QMenu> m_searchMenu;
    bool m_hasSearchReply = false;
    int m_searchSerial = 0;
    int m_shownSearchSerial = 0;
};
