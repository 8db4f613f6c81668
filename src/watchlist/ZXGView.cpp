#include "watchlist/ZXGView.h"

#include "app/AppDelegate.h"
#include "app/MainViewController.h"
#include "app/SecurityScreen.h"
#include "app/ZXGFatherView.h"
#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "backend/User.h"
#include "community/MsgCenter.h"
#include "market/GroupWrites.h"
#include "market/MyStock.h"
#include "market/MyStockGroup.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/GroupDialogLayout.h"
#include "watchlist/Logging.h"
#include "watchlist/MyStockTableCell.h"
#include "watchlist/PopUpButton.h"
#include "watchlist/StockSearch.h"

#include <QAction>
#include <QCompleter>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

namespace {
const QString kData = QStringLiteral("data");
const QString kId = QStringLiteral("id");
const QString kStockcode = QStringLiteral("stockcode");
constexpr int kRowHeight = 40;
int g_loginRetryDelayMs = 30000;

// An absent key stays absent in a request.
QString optionalField(const QVariantMap& dict, const QString& key)
{
    return dict.contains(key) ? platform::stringOf(dict, key) : QString();
}

// One request whose reply carries the rows of one group (a load, API 90005,
// or a drag, API 90013): the reply is handed back with the group it was
// asked for, so that the list can drop what no longer concerns it.
class GroupRowsRequest : public QObject, public MHTTPObserver {
public:
    using Result = std::function<void(const QString& groupId, int serial, const QVariant& result)>;
    using Failure = std::function<void(const QString& groupId, int serial, int api, int code)>;
    GroupRowsRequest(const QString& groupId, int serial, Result result, Failure failure, QObject* parent)
        : QObject(parent)
        , m_groupId(groupId)
        , m_serial(serial)
        , m_result(std::move(result))
        , m_failure(std::move(failure))
    {
    }
    bool HttpResult(const QVariant& result, int, bool) override
    {
        m_result(m_groupId, m_serial, result);
        deleteLater();
        return true;
    }
    bool HttpEvent(int code, const QString&, int api) override
    {
        m_failure(m_groupId, m_serial, api, code);
        deleteLater();
        return true;
    }
    // A write that waited its turn counts from when it was sent.
    void setSerial(int serial) { m_serial = serial; }

private:
    QString m_groupId;
    int m_serial;
    Result m_result;
    Failure m_failure;
};

// The saved index as an int: a value beyond its range names no group
// rather than wrapping onto one.
int savedGroupIndex(const QString& text)
{
    const long long value = platform::integerValue(QStringView(text));
    return value < 0 || value > std::numeric_limits<int>::max() ? -1 : int(value);
}

void setButtonBackground(QPushButton* button, const QColor& color)
{
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: white; border: 1px solid "
                       "#555; border-radius: 3px; padding: 2px 6px; }")
            .arg(color.name()));
}
} // namespace

namespace watchlist {

QVariantMap groupOfRow(const QVariantMap& row, const MyStockGroup* model)
{
    const QString id = row.value(kRowGroupKey).toString();
    if (id.isEmpty())
        return model ? model->GetCurGroupDict() : QVariantMap();
    if (model) {
        for (const QVariant& group : model->iGroupArray) {
            if (platform::stringOf(group.toMap(), kId) == id)
                return group.toMap();
        }
    }
    return QVariantMap { { kId, id } };
}

bool groupNameTooLong(const QString& name)
{
    return graphemeCount(name) > kGroupNameMaxLength;
}

} // namespace watchlist

void ZXGView::setLoginRetryDelayMs(int ms)
{
    g_loginRetryDelayMs = ms;
}

int ZXGView::loginRetryDelayMs()
{
    return g_loginRetryDelayMs;
}

