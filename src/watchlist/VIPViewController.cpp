#include "watchlist/VIPViewController.h"

#include "app/AppDelegate.h"
#include "app/SecurityScreen.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "backend/User.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Configuration.h"
#include "platform/MainThread.h"
#include "platform/UrlSession.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "screens/SegmentedControl.h"
#include "watchlist/Logging.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QDateEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace {
const QSize kWindowSize(767, 331);

QString key(const char* text)
{
    return QString::fromLatin1(text);
}

struct Column {
    const char* identifier;
    const char* title;
    int width;
};

const Column kColumns[] = {
    { "stockcode", "代码", 58 },
    { "stockname", "名称", 72 },
    { "recomdate", "推荐日期", 80 },
    { "reprice", "推荐价", 58 },
    { "cprice", "现价", 58 },
    { "valueprice", "涨跌", 54 },
    { "valuerate", "涨跌幅", 62 },
    { "earnpercent", "推荐后涨幅", 78 },
    { "ratio", "量比", 48 },
    { "turnoverrate", "换手率", 58 },
    { "mainvalue", "主力净流入", 100 },
};

// What a row's menu item keeps: the row it was opened on and the list it
// was shown in.
const char* const kMenuRow = "menuRow";
const char* const kMenuList = "menuList";

QString& operatorId()
{
    static QString id = platform::Configuration::current().operatorUserId;
    return id;
}

// Hands a list reply to the window only while this request is the latest.
class ListObserver : public MHTTPObserver {
public:
    explicit ListObserver(VIPViewController* owner)
        : m_owner(owner)
    {
    }
    bool HttpResult(const QVariant& result, int api, bool isCache) override
    {
        return m_owner && m_owner->HttpResult(result, api, isCache);
    }
    bool HttpEvent(int code, const QString& description, int api) override
    {
        return m_owner && m_owner->HttpEvent(code, description, api);
    }

private:
    QPointer<VIPViewController> m_owner;
};

// A failure as the user hears of it: an add to a group that already holds
// the stock is no network failure.
void notifyFailure(int api, int code)
{
    const QString refusal = market::GroupWrites::refusalText(code);
    if (api == backend::kApiAddStockToGroup && !refusal.isNull())
        platform::deliverUserNotification(QStringLiteral("添加分组"), refusal);
    else
        platform::deliverUserNotification(
            QStringLiteral("网络不给力"), QStringLiteral("网络不给力，请重试！"));
}

} // namespace

namespace vip {
// The table's data source: every answer comes from the controller.
class TableModel : public QAbstractTableModel {
public:
    explicit TableModel(VIPViewController* owner)
        : QAbstractTableModel(owner)
        , m_owner(owner)
    {
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(std::size(kColumns));
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_owner->numberOfRowsInTableView())
            return {};
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole && role != Qt::ForegroundRole)
            return {};
        const vip::Cell cell = std::as_const(*m_owner).tableView(
            QString::fromLatin1(kColumns[index.column()].identifier), index.row());
        if (role == Qt::DisplayRole)
            return cell.text;
        return cell.color ? QVariant(*cell.color) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
            && section < int(std::size(kColumns)))
            return QString::fromUtf8(kColumns[section].title);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    void sort(int column, Qt::SortOrder order) override
    {
        if (column >= 0 && column < int(std::size(kColumns)))
            m_owner->tableView(QString::fromLatin1(kColumns[column].identifier), order == Qt::AscendingOrder);
    }
    // Same row count: the cells change in place and the selection stays.
    void reload()
    {
        const int rows = m_owner->numberOfRowsInTableView();
        if (rows == m_rows) {
            if (rows > 0)
                Q_EMIT dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
            return;
        }
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }

private:
    VIPViewController* m_owner;
    int m_rows = 0;
};
} // namespace vip

