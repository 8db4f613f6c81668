#include "watchlist/EditGroupViewController1.h"

#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/Presenters.h"
#include "watchlist/EditGroupTableCellView.h"
#include "watchlist/GroupDialogLayout.h"
#include "watchlist/ZXGView.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace {
const QString kName = QStringLiteral("userstockgroupname");
const QString kOrder = QStringLiteral("userstockgrouporder");
const QString kId = QStringLiteral("id");
const QString kEmptyName = QStringLiteral("群组名不能为空，请输入一个群组名称！");

// Hands a change's reply to the manager as the answer to that change, also
// when the user has started another one since (an add answered while a
// rename is asked for is still reported as an add).
class ChangeObserver : public QObject, public MHTTPObserver {
public:
    ChangeObserver(
        EditGroupViewController1* manager, int operation, const QString& groupId, const QString& userId)
        : m_manager(manager)
        , m_operation(operation)
        , m_groupId(groupId)
        , m_userId(userId)
    {
    }
    bool HttpResult(const QVariant& result, int api, bool isCache) override
    {
        const int current = std::exchange(m_manager->isAddGroup, m_operation);
        // The group deleted is the one asked about, whatever the reply holds.
        if (api == backend::kApiDelGroup)
            m_manager->groupDeleted(m_groupId, m_userId, result);
        m_manager->HttpResult(result, api, isCache);
        m_manager->isAddGroup = current;
        return true;
    }
    bool HttpEvent(int code, const QString& description, int api) override
    {
        // A group the backend no longer has is as good as deleted.
        if (api == backend::kApiDelGroup && code == market::GroupWrites::kNoSuchGroup)
            return HttpResult(QVariant(), api, false);
        const int current = std::exchange(m_manager->isAddGroup, m_operation);
        m_manager->HttpEvent(code, description, api);
        m_manager->isAddGroup = current;
        return true;
    }

private:
    EditGroupViewController1* m_manager;
    int m_operation;
    QString m_groupId;
    QString m_userId;
};

// Once the manager has closed, a change's reply still brings the group model
// (and with it the list) up to date, or reports the failure over the list.
MHTTPObserver* changeReply(
    EditGroupViewController1* manager, QuilorSDK* client, int operation, const QString& groupId = QString())
{
    const QPointer<MyStockGroup> model = client->iMyStockGroup();
    const QPointer<QWidget> opener = manager->presentingViewController();
    const QString user = model ? model->userId() : QString();
    // The reply object owns the observer; it hands over only while the
    // manager is there.
    auto* change = new ChangeObserver(manager, operation, groupId, user);
    auto* reply = new app::WindowReply(
        manager, change,
        [model, opener, groupId, user](const app::ReplyOutcome& outcome) {
            const bool gone
                = outcome.api == backend::kApiDelGroup && outcome.code == market::GroupWrites::kNoSuchGroup;
            if (outcome.ok || gone) {
                if (model && outcome.api == backend::kApiDelGroup && model->userId() == user)
                    model->groupDeleted(groupId, outcome.result);
                if (model)
                    model->refreshData();
            } else if (outcome.api == backend::kApiDelGroup) {
                platform::showAlert(opener, QStringLiteral("分组删除失败，请重试!"));
            } else if (outcome.api == backend::kApiAddGroup) {
                platform::showAlert(opener,
                    watchlist::groupFailureText(
                        outcome.code, QStringLiteral("网络不给力，添加分组失败，请重试!")));
            }
        },
        client);
    change->setParent(reply);
    return reply;
}
} // namespace

EditGroupViewController1::EditGroupViewController1(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("EditGroupViewController1"));
    resize(kWidth, 360);
    watchlist::applyPanelLook(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    auto* bar = new QHBoxLayout;
    addGroupTextField = new QLineEdit(this);
    addGroupTextField->setObjectName(QStringLiteral("addGroupTextField"));
    addGroupTextField->setPlaceholderText(QStringLiteral("新群组名称"));
    watchlist::limitGroupName(addGroupTextField);
    bar->addWidget(addGroupTextField, 1);
    addGroupButton = new QPushButton(QStringLiteral("添加"), this);
    addGroupButton->setObjectName(QStringLiteral("addGroupButton"));
    addGroupButton->setStyleSheet(
        QStringLiteral("QPushButton { background-color: #30343c; color: white; border: "
                       "1px solid #555; border-radius: 3px; padding: 3px 12px; }"));
    connect(addGroupButton, &QPushButton::clicked, this, &EditGroupViewController1::addGroupPressed);
    connect(addGroupTextField, &QLineEdit::returnPressed, this, &EditGroupViewController1::addGroupPressed);
    bar->addWidget(addGroupButton);
    layout->addLayout(bar);

    iTableView = new StockTableView(this);
    iTableView->setObjectName(QStringLiteral("iTableView"));
    iTableView->setRowHeight(32);
    iTableView->setDataSource(this);
    layout->addWidget(iTableView, 1);
}