ZXGView::ZXGView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ZXGView"));
    setMinimumWidth(218);
    watchlist::applyPanelLook(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(3);
    iPopUpButton = new watchlist::PopUpButton(this);
    iPopUpButton->setObjectName(QStringLiteral("iPopUpButton"));
    iPopUpButton->setPlaceholderTitle(QStringLiteral("自选股"));
    setButtonBackground(iPopUpButton, QColor(48, 52, 60));
    bar->addWidget(iPopUpButton, 1);

    iGroupSetBtn = new QPushButton(QStringLiteral("分组"), this);
    iGroupSetBtn->setObjectName(QStringLiteral("iGroupSetBtn"));
    setButtonBackground(iGroupSetBtn, QColor(48, 52, 60));
    m_groupSetMenu = new QMenu(this);
    const auto addGroupItem = [this](const char* title, const char* key) {
        QAction* item = m_groupSetMenu->addAction(QString::fromUtf8(title));
        item->setData(QString::fromUtf8(key));
        connect(item, &QAction::triggered, this, [this, item]() { GroupSetMenuItemPressed(item); });
    };
    addGroupItem("添加分组", "addGroup");
    addGroupItem("修改分组名", "renameGroup");
    addGroupItem("删除分组", "deleteGroup");
    connect(iGroupSetBtn, &QPushButton::clicked, this, [this]() {
        platform::popUpMenu(
            m_groupSetMenu, iGroupSetBtn->mapToGlobal(iGroupSetBtn->rect().bottomLeft()), iGroupSetBtn);
    });
    bar->addWidget(iGroupSetBtn);

    iSetBtn = new QPushButton(QStringLiteral("管理"), this);
    iSetBtn->setObjectName(QStringLiteral("iSetBtn"));
    setButtonBackground(iSetBtn, QColor(48, 52, 60));
    connect(iSetBtn, &QPushButton::clicked, this, &ZXGView::SetBtnPressed);
    bar->addWidget(iSetBtn);

    iVIPBtn = new QPushButton(QStringLiteral("⇄"), this);
    iVIPBtn->setObjectName(QStringLiteral("iVIPBtn"));
    setButtonBackground(iVIPBtn, QColor(48, 52, 60));
    connect(iVIPBtn, &QPushButton::clicked, this, &ZXGView::GotoVIP);
    bar->addWidget(iVIPBtn);
    layout->addLayout(bar);

    iSearchField = new QLineEdit(this);
    iSearchField->setObjectName(QStringLiteral("iSearchField"));
    iSearchField->setClearButtonEnabled(true);
    connect(iSearchField, &QLineEdit::textChanged, this, &ZXGView::controlTextDidChange);
    layout->addWidget(iSearchField);

    iTableView = new StockTableView(this);
    iTableView->setObjectName(QStringLiteral("iTableView"));
    iTableView->setRowHeight(kRowHeight);
    iTableView->setDataSource(this);
    layout->addWidget(iTableView, 1);

    // A group that could not be loaded is asked for again once the backend
    // answers a login (the shell's or the list's own).
    platform::NotificationCenter::defaultCenter()->addObserver(
        this, QStringLiteral("UserInfoChanged"), [this](const platform::Notification&) {
            if (!m_rowsLoadFailing && !m_groupsLoadFailing)
                return;
            refreshGroup();
            DoGetAGroupOfStocks();
        });
}

ZXGView::~ZXGView()
{
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
    // The rows unregister from the quote store while the table still exists.
    iTableView->setDataSource(nullptr);
    iTableView->reloadData();
}

QuilorSDK* ZXGView::sdk() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

int ZXGView::groupCount() const
{
    return iMyStockGroup ? int(iMyStockGroup->iGroupArray.size()) : 0;
}

bool ZXGView::leadsGroupModel() const
{
    return iMyStockGroup && iMyStockGroup->delegateCell() == this;
}

QVariantMap ZXGView::groupAt(int index) const
{
    if (!iMyStockGroup || index < 0 || index >= iMyStockGroup->iGroupArray.size())
        return {};
    return iMyStockGroup->iGroupArray.at(index).toMap();
}

int ZXGView::indexOfGroup(const QString& id) const
{
    if (id.isEmpty() || !iMyStockGroup)
        return -1;
    for (qsizetype i = 0; i < iMyStockGroup->iGroupArray.size(); ++i) {
        if (platform::stringOf(iMyStockGroup->iGroupArray.at(i).toMap(), kId) == id)
            return int(i);
    }
    return -1;
}

void ZXGView::initByFather(QObject* father)
{
    fatherCtr = qobject_cast<platform::ViewController*>(father);
    AppDelegate* delegate = AppDelegate::shared();
    if (!delegate) {
        qCWarning(lcWatchlist, "the list needs the application delegate");
        return;
    }

    proposedRow = -1;
    delegate->setViewController(father);
    setButtonBackground(iVIPBtn, platform::Colors::darkGray());

    if (!delegate->iQuilorSDK()) {
        market::installSharedModels();
        auto* client = new QuilorSDK(platform::Configuration::current().backendUrl, QStringLiteral("2001"),
            QStringLiteral("400030000"), delegate);
        delegate->setIQuilorSDK(client);
        delegate->setIMsgCenter(new MsgCenter(client->iUser(), client, delegate));
    }
    QuilorSDK* client = delegate->iQuilorSDK();

    if (MyStock* recent = client->iMyStock(); recent && !recent->recentSearches().isEmpty()) {
        auto* completer = new QCompleter(recent->recentSearches(), iSearchField);
        iSearchField->setCompleter(completer);
    }

    const auto groupCallBack = [this](const QVariantMap& dict) { MyStockGroupCallBack(dict); };
    if (MyStockGroup* shared = client->iMyStockGroup()) {
        iMyStockGroup = shared;
        shared->setDelegateCell(this);
        shared->setChangeCallBack(groupCallBack);
    } else if (!iMyStockGroup) {
        iMyStockGroup = new MyStockGroup(client, this, groupCallBack, this);
    }
    // Whoever changed the groups (a refresh, a delete, the manager, another
    // login), the list shows them.
    connect(iMyStockGroup, &MyStockGroup::groupsChanged, this, &ZXGView::scheduleGroupUpdate,
        Qt::UniqueConnection);
    connect(iMyStockGroup, &MyStockGroup::userChanged, this, &ZXGView::restoreSaved, Qt::UniqueConnection);
    iMyStockGroup->refreshData();
    restoreSaved();

    platform::runOnMainAsync(this, [this]() { UpDateGroup(); });
    loginOnBackGround();
    delegate->setViewController(father);
}