VIPViewController::VIPViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    resize(kWindowSize);
    setAutoFillBackground(true);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, platform::Colors::calibratedRGB(0.08, 0.08, 0.1));
    windowPalette.setColor(QPalette::WindowText, platform::Colors::white());
    setPalette(windowPalette);

    selectDatePickerCell = new QDateEdit(this);
    selectDatePickerCell->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    selectDatePickerCell->setCalendarPopup(true);
    selectDatePickerCell->setGeometry(8, 6, 120, 24);

    iSegmentedControl = new SegmentedControl(
        { QStringLiteral("短线金股"), QStringLiteral("中线金股"), QStringLiteral("长线金股") }, this);
    iSegmentedControl->setGeometry(140, 4, 270, 28);
    iSegmentedControl->setSelectedSegment(0);

    refreshButton = new QPushButton(QStringLiteral("刷新"), this);
    refreshButton->setGeometry(420, 5, 70, 26);

    iProgressIndicator = new QProgressBar(this);
    iProgressIndicator->setGeometry(500, 11, 80, 14);
    iProgressIndicator->setTextVisible(false);

    table = new QTableView(this);
    table->setGeometry(0, 36, kWindowSize.width(), kWindowSize.height() - 36);
    m_model = new vip::TableModel(this);
    table->setModel(m_model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(22);
    table->horizontalHeader()->setSortIndicatorShown(true);
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int i = 0; i < int(std::size(kColumns)); ++i)
        table->setColumnWidth(i, kColumns[i].width);
    // Rise and fall colours need a dark ground; white is the neutral text.
    QPalette tablePalette = table->palette();
    tablePalette.setColor(QPalette::Base, platform::Colors::black());
    tablePalette.setColor(QPalette::AlternateBase, platform::Colors::calibratedRGB(0.1, 0.1, 0.12));
    tablePalette.setColor(QPalette::Text, platform::Colors::white());
    tablePalette.setColor(QPalette::Highlight, platform::Colors::calibratedRGB(0.2, 0.3, 0.55));
    table->setPalette(tablePalette);
    table->setShowGrid(true);

    connect(refreshButton, &QPushButton::clicked, this, [this]() { RefreshBtnPressed(); });
    connect(iSegmentedControl, &SegmentedControl::pressed, this, [this]() { SegmentedValueChanged(); });
    connect(selectDatePickerCell, &QDateEdit::dateChanged, this,
        [this](const QDate& date) { datePickerCell(selectDatePickerCell, date); });
    connect(table, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { showContextMenu(pos); });
}

VIPViewController::~VIPViewController() = default;

void VIPViewController::setOperatorUserId(const QString& qvmid)
{
    operatorId() = qvmid.trimmed();
}

QString VIPViewController::operatorUserId()
{
    return operatorId();
}

void VIPViewController::setDelays(int passPauseMs, int flowRetryMs)
{
    m_passPauseMs = passPauseMs;
    m_flowRetryMs = flowRetryMs;
}

QStringList VIPViewController::columnIdentifiers()
{
    QStringList identifiers;
    for (const Column& column : kColumns)
        identifiers << QString::fromLatin1(column.identifier);
    return identifiers;
}

void VIPViewController::viewDidLoad()
{
    setTitle(QStringLiteral("岚石通VIP每日金股"));
    isUpdateAllStocks = false;
    isDoRefresh = false;
    selectDatePickerCell->setDate(QDate::currentDate());
    iDateStr = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    updateIdx = 0;
    WillDoUpData = 0;
    connect(table, &QTableView::doubleClicked, this, [this]() { doubleClickInTable(); });
    iProgressIndicator->hide();
    table->setFocus();
}

void VIPViewController::viewDidDisappear()
{
    // A closed window stops fetching; the rows stay until the next refresh.
    ++m_passToken;
    isUpdateAllStocks = false;
    selfDict.reset();
}

QSize VIPViewController::windowWillResize(const QSize& proposed)
{
    Q_UNUSED(proposed);
    return kWindowSize;
}

void VIPViewController::datePickerCell(QDateEdit* cell, const QDate& validateProposedDateValue)
{
    if (cell == selectDatePickerCell && validateProposedDateValue.isValid())
        iDateStr = validateProposedDateValue.toString(QStringLiteral("yyyy-MM-dd"));
}

void VIPViewController::SegmentedValueChanged()
{
    // Another list is chosen: the rows of the one before go at once, and a
    // pass over them ends, rather than standing under the new title.
    iProgressIndicator->setRange(0, 0);
    iProgressIndicator->show();
    DoRefresh();
}