QuilorSDK* EditGroupViewController1::sdk() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

MyStockGroup* EditGroupViewController1::groupModel() const
{
    QuilorSDK* client = sdk();
    return client ? client->iMyStockGroup() : nullptr;
}

void EditGroupViewController1::viewDidLoad()
{
    setTitle(QStringLiteral("群组管理"));
    proposedRow = -1;
    MyStockGroup* model = groupModel();
    tableArray = model ? model->iGroupArray : QVariantList();
    iTableView->reloadData();
    // Every change of the groups, whoever made it, shows at once.
    if (model)
        connect(model, &MyStockGroup::groupsChanged, this, &EditGroupViewController1::refreshTableView,
            Qt::UniqueConnection);
}

QSize EditGroupViewController1::windowWillResize(const QSize& proposed)
{
    return QSize(kWidth, proposed.height());
}

void EditGroupViewController1::refreshData()
{
    // Through the model, so that of overlapping reloads the newest list wins.
    if (MyStockGroup* model = groupModel())
        model->refreshData();
}

void EditGroupViewController1::groupDeleted(
    const QString& groupId, const QString& userId, const QVariant& result)
{
    MyStockGroup* model = groupModel();
    if (model && model->userId() == userId)
        model->groupDeleted(groupId, result);
}

void EditGroupViewController1::refreshTableView()
{
    MyStockGroup* model = groupModel();
    tableArray = model ? model->iGroupArray : QVariantList();
    iTableView->reloadData();
}

void EditGroupViewController1::showAlertView(const QString& text)
{
    platform::showAlert(this, text);
}

void EditGroupViewController1::addGroupPressed()
{
    isAddGroup = kAdd;
    // A name of blanks only is as empty as no name.
    const QString name = addGroupTextField->text().trimmed();
    if (name.isEmpty()) {
        showAlertView(kEmptyName);
        return;
    }
    if (watchlist::groupNameTooLong(name)) {
        showAlertView(watchlist::kGroupNameTooLong);
        return;
    }
    const platform::AlertSpec confirm { platform::stringWithFormat("您确定要添加群组'%@'吗？", name),
        QString(), { QStringLiteral("取消"), QStringLiteral("添加") } };
    const QString user = groupModel() ? groupModel()->userId() : QString();
    QPointer<EditGroupViewController1> self(this);
    platform::showAlert(this, confirm, [self, name, user](int button) {
        if (!self || button != 1)
            return;
        if (QuilorSDK* client = self->sdk()) {
            market::GroupWrites::of(client)->writeGroupsInTurn(
                backend::kApiAddGroup, changeReply(self, client, kAdd),
                [name](QuilorSDK* client, MHTTPObserver* observer) {
                    return client->addStockGroup(name, QStringLiteral("0"), QString(), nullptr, observer);
                },
                user);
        }
    });
}

void EditGroupViewController1::renameGroupPressed()
{
    isAddGroup = kRename;
    const QVariantMap group = curOpGroup;
    const QString user = groupModel() ? groupModel()->userId() : QString();
    QPointer<EditGroupViewController1> self(this);
    // The question stands in the window's body too, where the user reads it.
    const QString question = platform::stringWithFormat("重命名[%@]群组", platform::stringOf(group, kName));
    platform::inputPresenter()->ask(
        question, question, QString(), this, [self, group, user](const QString& answer) {
            if (!self || answer.isNull())
                return;
            const QString name = answer.trimmed();
            if (name.isEmpty()) {
                self->showAlertView(kEmptyName);
                return;
            }
            if (watchlist::groupNameTooLong(name)) {
                self->showAlertView(watchlist::kGroupNameTooLong);
                return;
            }
            QuilorSDK* client = self->sdk();
            if (!client)
                return;
            const QString id = platform::stringOf(group, kId);
            // Without an id the request would add a new group instead of renaming.
            if (id.isEmpty()) {
                self->showAlertView(QStringLiteral("网络不给力，添加分组失败，请重试!"));
                return;
            }
            // Sent with the order the group holds by then: a move made
            // meanwhile stays.
            market::GroupWrites::of(client)->writeGroups(backend::kApiAddGroup,
                changeReply(self, client, kRename), market::GroupWrites::changeGroup(id, name), user);
        });
}

void EditGroupViewController1::deleteGroupPressed()
{
    isAddGroup = kDelete;
    const QVariantMap group = curOpGroup;
    const QString user = groupModel() ? groupModel()->userId() : QString();
    const platform::AlertSpec confirm { platform::stringWithFormat(
                                            "您确定要把群组'%@'删除吗？本群组下面所有的股票也将会被删除。",
                                            platform::stringOf(group, kName)),
        QString(), { QStringLiteral("取消"), QStringLiteral("删除") } };
    QPointer<EditGroupViewController1> self(this);
    platform::showAlert(this, confirm, [self, group, user](int button) {
        if (!self || button != 1)
            return;
        QuilorSDK* client = self->sdk();
        if (!client)
            return;
        const QString id = platform::stringOf(group, kId);
        if (id.isEmpty()) {
            self->showAlertView(QStringLiteral("分组删除失败，请重试!"));
            return;
        }
        market::GroupWrites::of(client)->writeGroupsInTurn(
            backend::kApiDelGroup, changeReply(self, client, kDelete, id),
            [id](QuilorSDK* client, MHTTPObserver* observer) {
                return client->delStockGroup(id, nullptr, observer);
            },
            user);
    });
}