void ZXGView::loginOnBackGround()
{
    QuilorSDK* client = sdk();
    if (!client || !client->iUser())
        return;
    const User* user = client->iUser();
    client->DoLogin(user->username, user->password, user->deviceid, true, nullptr, this);
}

void ZXGView::restoreSaved()
{
    // The saved index decides which group is chosen, also when another
    // window of the list chose one meanwhile; the rows are that group's own.
    if (const QVariantList saved = iMyStockGroup->savedGroups(); !saved.isEmpty())
        iMyStockGroup->setIGroupArray(saved);
    iCurGroupIdx = iMyStockGroup->savedCurIdx();
    if (iCurGroupIdx.isNull())
        iCurGroupIdx = QStringLiteral("0");
    // The group the saved index named when it was saved, wherever it is in
    // the groups held now.
    if (const int chosen = indexOfGroup(iMyStockGroup->savedCurGroupId()); chosen >= 0)
        iCurGroupIdx = platform::stringWithFormat("%ld", long(chosen));
    const int index = savedGroupIndex(iCurGroupIdx);
    if (leadsGroupModel())
        iMyStockGroup->setICurIdx(index);
    m_curGroupId.clear();
    // Rows still on their way belong to the state left behind (maybe another
    // user's group of the same id).
    m_shownRowsSerial = m_rowsSerial;
    showSavedRows(optionalField(groupAt(index), kId), true);
}

void ZXGView::showSavedRows(const QString& groupId, bool always)
{
    if (groupId == m_rowsGroupId && !always)
        return;
    QVariantList rows;
    QVariantMap members;
    if (iMyStockGroup) {
        for (const QVariant& saved : iMyStockGroup->savedRows(groupId)) {
            QVariantMap row = saved.toMap();
            row.insert(watchlist::kRowGroupKey, groupId);
            row.insert(watchlist::kRowUserKey, iMyStockGroup->userId());
            members.insert(platform::stringOf(row, kStockcode), row);
            rows << row;
        }
    }
    if (leadsGroupModel()) {
        if (rows.isEmpty())
            iMyStockGroup->clearGroupStockDict();
        else
            iMyStockGroup->setIGroupStockDict(members);
    }
    tableArray = rows;
    m_rowsGroupId = groupId;
    iTableView->reloadData();
}

void ZXGView::scheduleGroupUpdate()
{
    if (m_groupUpdatePending)
        return;
    m_groupUpdatePending = true;
    platform::runOnMainAsync(this, [this]() {
        m_groupUpdatePending = false;
        UpDateGroup();
    });
}

void ZXGView::UpDateGroup()
{
    auto* menu = new QMenu(iPopUpButton);
    const auto addItem = [this, menu](const QString& title, const QString& key) {
        QAction* item = menu->addAction(title);
        item->setData(key);
        connect(item, &QAction::triggered, this, [this, item]() { PopUpButtonMenuItemPressed(item); });
    };
    m_menuGroupIds.clear();
    if (groupCount() == 0) {
        addItem(QStringLiteral("自选股"), QStringLiteral("all"));
    } else {
        for (qsizetype i = 0; i < iMyStockGroup->iGroupArray.size(); ++i) {
            const QVariantMap group = iMyStockGroup->iGroupArray.at(i).toMap();
            addItem(platform::menuText(platform::stringOf(group, QStringLiteral("userstockgroupname"))),
                platform::stringWithFormat("%ld", long(i)));
            m_menuGroupIds << platform::stringOf(group, kId);
        }
    }
    iPopUpButton->setPopUpMenu(menu);

    // The group shown stays shown wherever the groups moved; when it is
    // gone the saved choice (which the model moved on) decides, and never
    // names a group that is not there. Only the user's choice is saved.
    int index = savedGroupIndex(iCurGroupIdx);
    if (const int found = indexOfGroup(m_curGroupId); found >= 0) {
        index = found;
    } else if (iMyStockGroup && !m_curGroupId.isEmpty()) {
        const QString saved = iMyStockGroup->savedCurIdx();
        if (!saved.isNull())
            index = savedGroupIndex(saved);
    }
    if (groupCount() > 0 && (index < 0 || index >= groupCount()))
        index = index < 0 ? 0 : groupCount() - 1;
    if (groupCount() > 0)
        iCurGroupIdx = platform::stringWithFormat("%ld", long(index));
    if (index >= 0 && index < groupCount())
        m_curGroupId = m_menuGroupIds.at(index);
    else
        m_curGroupId.clear();
    // Never one group's rows under another's title, nor a deleted group's.
    showSavedRows(m_curGroupId);
    iPopUpButton->selectItemAtIndex(index);
    if (leadsGroupModel())
        iMyStockGroup->setICurIdx(index);
    platform::runOnMainAsync(this, [this]() { DoGetAGroupOfStocks(); });
}