void VIPViewController::RefreshBtnPressed()
{
    iProgressIndicator->setRange(0, 0);
    iProgressIndicator->show();
    if (!stockDicts.isEmpty() && isUpdateAllStocks) {
        WillDoUpData = 1;
        return;
    }
    WillDoUpData = 0;
    DoRefresh();
}

void VIPViewController::DoRefresh()
{
    isDoRefresh = true;
    ++m_listGeneration;
    WillDoUpData = 0;
    selfDict.reset();
    stockDicts.clear();
    updateIdx = 0;
    m_flowAttempts = 0;
    // Whatever pass was running belongs to the old list.
    ++m_passToken;
    isUpdateAllStocks = false;
    refreshTableView();

    QuilorSDK* client = sdk();
    const int segment = std::max(0, iSegmentedControl->selectedSegment());
    const QString type = platform::stringWithFormat("%ld", static_cast<long>(segment + 1));
    m_listObserver = std::make_unique<ListObserver>(this);
    if (!client
        || !client->GetRecommentStockList(
            type, QStringLiteral("0"), QString::number(kPageSize), iDateStr, nullptr, m_listObserver.get())) {
        qCWarning(lcWatchlist, "recommendation list not requested");
        isDoRefresh = false;
        stopProgress();
    }
}

void VIPViewController::UpdateAllstockDicts()
{
    QStringList codes;
    for (const QVariant& record : commentStocks) {
        const QString code = vip::recordText(record.toMap(), key("stockcode")).trimmed();
        if (code.isEmpty())
            qCWarning(lcWatchlist, "recommendation without a stockcode skipped");
        else
            codes << code;
    }
    if (codes.isEmpty())
        return;
    ++m_passToken;
    const QVariantList records = commentStocks;
    fetch(platform::Configuration::current().neteaseQuoteUrl, vip::quoteFeedPath(codes),
        [this, records](const QByteArray* body) {
            if (body) {
                const vip::FeedEntries feed = vip::quoteFeedEntries(*body);
                if (!feed.error.isEmpty())
                    qCWarning(lcWatchlist, "quote feed: %s", qUtf8Printable(feed.error));
                QList<platform::SharedDict> rows;
                if (feed.error.isEmpty()) {
                    for (const QVariant& value : records) {
                        const QVariantMap record = value.toMap();
                        const auto entry = feed.entries.constFind(
                            vip::prefixedCode(vip::recordText(record, key("stockcode")).trimmed()));
                        const auto row
                            = vip::rowForRecord(record, entry == feed.entries.constEnd() ? nullptr : &*entry);
                        if (row)
                            rows << platform::makeSharedDict(*row);
                    }
                }
                stockDicts = rows;
            }
            selfDict.reset();
            updateIdx = 0;
            m_flowAttempts = 0;
            // A new pass takes over from whatever pass was still running.
            ++m_passToken;
            nextStep(&VIPViewController::UpDateNowData);
        });
}

void VIPViewController::UpDateNowData()
{
    if (updateIdx < stockDicts.size()) {
        if (WillDoUpData == 1) {
            DoRefresh();
            isUpdateAllStocks = false;
            return;
        }
        isUpdateAllStocks = true;
        selfDict = stockDicts.at(updateIdx);
        refreshTableView();
        nextStep(&VIPViewController::GetBaseData);
        return;
    }
    updateIdx = 0;
    if (WillDoUpData == 1) {
        DoRefresh();
        return;
    }
    qCDebug(
        lcWatchlist, "recommended stocks: %lld rows refreshed", static_cast<long long>(stockDicts.size()));
    isUpdateAllStocks = false;
    if (isDoRefresh)
        return;
    refreshTableView();
    if (stockDicts.isEmpty())
        return;
    const quint64 token = m_passToken;
    platform::runOnMainAfter(m_passPauseMs, this, [this, token]() {
        if (!passIsCurrent(token))
            return;
        isUpdateAllStocks = true;
        UpDateNowData();
    });
}