void EditGroupViewController1::cellCallBack(const QVariantMap& dict)
{
    const QString event = platform::stringOf(dict, QStringLiteral("event"));
    if (event == QStringLiteral("DoRename")) {
        curOpGroup = dict;
        renameGroupPressed();
    } else if (event == QStringLiteral("DoDelete")) {
        curOpGroup = dict;
        deleteGroupPressed();
    } else if (event == QStringLiteral("DoRefresh")) {
        platform::runOnMainAsync(this, [this]() { refreshData(); });
    }
}

int EditGroupViewController1::numberOfRowsInTableView(StockTableView*)
{
    return int(tableArray.size());
}

TableCellView* EditGroupViewController1::tableViewViewForTableColumn(
    StockTableView* tableView, const QString&, int row)
{
    auto* cell = static_cast<EditGroupTableCellView*>(
        tableView->makeViewWithIdentifier(EditGroupTableCellView::kIdentifier));
    if (!cell)
        cell = new EditGroupTableCellView;
    cell->setDelegateCell(this);
    cell->setChangeCallBack([this](const QVariantMap& dict) { cellCallBack(dict); });
    tableView->setBackgroundColorForRow(row,
        row % 2 == 0 ? platform::Colors::calibratedRGB(250.0 / 255, 250.0 / 255, 250.0 / 255, 0.1)
                     : platform::Colors::clear());
    if (row >= 0 && row < tableArray.size())
        cell->UpdateCell(tableArray.at(row).toMap());
    return cell;
}

void EditGroupViewController1::DoChangePoint()
{
    QuilorSDK* client = sdk();
    if (!client || proposedRow < 0 || proposedRow >= tableArray.size() || acceptDrop < 0
        || acceptDrop >= tableArray.size())
        return;
    isAddGroup = kReorder;
    const QString draggedId = platform::stringOf(tableArray.at(proposedRow).toMap(), kId);
    const QString targetId = platform::stringOf(tableArray.at(acceptDrop).toMap(), kId);
    if (draggedId.isEmpty())
        return;
    // The dragged group takes the place the target group holds when the
    // move is sent, under the name it holds then.
    market::GroupWrites::of(client)->writeGroups(backend::kApiAddGroup, changeReply(this, client, kReorder),
        market::GroupWrites::changeGroup(draggedId, QString(),
            [targetId](const QVariantMap&, const QVariantList& groups) -> std::optional<QString> {
                const QVariantMap target = market::GroupWrites::groupOf(groups, targetId);
                if (target.isEmpty())
                    return std::nullopt;
                return platform::stringOf(target, kOrder);
            }));
}

bool EditGroupViewController1::HttpResult(const QVariant& result, int api, bool)
{
    MyStockGroup* model = groupModel();
    switch (api) {
    case backend::kApiDelGroup:
        // The model has dropped the group and moved the saved choice back
        // when it was that group or one before it.
        showAlertView(QStringLiteral("分组删除成功!"));
        platform::runOnMainAsync(this, [this]() { refreshData(); });
        break;
    case backend::kApiAddGroup:
        if (isAddGroup == kAdd) {
            showAlertView(QStringLiteral("添加群组成功!"));
            // Ready for the next name; a failed add keeps the typed one.
            addGroupTextField->clear();
            const qsizetype count = model ? model->iGroupArray.size() : 0;
            // With no group known yet the index stays on the first one, never below it.
            if (model)
                model->saveCurIdx(
                    platform::stringWithFormat("%lu", (unsigned long)(count > 0 ? count - 1 : 0)));
        } else if (isAddGroup == kRename) {
            showAlertView(QStringLiteral("重命名群组成功!"));
        }
        platform::runOnMainAsync(this, [this]() { refreshData(); });
        break;
    case backend::kApiGetGroups:
        // The model takes (or drops) the list and tells every window.
        if (model)
            model->HttpResult(result, api, false);
        break;
    default:
        break;
    }
    return true;
}

bool EditGroupViewController1::HttpEvent(int code, const QString&, int api)
{
    if (api == backend::kApiDelGroup)
        showAlertView(QStringLiteral("分组删除失败，请重试!"));
    else if (api == backend::kApiAddGroup)
        showAlertView(watchlist::groupFailureText(code, QStringLiteral("网络不给力，添加分组失败，请重试!")));
    return true;
}