void ZXGView::PopUpButtonMenuItemPressed(QAction* item)
{
    if (!item)
        return;
    // "all" (the placeholder) reads as 0, which names no group when there are none.
    long index = long(platform::integerValue(item->data()));
    if (index < 0 || index >= m_menuGroupIds.size())
        return;
    // A menu built from an older group list: the item's group decides.
    const int found = indexOfGroup(m_menuGroupIds.at(index));
    if (found < 0) {
        UpDateGroup();
        return;
    }
    index = found;
    const QString text = platform::stringWithFormat("%ld", index);
    iMyStockGroup->saveCurIdx(text);
    iMyStockGroup->setICurIdx(int(index));
    iCurGroupIdx = text;
    m_curGroupId = m_menuGroupIds.value(index);
    // Until the group answers, its own saved rows (or none) show.
    showSavedRows(m_curGroupId);
    iPopUpButton->selectItemAtIndex(int(index));
    platform::runOnMainAsync(this, [this]() { DoGetAGroupOfStocks(); });
}

void ZXGView::DoGetAGroupOfStocks()
{
    int index = savedGroupIndex(iCurGroupIdx);
    if (const int found = indexOfGroup(m_curGroupId); found >= 0)
        index = found;
    QuilorSDK* client = sdk();
    if (!client || index < 0 || index >= groupCount())
        return;
    if (leadsGroupModel())
        iMyStockGroup->setICurIdx(index);
    const QString id = optionalField(groupAt(index), kId);
    m_curGroupId = id;
    showSavedRows(id);
    requestRows(id, [client, id](MHTTPObserver* observer) {
        return client->GetAGroupOfStocks(
            id, QStringLiteral("0"), QString::number(MyStockGroup::kGroupPageSize), nullptr, observer);
    });
}

void ZXGView::requestRows(const QString& groupId, const std::function<bool(MHTTPObserver*)>& send)
{
    const int serial = ++m_rowsSerial;
    auto* request = new GroupRowsRequest(
        groupId, serial,
        [this](
            const QString& id, int answered, const QVariant& result) { rowsArrived(id, answered, result); },
        [this](const QString& id, int answered, int api, int code) { rowsFailed(id, answered, api, code); },
        this);
    if (!send(request))
        delete request;
}

void ZXGView::rowsArrived(const QString& groupId, int serial, const QVariant& result)
{
    // Rows of a group no longer chosen, or older than those shown, are dropped.
    if (groupId != m_curGroupId || serial <= m_shownRowsSerial)
        return;
    if (takeRows(result, groupId))
        m_shownRowsSerial = serial;
}

void ZXGView::rowsFailed(const QString& groupId, int serial, int api, int code)
{
    qCWarning(lcWatchlist, "group %s: API %d failed (%d)", qUtf8Printable(groupId), api, code);
    if (code == market::GroupWrites::kNoSuchGroup && iMyStockGroup && serial > m_shownRowsSerial) {
        // Not a network failure: the group is gone (deleted elsewhere), so it
        // is neither shown nor asked for again.
        iMyStockGroup->groupDeleted(groupId);
        return;
    }
    if (api != backend::kApiGroupStocks || groupId != m_curGroupId || serial < m_rowsSerial)
        return;
    // The rows on screen and on disk stay; the user hears of it once, and the
    // group is asked for again until it comes.
    if (!m_rowsLoadFailing) {
        m_rowsLoadFailing = true;
        platform::deliverUserNotification(
            QStringLiteral("自选股"), QStringLiteral("网络不给力，自选股暂时无法更新，显示的是上次的内容。"));
    }
    if (!m_rowsRetryPending) {
        m_rowsRetryPending = true;
        platform::runOnMainAfter(g_loginRetryDelayMs, this, [this]() {
            m_rowsRetryPending = false;
            if (m_rowsLoadFailing)
                DoGetAGroupOfStocks();
        });
    }
}