void VIPViewController::GetBaseData()
{
    const platform::SharedDict row = selfDict;
    const QString code = row ? vip::recordText(*row, key("stockcode")) : QString();
    if (code.isEmpty()) {
        ++updateIdx;
        nextStep(&VIPViewController::UpDateNowData);
        return;
    }
    fetch(platform::Configuration::current().neteaseQuoteUrl, vip::quoteFeedPath({ code }),
        [this, row, code](const QByteArray* body) {
            if (body) {
                const vip::FeedEntries feed = vip::quoteFeedEntries(*body);
                const auto entry = feed.entries.constFind(vip::prefixedCode(code));
                if (entry != feed.entries.constEnd())
                    vip::applyQuoteEntry(*row, *entry);
            }
            nextStep(&VIPViewController::GetLBHSLData);
        });
}

void VIPViewController::GetLBHSLData()
{
    const platform::SharedDict row = selfDict;
    const QString code = row ? vip::recordText(*row, key("stockcode")) : QString();
    fetch(platform::Configuration::current().neteaseCompanyUrl, vip::stockAppPath(code),
        [this, row](const QByteArray* body) {
            if (body) {
                // "HS" comes in percent, the unit the turnover column and
                // its 2 % threshold read.
                if (const auto fields = vip::volumeFields(*body)) {
                    row->insert(key("ratio"), fields->value(key("ratio")));
                    row->insert(key("turnoverrate"), fields->value(key("turnoverrate")));
                }
            }
            nextStep(&VIPViewController::GetFFData);
        });
}

void VIPViewController::GetFFData()
{
    const platform::SharedDict row = selfDict;
    const QString code = row ? vip::recordText(*row, key("stockcode")) : QString();
    fetch(platform::Configuration::current().eastmoneyUrl, vip::fundFlowPath(code),
        [this, row](const QByteArray* body) {
            const std::optional<QString> value = body ? vip::mainValue(*body) : std::nullopt;
            if (value) {
                row->insert(key("mainvalue"), *value);
                ++updateIdx;
                m_flowAttempts = 0;
                nextStep(&VIPViewController::UpDateNowData);
                return;
            }
            // Retried after a pause, then the row is left for the next pass.
            if (++m_flowAttempts < kFlowAttempts) {
                const quint64 token = m_passToken;
                platform::runOnMainAfter(m_flowRetryMs, this, [this, token]() {
                    if (passIsCurrent(token))
                        UpDateNowData();
                });
                return;
            }
            qCWarning(lcWatchlist, "fund flow of row %lld failed %d times", static_cast<long long>(updateIdx),
                kFlowAttempts);
            m_flowAttempts = 0;
            ++updateIdx;
            nextStep(&VIPViewController::UpDateNowData);
        });
}

int VIPViewController::numberOfRowsInTableView() const
{
    return int(stockDicts.size());
}

vip::Cell VIPViewController::tableView(const QString& objectValueForTableColumn, int row) const
{
    if (row < 0 || row >= stockDicts.size() || !stockDicts.at(row))
        return {};
    return vip::cellFor(*stockDicts.at(row), objectValueForTableColumn);
}

void VIPViewController::tableView(const QString& sortDescriptorsDidChange, bool ascending)
{
    const QString& sortKey = sortDescriptorsDidChange;
    std::stable_sort(stockDicts.begin(), stockDicts.end(),
        [&](const platform::SharedDict& a, const platform::SharedDict& b) {
            return ascending ? vip::rowLess(*a, *b, sortKey) : vip::rowLess(*b, *a, sortKey);
        });
    refreshTableView();
}

platform::SharedDict VIPViewController::menuRow(const QAction* item) const
{
    // The row the menu was opened on, whatever the list holds by now.
    const platform::SharedDict kept = item->property(kMenuRow).value<platform::SharedDict>();
    if (kept)
        return kept;
    const int row = item->data().toInt();
    return row >= 0 && row < stockDicts.size() ? stockDicts.at(row) : nullptr;
}

QMenu* VIPViewController::getMenu(int row)
{
    auto* menu = new QMenu(QStringLiteral("Set"));
    const platform::SharedDict record
        = row >= 0 && row < stockDicts.size() ? stockDicts.at(row) : platform::SharedDict();
    QuilorSDK* client = sdk();
    MyStockGroup* groups = client ? client->iMyStockGroup() : nullptr;
    if (groups && groups->iGroupArray.size() >= 2) {
        // A Qt submenu takes its title from the item holding it.
        auto* submenu = new QMenu(menu);
        submenu->setObjectName(QStringLiteral("Copy"));
        for (const QVariant& value : groups->iGroupArray) {
            const QVariantMap group = value.toMap();
            QAction* item
                = submenu->addAction(platform::menuText(vip::recordText(group, key("userstockgroupname"))));
            item->setData(row);
            item->setProperty(kMenuRow, QVariant::fromValue(record));
            item->setProperty("keyEquivalent", vip::recordText(group, key("id")));
            item->setProperty("userId", groups->userId());
            connect(item, &QAction::triggered, this, [this, item]() { cellMenuAddToPressed(item); });
        }
        menu->addAction(QStringLiteral("添加到分组"))->setMenu(submenu);
    }
    const QString operatorUid = operatorUserId();
    if (client && client->iUser() && !operatorUid.isEmpty() && client->iUser()->qvmid == operatorUid) {
        QAction* item = menu->addAction(QStringLiteral("删除"));
        item->setData(row);
        item->setProperty(kMenuRow, QVariant::fromValue(record));
        item->setProperty(kMenuList, QVariant::fromValue(m_listGeneration));
        item->setProperty("keyEquivalent", QStringLiteral("1"));
        connect(item, &QAction::triggered, this, [this, item]() { cellMenuDeleItemPressed(item); });
    }
    return menu;
}

void VIPViewController::cellMenuAddToPressed(QAction* item)
{
    const platform::SharedDict row = item ? menuRow(item) : nullptr;
    QuilorSDK* client = sdk();
    if (!client || !row)
        return;
    const QVariantMap& dict = *row;
    // The user still hears how the add went when the window is closed first.
    auto* reply = new app::WindowReply(
        this, this,
        [](const app::ReplyOutcome& outcome) {
            if (outcome.ok)
                platform::deliverUserNotification(
                    QStringLiteral("添加分组成功"), QStringLiteral("添加分组成功，恭喜！"));
            else
                notifyFailure(outcome.api, outcome.code);
        },
        client);
    const QString code = vip::recordText(dict, key("stockcode"));
    const QString groupId = item->property("keyEquivalent").toString();
    // A stock the group already holds keeps its order and alerts: the user is told instead.
    const bool queued = !code.isEmpty()
        && market::GroupWrites::of(client)->write(backend::kApiAddStockToGroup, groupId, reply,
            market::GroupWrites::addIfNew(code, dict.value(key("stockname")).toString(), groupId),
            item->property("userId").toString());
    if (!queued)
        delete reply;
}

void VIPViewController::cellMenuDeleItemPressed(QAction* item)
{
    const platform::SharedDict row = item ? menuRow(item) : nullptr;
    QuilorSDK* client = sdk();
    if (!client || !row)
        return;
    const QVariantMap& dict = *row;
    const QVariant opened = item->property(kMenuList);
    const quint64 list = opened.isValid() ? opened.value<quint64>() : m_listGeneration;
    // The reply carries the rows left of the row's own list: it is shown
    // only while that list is the one shown, never over a list asked since.
    auto* reply = new backend::ReplyObserver(
        this,
        [this, list](const QVariant& result, int api) {
            if (list == m_listGeneration)
                HttpResult(result, api, false);
            else
                qCDebug(lcWatchlist, "rows left after a delete dropped: another list is shown");
        },
        [this](int code, const QString& description, int api) { HttpEvent(code, description, api); });
    if (!client->DelRecommentStock(vip::recordText(dict, key("stockcode")),
            dict.value(key("recomtype")).toString(), dict.value(key("recomdate")).toString(), nullptr, reply))
        delete reply;
}

void VIPViewController::doubleClickInTable()
{
    const QModelIndexList selected
        = table->selectionModel() ? table->selectionModel()->selectedRows() : QModelIndexList();
    if (selected.isEmpty())
        return;
    const int row = selected.first().row();
    if (row < 0 || row >= stockDicts.size())
        return;
    const QString code = vip::recordText(*stockDicts.at(row), key("stockcode"));
    if (code.isEmpty())
        return;
    app::openSecurityScreen(this, QString::fromUtf8(app::kStockScreenId), code, []() {});
}