bool ZXGView::takeRows(const QVariant& result, const QString& groupId)
{
    const QVariantMap reply = result.toMap();
    if (!reply.contains(kData))
        return false;
    const QVariant data = reply.value(kData);
    if (data.typeId() != QMetaType::QVariantList && !platform::stringOf(data).isEmpty()) {
        qCWarning(lcWatchlist, "group rows that are not a list (%lld characters)",
            qlonglong(platform::stringOf(data).size()));
        return false;
    }
    // A JSON null arrives as "" and means an empty group.
    QVariantList rows;
    for (const QVariant& value : MyStockGroup::membersOfReply(data)) {
        QVariantMap row = value.toMap();
        if (!groupId.isEmpty())
            row.insert(watchlist::kRowGroupKey, groupId);
        if (iMyStockGroup)
            row.insert(watchlist::kRowUserKey, iMyStockGroup->userId());
        rows << row;
    }
    tableArray = rows;
    m_rowsGroupId = groupId;
    m_rowsLoadFailing = false;
    QVariantMap members;
    for (const QVariant& row : std::as_const(tableArray))
        members.insert(platform::stringOf(row.toMap(), kStockcode), row);
    if (leadsGroupModel())
        iMyStockGroup->setIGroupStockDict(members);
    refreshTableView();
    return true;
}

void ZXGView::RefreshCurGroup()
{
    refreshGroup();
}

void ZXGView::refreshGroup()
{
    if (iMyStockGroup)
        iMyStockGroup->refreshData();
}

void ZXGView::DeleteGroup()
{
    if (iMyStockGroup)
        DeleteGroup(iMyStockGroup->GetCurGroupDict());
}

void ZXGView::DeleteGroup(const QVariantMap& group)
{
    QuilorSDK* client = sdk();
    if (!client || !iMyStockGroup)
        return;
    const QString id = optionalField(group, kId);
    const QString user = group.contains(watchlist::kRowUserKey) ? optionalField(group, watchlist::kRowUserKey)
                                                                : iMyStockGroup->userId();
    const auto deleted = [this, id, user](const QVariant& result) {
        if (iMyStockGroup && iMyStockGroup->userId() == user)
            groupDeleted(id, result);
    };
    auto* request = new backend::ReplyObserver(
        this, [deleted](const QVariant& result, int) { deleted(result); },
        [this, deleted](int code, const QString& description, int api) {
            // A group the backend no longer has is as good as deleted.
            if (code == market::GroupWrites::kNoSuchGroup)
                deleted(QVariant());
            else
                HttpEvent(code, description, api);
        });
    if (id.isEmpty()) {
        delete request;
        return;
    }
    market::GroupWrites::of(client)->writeGroupsInTurn(
        backend::kApiDelGroup, request,
        [id](QuilorSDK* client, MHTTPObserver* observer) {
            return client->delStockGroup(id, nullptr, observer);
        },
        user);
}

void ZXGView::groupDeleted(const QString& groupId, const QVariant& result)
{
    platform::showAlert(window(), QStringLiteral("分组删除成功!"));
    if (!iMyStockGroup)
        return;
    // Gone from the model, from what is kept and from every window, also
    // when the backend answers the last delete with no groups at all; the
    // model moves the saved choice back by one, which the list then shows.
    iMyStockGroup->groupDeleted(groupId, result);
}

void ZXGView::refreshTableView()
{
    // Kept as the rows of the group they came from, for the user they belong to.
    if (iMyStockGroup && !m_rowsGroupId.isEmpty())
        iMyStockGroup->saveRows(m_rowsGroupId, MyStockGroup::membersOfReply(tableArray));
    iTableView->reloadData();
}

void ZXGView::MyStockGroupCallBack(const QVariantMap& dict)
{
    if (!iMyStockGroup)
        return;
    m_groupsLoadFailing = platform::stringOf(dict, QStringLiteral("result")) != QStringLiteral("OK");
    // The model keeps the list it took; the list only shows it.
    if (!m_groupsLoadFailing) {
        scheduleGroupUpdate();
        return;
    }
    // A list that could not be loaded is asked for again, so that a start
    // with the backend down does not leave the list empty for good.
    if (!m_groupsRetryPending) {
        m_groupsRetryPending = true;
        platform::runOnMainAfter(g_loginRetryDelayMs, this, [this]() {
            m_groupsRetryPending = false;
            if (m_groupsLoadFailing)
                refreshGroup();
        });
    }
}

bool ZXGView::HttpResult(const QVariant& result, int api, bool)
{
    switch (api) {
    case backend::kApiSearchStock:
        if (result.typeId() == QMetaType::QVariantList) {
            searchArray = result.toList();
            m_hasSearchReply = true;
            platform::runOnMainAsync(this, [this]() { ShowMatchText(); });
        }
        break;
    case backend::kApiGroupStocks:
    case backend::kApiAddStockToGroup:
        // Rows handed over directly count as the chosen group's newest.
        if (takeRows(result, m_curGroupId))
            m_shownRowsSerial = m_rowsSerial;
        break;
    case backend::kApiLogin:
        // The client has already made the record this login's own.
        break;
    case backend::kApiDelGroup:
        groupDeleted(m_curGroupId, result);
        break;
    default:
        break;
    }
    return true;
}