void VIPViewController::refreshTableView()
{
    m_model->reload();
}

bool VIPViewController::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    qCDebug(lcWatchlist, "recommended stocks: reply of API %d", api);
    if ((api == backend::kApiRecommendList || api == backend::kApiDelRecommend)
        && result.typeId() == QMetaType::QVariantMap) {
        isDoRefresh = false;
        stopProgress();
        const QVariant data = result.toMap().value(key("data"));
        QVariantList records = data.typeId() == QMetaType::QVariantList ? data.toList() : QVariantList();
        // Every row is asked for in one quote request and refreshed in turn:
        // more than the page asked for would be a list without end.
        if (records.size() > kPageSize) {
            qCWarning(lcWatchlist, "%lld recommendations cut to the %d asked for",
                static_cast<long long>(records.size()), kPageSize);
            records.resize(kPageSize);
        }
        if (!records.isEmpty()) {
            commentStocks = records;
            UpdateAllstockDicts();
        } else if (api == backend::kApiDelRecommend && data.typeId() == QMetaType::QVariantList) {
            // The last recommendation was deleted: it must not stay on show.
            commentStocks.clear();
            stockDicts.clear();
            selfDict.reset();
            ++m_passToken;
            isUpdateAllStocks = false;
            refreshTableView();
        }
    }
    if (api == backend::kApiAddStockToGroup)
        platform::deliverUserNotification(
            QStringLiteral("添加分组成功"), QStringLiteral("添加分组成功，恭喜！"));
    return true;
}

bool VIPViewController::HttpEvent(int code, const QString& description, int api)
{
    // Code 1 is no failure the user hears of, and a refusal the user is told
    // of (the group holds the stock) is none either: no warnings.
    if (code == 1 && api != backend::kApiAddStockToGroup)
        qCDebug(lcWatchlist, "API %d answered code 1", api);
    else if (!market::GroupWrites::refusalText(code).isNull())
        qCDebug(lcWatchlist, "API %d refused: %d %s", api, code, qUtf8Printable(description));
    else
        qCWarning(lcWatchlist, "API %d failed: %d %s", api, code, qUtf8Printable(description));
    stopProgress();
    if (api == backend::kApiAddStockToGroup || code != 1)
        notifyFailure(api, code);
    return true;
}

QuilorSDK* VIPViewController::sdk() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

void VIPViewController::fetch(
    const QString& base, const QString& path, std::function<void(const QByteArray*)> done)
{
    // One session per request, gone with its reply.
    auto* session = new platform::UrlSession(this);
    const quint64 token = m_passToken;
    session->get(
        platform::Configuration::join(base, path), platform::feedHeaders(), this,
        [this, session, token, done = std::move(done)](const platform::UrlResponse& response) {
            session->deleteLater();
            if (!passIsCurrent(token))
                return;
            if (!response.ok())
                qCWarning(lcWatchlist, "feed request failed: %d %s", response.status,
                    qUtf8Printable(response.error));
            done(response.ok() ? &response.body : nullptr);
        },
        platform::bodylimit::kQuoteText);
}

void VIPViewController::nextStep(void (VIPViewController::*step)())
{
    const quint64 token = m_passToken;
    platform::runOnMainAsync(this, [this, token, step]() {
        if (passIsCurrent(token))
            (this->*step)();
    });
}

void VIPViewController::stopProgress()
{
    iProgressIndicator->hide();
    iProgressIndicator->setRange(0, 1);
}

void VIPViewController::showContextMenu(const QPoint& pos)
{
    const QModelIndex index = table->indexAt(pos);
    if (!index.isValid() || index.row() >= stockDicts.size())
        return;
    table->selectRow(index.row());
    QMenu* menu = getMenu(index.row());
    platform::popUpMenu(menu, table->viewport()->mapToGlobal(pos), table);
    // Nothing of the menu outlives its showing.
    menu->deleteLater();
}