bool ZXGView::HttpEvent(int code, const QString& description, int api)
{
    switch (api) {
    case backend::kApiLogin:
        qCWarning(lcWatchlist, "background login failed (%d %s)", code, qUtf8Printable(description));
        // One pending retry per panel, however often it is set up meanwhile.
        if (!m_loginRetryPending) {
            m_loginRetryPending = true;
            platform::runOnMainAfter(g_loginRetryDelayMs, this, [this]() {
                m_loginRetryPending = false;
                loginOnBackGround();
            });
        }
        break;
    case backend::kApiDelGroup: {
        const QString refusal = market::GroupWrites::refusalText(code);
        platform::showAlert(window(), refusal.isNull() ? QStringLiteral("分组删除失败，请重试!") : refusal);
        break;
    }
    case backend::kApiGroupStocks:
        rowsFailed(m_curGroupId, m_rowsSerial + 1, api, code);
        break;
    default:
        qCWarning(lcWatchlist, "API %d failed (%d %s)", api, code, qUtf8Printable(description));
        break;
    }
    return true;
}

int ZXGView::numberOfRowsInTableView(StockTableView*)
{
    return int(tableArray.size());
}

TableCellView* ZXGView::tableViewViewForTableColumn(
    StockTableView* tableView, const QString& tableColumn, int row)
{
    auto* cell
        = static_cast<MyStockTableCell*>(tableView->makeViewWithIdentifier(MyStockTableCell::kIdentifier));
    if (!cell)
        cell = new MyStockTableCell;
    cell->setDelegateCell(this);
    cell->setChangeCallBack([this](const QVariantMap& dict) { cellCallBack(dict); });
    if (tableColumn == StockTableView::kColumn) {
        tableView->setBackgroundColorForRow(row,
            row % 2 == 0 ? platform::Colors::calibratedRGB(250.0 / 255, 250.0 / 255, 250.0 / 255, 0.1)
                         : platform::Colors::clear());
        if (row >= 0 && row < tableArray.size())
            cell->UpdateCell(tableArray.at(row).toMap());
    }
    return cell;
}

void ZXGView::cellCallBack(const QVariantMap& dict)
{
    const QString event = platform::stringOf(dict, QStringLiteral("event"));
    QPointer<ZXGView> self(this);
    const auto reload = [self]() {
        platform::runOnMainAsync(self, [self]() {
            if (self)
                self->DoGetAGroupOfStocks();
        });
    };
    if (event == QStringLiteral("DoubleClick")) {
        const QString code = platform::stringOf(dict, kStockcode);
        const char* identifier = nullptr;
        if (code.length() == 6)
            identifier = app::kStockScreenId;
        else if (code.length() == 10)
            identifier = app::kIndexScreenId;
        if (identifier)
            app::openSecurityScreen(fatherCtr, QString::fromUtf8(identifier), code, reload);
    } else if (event == QStringLiteral("DoRefresh")) {
        reload();
    } else if (event == QStringLiteral("setComment")) {
        const QString id = QString::fromUtf8(watchlist::kCommentEditorId);
        if (!platform::ControllerRegistry::has(id))
            return;
        platform::ViewController* controller = platform::ControllerRegistry::instantiateController(id);
        auto* editor = dynamic_cast<watchlist::CommentEditor*>(controller);
        if (!editor) {
            delete controller;
            return;
        }
        editor->setSelfDict(dict);
        presentFromFather(controller);
        editor->setCommentOK(reload);
    }
}

void ZXGView::presentFromFather(platform::ViewController* controller)
{
    if (fatherCtr) {
        fatherCtr->presentViewControllerAsModalWindow(controller);
        return;
    }
    platform::ViewController::presentOver(controller, window());
}

void ZXGView::openGroupDialog(const char* identifier)
{
    const QString id = QString::fromUtf8(identifier);
    if (!platform::ControllerRegistry::has(id))
        return;
    platform::ViewController* controller = platform::ControllerRegistry::instantiateController(id);
    auto* dialog = dynamic_cast<watchlist::GroupDialog*>(controller);
    if (!dialog) {
        delete controller;
        return;
    }
    QPointer<ZXGView> self(this);
    // The dialog works on the group whose name the pop-up shows.
    if (const int shown = indexOfGroup(m_curGroupId); shown >= 0 && iMyStockGroup)
        iMyStockGroup->setICurIdx(shown);
    dialog->setIMyStockGroup(iMyStockGroup);
    dialog->setOKBlock([self]() {
        platform::runOnMainAsync(self, [self]() {
            if (self)
                self->refreshGroup();
        });
    });
    dialog->setCancelBlock([]() {});
    presentFromFather(controller);
}

void ZXGView::GroupSetMenuItemPressed(QAction* item)
{
    const QString key = item ? item->data().toString() : QString();
    if (key == QStringLiteral("addGroup")) {
        openGroupDialog(watchlist::kAddGroupId);
        return;
    }
    if (key == QStringLiteral("renameGroup")) {
        openGroupDialog(watchlist::kEditGroupId);
        return;
    }
    const int shown = indexOfGroup(m_curGroupId);
    if (shown >= 0 && iMyStockGroup)
        iMyStockGroup->setICurIdx(shown);
    QVariantMap group = iMyStockGroup ? iMyStockGroup->GetCurGroupDict() : QVariantMap();
    if (iMyStockGroup)
        group.insert(watchlist::kRowUserKey, iMyStockGroup->userId());
    const platform::AlertSpec alert { platform::stringWithFormat("您确定要删除\"%@\"分组吗？",
                                          platform::stringOf(group, QStringLiteral("userstockgroupname"))),
        QString(), { QStringLiteral("确定"), QStringLiteral("取消") } };
    QPointer<ZXGView> self(this);
    // The group named in the question is the one deleted.
    platform::showAlert(window(), alert, [self, group](int button) {
        if (button != 0 || !self)
            return;
        platform::runOnMainAsync(self, [self, group]() {
            if (self)
                self->DeleteGroup(group);
        });
    });
}

void ZXGView::SetBtnPressed()
{
    const QString id = QString::fromUtf8(watchlist::kGroupManagerId);
    if (!platform::ControllerRegistry::has(id))
        return;
    platform::ViewController* controller = platform::ControllerRegistry::instantiateController(id);
    if (!controller)
        return;
    // The manager changes the shared groups without telling the list: once
    // it closes, the list catches up.
    connect(controller, &platform::ViewController::didDisappear, this, &ZXGView::followGroupChanges);
    presentFromFather(controller);
}

void ZXGView::followGroupChanges()
{
    // The group shown was deleted: the manager left the index to go on with.
    if (indexOfGroup(m_curGroupId) < 0 && iMyStockGroup) {
        const QString saved = iMyStockGroup->savedCurIdx();
        if (!saved.isNull())
            iCurGroupIdx = saved;
    }
    UpDateGroup();
    // Replies the manager did not live to see still reach the model.
    refreshGroup();
}

void ZXGView::GotoVIP()
{
    const bool embedded = parentWidget() && parentWidget()->inherits("ZXGFatherView");
    QWidget* holder = window();
    if (embedded) {
        platform::ViewController* compact = platform::ControllerRegistry::instantiateController(
            QString::fromUtf8(watchlist::kCompactListId));
        if (!compact)
            return;
        // A window of its own: as a child of the main window it would close
        // with it, and Qt would end the application with its last window.
        compact->setAttribute(Qt::WA_DeleteOnClose, true);
        compact->loadViewIfNeeded();
        // It takes the main window's place on the screen.
        platform::ViewController::placeWindowOver(compact, holder);
        compact->show();
        holder->close();
        return;
    }
    // The main window shows before the compact one goes, so that there is
    // always a window open.
    showMainWindow(holder);
    holder->close();
}

void ZXGView::showMainWindow(QWidget* over)
{
    AppDelegate* delegate = AppDelegate::shared();
    if (delegate && delegate->mainWindow() && delegate->mainViewController()) {
        QMainWindow* window = delegate->mainWindow();
        platform::ViewController::placeWindowOver(window, over);
        window->show();
        window->raise();
        MainViewController* main = delegate->mainViewController();
        // The main window's list takes the group model's callbacks back.
        if (ZXGFatherView* father = main->zxgFatherView(); father && father->listView())
            QMetaObject::invokeMethod(father->listView(), "initByFather", Q_ARG(QObject*, main));
        return;
    }
    auto* main = new MainViewController;
    main->setAttribute(Qt::WA_DeleteOnClose, true);
    main->resize(1242, 720);
    platform::ViewController::placeWindowOver(main, over);
    main->show();
    main->initByController(nullptr);
}

void ZXGView::controlTextDidChange()
{
    DoNetWorkSearch();
}

void ZXGView::DoNetWorkSearch()
{
    const QString text = iSearchField->text();
    QuilorSDK* client = sdk();
    if (!client || !watchlist::searchTextQualifies(text))
        return;
    const int serial = ++m_searchSerial;
    QPointer<ZXGView> self(this);
    auto* request = new watchlist::SearchRequest(
        serial,
        [self, text](int answered, const QVariant& result) {
            // An answer to an older text that arrives late must not replace a
            // newer menu, nor pop up for a text the field no longer holds.
            if (!self || answered < self->m_shownSearchSerial || self->iSearchField->text() != text)
                return;
            self->m_shownSearchSerial = answered;
            self->HttpResult(result, backend::kApiSearchStock, false);
        },
        this);
    if (!client->SearchStockByKey(
            text, QStringLiteral("0"), QString::number(watchlist::kSearchPageSize), nullptr, request))
        delete request;
}

QMenu* ZXGView::searchMenu() const
{
    return m_searchMenu.data();
}

namespace {

// A shown menu takes the keyboard; the user is still typing a code, so
// typed characters go back to the search field and close the hits, which the
// field's next answer replaces.
class TypingGoesToField : public QObject {
public:
    TypingGoesToField(QLineEdit* field, QMenu* menu)
        : QObject(menu)
        , m_field(field)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || !m_field)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool typing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete
            || (!key->text().isEmpty() && key->text().at(0).isPrint());
        if (!typing)
            return false;
        QCoreApplication::sendEvent(m_field, key);
        if (auto* menu = qobject_cast<QMenu*>(watched))
            menu->close();
        return true;
    }

private:
    QPointer<QLineEdit> m_field;
};

} // namespace

void ZXGView::ShowMatchText()
{
    if (!m_hasSearchReply)
        return;
    if (m_searchMenu && m_searchMenu->isVisible()) {
        // Let the open menu's own loop end before the new hits are shown.
        m_searchMenu->close();
        platform::runOnMainAsync(this, [this]() { ShowMatchText(); });
        return;
    }
    if (m_searchMenu)
        m_searchMenu->deleteLater();
    m_searchMenu = watchlist::makeSearchResultMenu(
        searchArray, this, [this](QAction* item) { SeachMenuItemSelected(item); });
    m_searchMenu->installEventFilter(new TypingGoesToField(iSearchField, m_searchMenu));
    platform::popUpMenu(
        m_searchMenu, iSearchField->mapToGlobal(QPoint(0, iSearchField->height())), iSearchField);
}

void ZXGView::SeachMenuItemSelected(QAction* item)
{
    const QString code = item ? item->data().toString() : QString();
    qCDebug(lcWatchlist, "search hit %s", qUtf8Printable(code));
    QPointer<ZXGView> self(this);
    const auto reload = [self]() {
        platform::runOnMainAsync(self, [self]() {
            if (self)
                self->DoGetAGroupOfStocks();
        });
    };
    // The recent-search list belongs to the market store; the panel only reads it.
    watchlist::openSearchHit(fatherCtr, code, reload);
}

void ZXGView::DoChangePoint()
{
    QuilorSDK* client = sdk();
    if (!client || proposedRow < 0 || proposedRow >= tableArray.size() || acceptDrop < 0
        || acceptDrop >= tableArray.size())
        return;
    const QVariantMap dragged = tableArray.at(proposedRow).toMap();
    const QString draggedCode = optionalField(dragged, kStockcode);
    const QString targetCode = optionalField(tableArray.at(acceptDrop).toMap(), kStockcode);
    // The rows' own group, not the one chosen since they were loaded.
    const QString groupId = optionalField(watchlist::groupOfRow(dragged, iMyStockGroup), kId);
    QPointer<ZXGView> self(this);
    auto* request = new GroupRowsRequest(
        groupId, 0,
        [this](
            const QString& id, int answered, const QVariant& result) { rowsArrived(id, answered, result); },
        [this](const QString& id, int answered, int api, int code) { rowsFailed(id, answered, api, code); },
        this);
    // The dragged stock takes the place the target stock holds when the
    // drag is sent, with the alerts it holds then.
    const QString owner = optionalField(dragged, watchlist::kRowUserKey);
    const bool queued = market::GroupWrites::of(client)->write(
        backend::kApiAddStockToGroup, groupId, request,
        [self, request, draggedCode, targetCode, groupId](const QVariantList& rows) {
            const QVariantMap moved = market::GroupWrites::memberOf(rows, draggedCode);
            const QVariantMap target = market::GroupWrites::memberOf(rows, targetCode);
            if (moved.isEmpty() || target.isEmpty())
                return market::GroupWrites::refuse(
                    market::GroupWrites::kNotInGroup, QStringLiteral("dragged or target stock gone"));
            market::GroupWrites::Plan plan;
            plan.send = [self, request, moved, target, groupId](QuilorSDK* client, MHTTPObserver* observer) {
                if (self)
                    request->setSerial(++self->m_rowsSerial);
                return client->addStockToGroup(optionalField(moved, kStockcode),
                    optionalField(moved, QStringLiteral("name")),
                    optionalField(target, QStringLiteral("userstockorder")), groupId,
                    optionalField(moved, QStringLiteral("lprice")),
                    optionalField(moved, QStringLiteral("hprice")),
                    optionalField(moved, QStringLiteral("vprice")), nullptr, observer);
            };
            return plan;
        },
        owner);
    if (!queued)
        delete request;
}
