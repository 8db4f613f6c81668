#include "screens/RecentDaysViewController.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "platform/MainThread.h"
#include "platform/Types.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "screens/Logging.h"
#include "screens/stockDayDict.h"

#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QResizeEvent>
#include <QTableView>

namespace recentdays {

// Hands the controller's data-source answers to the view; it holds no rows.
class DayTableModel : public QAbstractTableModel {
public:
    DayTableModel(RecentDaysViewController* owner, Kind kind)
        : QAbstractTableModel(owner)
        , m_owner(owner)
        , m_columns(columns(kind))
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : m_owner->numberOfRowsInTableView(m_owner->table);
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.column() >= m_columns.size())
            return {};
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole && role != Qt::ForegroundRole)
            return {};
        const Cell cell
            = m_owner->tableView(m_owner->table, m_columns.at(index.column()).identifier, index.row());
        if (role == Qt::DisplayRole)
            return cell.text;
        return cell.colour ? QVariant(*cell.colour) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_columns.size())
            return m_columns.at(section).title;
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    void reload()
    {
        beginResetModel();
        endResetModel();
    }
    const QList<Column>& tableColumns() const { return m_columns; }

private:
    RecentDaysViewController* m_owner;
    QList<Column> m_columns;
};

} // namespace recentdays

namespace {

int g_bindDelayMs = 1000;
int g_retryBaseMs = 1000;
const QString kStockupDateOk = QStringLiteral("StockupDateOk");
const int kHeaderHeight = 100;
const int kRowHeight = 22;

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

} // namespace

using recentdays::Cell;
using recentdays::Kind;

void RecentDaysViewController::setDelays(int bindDelayMs, int retryBaseMs)
{
    g_bindDelayMs = qMax(0, bindDelayMs);
    g_retryBaseMs = qMax(0, retryBaseMs);
}

RecentDaysViewController* RecentDaysViewController::makeBound(
    const QString& identifier, const QString& code, const std::optional<QVariantList>& stocks)
{
    if (code.isEmpty())
        return nullptr;
    QWidget* made = platform::ControllerRegistry::instantiate(identifier);
    auto* table = qobject_cast<RecentDaysViewController*>(made);
    if (!table) {
        delete made;
        return nullptr;
    }
    if (stocks)
        table->InitByCodeAndStocks(code, *stocks);
    else
        table->InitByCode(code);
    return table;
}

RecentDaysViewController::RecentDaysViewController(Kind kind, QWidget* parent)
    : platform::ViewController(parent)
    , m_kind(kind)
{
    buildLayout();
}

RecentDaysViewController::~RecentDaysViewController()
{
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
    // The model answers from this object's rows, which are gone before the
    // base class deletes the children: detach the view first.
    delete table;
    table = nullptr;
}

int RecentDaysViewController::ownApi() const
{
    return m_kind == Kind::Stock ? backend::kApiStockDay : backend::kApiIndexDay;
}

void RecentDaysViewController::buildLayout()
{
    resize(kWidth, kHeight);
    const bool stock = m_kind == Kind::Stock;

    struct Place {
        const char* name;
        const char* text; // what the label reads until the first complete update
        int x, y, width;
    };
    QList<Place> places = {
        { "nameTextField", "--", 12, 8, 120 },
        { "codeTextField", "--", 136, 8, 110 },
        { "priceTextField", "--", 250, 8, 90 },
        { "valuepriceTextField", "--", 344, 8, 80 },
        { "valuerateTextField", "--%", 428, 8, 80 },
        { "mainvalueTextField", "--亿", 512, 8, 120 },
        { "marketstatusTextField", "", 640, 8, 260 },
        { "transaction100countTextField", stock ? "成交量:--" : "成交量: --", 12, 38, 170 },
        { "transactionvaluecountTextField", stock ? "成交额:--" : "成交额: --", 186, 38, 170 },
        { "marketvalueTextField", "流通值:--", 360, 38, 160 },
        { "PETextField", "市盈率:--", 524, 38, 120 },
    };
    if (stock) {
        places.append({ "ratioTextField", "量:--", 648, 38, 100 });
        places.append({ "turnoverrateTextField", "换:--", 752, 38, 120 });
    } else {
        places.append({ "totalsubTextField", "总家数: --", 648, 38, 110 });
        places.append({ "subupcountField", "上涨: --", 762, 38, 100 });
        places.append({ "subequalcountTextField", "平盘: --", 866, 38, 100 });
        places.append({ "subdowncountField", "下跌: --", 970, 38, 100 });
    }
    static const char* const kSumTexts[] = { "5日:--", "10日:--", "20日:--", "历史:--" };
    const QStringList sums = recentdays::sumLabels(m_kind);
    QList<QByteArray> sumNames;
    for (int i = 0; i < 4; ++i)
        sumNames.append(sums.at(i).toUtf8());
    for (int i = 0; i < 4; ++i)
        places.append({ sumNames.at(i).constData(), kSumTexts[i], 12 + i * 174, 68, 170 });

    int headerWidth = 0;
    for (const Place& place : places) {
        auto* field = platform::plainLabel(QString::fromUtf8(place.text), this);
        const QString name = QString::fromUtf8(place.name);
        field->setObjectName(name);
        field->setGeometry(place.x, place.y, place.width, 24);
        setTextColour(field, platform::Colors::white());
        m_labels.insert(name, field);
        headerWidth = qMax(headerWidth, place.x + place.width);
    }
    // The header does not scroll: the window keeps it whole, and a few rows
    // of the table below it.
    setMinimumSize(headerWidth + 12, kHeaderHeight + 7 * kRowHeight);
    QFont large = font();
    large.setPointSizeF(large.pointSizeF() * 1.3);
    large.setBold(true);
    for (const char* big : { "nameTextField", "priceTextField" })
        m_labels.value(QString::fromUtf8(big))->setFont(large);

    nameTextField = label(QStringLiteral("nameTextField"));
    codeTextField = label(QStringLiteral("codeTextField"));
    priceTextField = label(QStringLiteral("priceTextField"));
    valuepriceTextField = label(QStringLiteral("valuepriceTextField"));
    valuerateTextField = label(QStringLiteral("valuerateTextField"));
    mainvalueTextField = label(QStringLiteral("mainvalueTextField"));
    transaction100countTextField = label(QStringLiteral("transaction100countTextField"));
    transactionvaluecountTextField = label(QStringLiteral("transactionvaluecountTextField"));
    marketvalueTextField = label(QStringLiteral("marketvalueTextField"));
    PETextField = label(QStringLiteral("PETextField"));
    marketstatusTextField = label(QStringLiteral("marketstatusTextField"));

    table = new QTableView(this);
    table->setObjectName(QStringLiteral("table"));
    table->setGeometry(0, kHeaderHeight, kWidth, kHeight - kHeaderHeight);
    table->setStyleSheet(
        QStringLiteral("QTableView { background: black; color: white; gridline-color: #303030;"
                       " selection-background-color: #283850; }"
                       "QHeaderView::section { background: #1c1c1c; color: #d0d0d0;"
                       " border: 0; border-right: 1px solid #303030; padding: 2px; }"));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_model = new recentdays::DayTableModel(this, m_kind);
    table->setModel(m_model);
    const QList<recentdays::Column>& columns = m_model->tableColumns();
    for (int i = 0; i < columns.size(); ++i)
        table->setColumnWidth(i, columns.at(i).width);

    // Sorting is ours, not the view's: a header click hands the column's
    // prototype to the data source, which sorts the rows themselves.
    QHeaderView* header = table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::DescendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int section, Qt::SortOrder order) {
        const QList<recentdays::Column>& cols = m_model->tableColumns();
        if (section < 0 || section >= cols.size())
            return;
        recentdays::SortDescriptor descriptor
            = recentdays::sortPrototype(m_kind, cols.at(section).identifier);
        descriptor.ascending = order == Qt::AscendingOrder;
        tableView(table, QList<recentdays::SortDescriptor> { descriptor });
    });
}

void RecentDaysViewController::resizeEvent(QResizeEvent* event)
{
    platform::ViewController::resizeEvent(event);
    // The header keeps its place; the day table takes whatever room is left.
    if (table)
        table->setGeometry(0, kHeaderHeight, width(), qMax(0, height() - kHeaderHeight));
}

QuilorSDK* RecentDaysViewController::client() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

void RecentDaysViewController::InitByCode(const QString& code)
{
    if (code.isEmpty())
        return;
    curCode = QString(code);
    selfDict = platform::makeSharedDict({ { QStringLiteral("stockcode"), curCode } });
    platform::runOnMainAfter(g_bindDelayMs, this, [this]() {
        DorefreshStockDay();
        if (m_kind == Kind::Index)
            UpdateUI();
    });
}

void RecentDaysViewController::InitByCodeAndStocks(const QString& code, const QVariantList& StockHis)
{
    if (code.isEmpty())
        return;
    curCode = QString(code);
    selfDict = platform::makeSharedDict({ { QStringLiteral("stockcode"), curCode } });
    takeRows(StockHis);
    platform::runOnMainAfter(g_bindDelayMs, this, [this]() {
        refreshTableView();
        platform::runOnMainAfter(g_bindDelayMs, this, [this]() { UpdateUI(); });
    });
}

void RecentDaysViewController::takeRows(const QVariantList& rows)
{
    stockDicts = rows;
    // The sums keep reading the newest day even after the user sorts.
    if (rows.isEmpty())
        m_newestRow.reset();
    else
        m_newestRow = rows.first().toMap();
}

void RecentDaysViewController::DorefreshStockDay()
{
    QuilorSDK* sdk = client();
    if (!sdk) {
        qCWarning(lcScreens, "no backend client for the recent days of %s", qPrintable(curCode));
        return;
    }
    const QString page = QStringLiteral("0");
    const QString size = QString::number(kPageSize);
    if (m_kind == Kind::Stock)
        sdk->GetStockDay(curCode, page, size, nullptr, this);
    else
        sdk->GetStockIDXDay(curCode, page, size, nullptr, this);
    Q_EMIT dayListRequested();
}

void RecentDaysViewController::UpdateUI()
{
    QuilorSDK* sdk = client();
    StockQuoteDict record = sdk && sdk->iStocks() ? sdk->iStocks()->recordFor(curCode) : nullptr;
    if (record) {
        selfDict = record;
        const QList<recentdays::LabelUpdate> updates
            = recentdays::headerUpdates(m_kind, *record, curCode, m_newestRow);
        for (const recentdays::LabelUpdate& update : updates) {
            QLabel* field = label(update.label);
            if (!field)
                continue;
            if (update.colour)
                setTextColour(field, *update.colour);
            if (update.text)
                platform::setFittedText(field, *update.text);
        }
    }
    Q_EMIT updatedUI();
}

void RecentDaysViewController::refreshTableView()
{
    m_model->reload();
    fitColumns();
}

void RecentDaysViewController::fitColumns()
{
    // A column grows to its widest figure (four-digit 亿 sums and the like),
    // so that nothing is cut off; it never shrinks below the layout's width.
    if (!stockDicts)
        return;
    const QFontMetrics metrics(table->font());
    const QList<recentdays::Column>& cols = m_model->tableColumns();
    for (int i = 0; i < cols.size(); ++i) {
        int widest = cols.at(i).width;
        for (const QVariant& row : std::as_const(*stockDicts)) {
            const QString text = recentdays::cellFor(m_kind, row.toMap(), cols.at(i).identifier).text;
            widest = qMax(widest, metrics.horizontalAdvance(text) + kCellPadding);
        }
        if (table->columnWidth(i) < widest)
            table->setColumnWidth(i, widest);
    }
}

void RecentDaysViewController::StockupDateOk(const platform::Notification& notification)
{
    const QString code = stockCodeOf(platform::dictFromVariant(notification.object));
    if (code.isEmpty() || code != curCode)
        return;
    platform::runOnMain(this, [this]() { UpdateUI(); });
}

int RecentDaysViewController::numberOfRowsInTableView(QTableView*) const
{
    return stockDicts ? int(stockDicts->size()) : 0;
}

Cell RecentDaysViewController::tableView(QTableView*, const QString& objectValueForTableColumn, int row) const
{
    if (!stockDicts || row < 0 || row >= stockDicts->size())
        return {};
    return recentdays::cellFor(m_kind, stockDicts->at(row).toMap(), objectValueForTableColumn);
}

void RecentDaysViewController::tableView(
    QTableView*, const QList<recentdays::SortDescriptor>& sortDescriptorsDidChange)
{
    if (stockDicts)
        recentdays::sortRows(*stockDicts, sortDescriptorsDidChange);
    refreshTableView();
}

bool RecentDaysViewController::HttpResult(const QVariant& result, int api, bool isCache)
{
    Q_UNUSED(isCache);
    qCDebug(lcScreens, "recent days of %s: reply of API %d", qPrintable(curCode), api);
    if (api != ownApi())
        return false;
    m_failures = 0;
    const std::optional<QVariantList> rows = stockDayDict::rowsOfReply(result, kPageSize);
    if (!rows) {
        qCWarning(lcScreens, "recent days of %s: reply without rows ignored", qPrintable(curCode));
        return false;
    }
    takeRows(*rows);
    refreshTableView();
    platform::runOnMainAfter(g_bindDelayMs, this, [this]() { UpdateUI(); });
    return true;
}

bool RecentDaysViewController::HttpEvent(int code, const QString& description, int api)
{
    if (code == 1)
        return false;
    qCWarning(lcScreens, "recent days of %s failed: api %d code %d %s", qPrintable(curCode), api, code,
        qPrintable(description));
    platform::deliverUserNotification(QStringLiteral("网络不给力"), QStringLiteral("网络不给力，请重试！"));
    // A server that keeps failing must not be asked forever.
    if (m_failures >= kRetryLimit)
        return false;
    const int pause = g_retryBaseMs << m_failures;
    ++m_failures;
    platform::runOnMainAfter(pause, this, [this]() { DorefreshStockDay(); });
    return false;
}

void RecentDaysViewController::viewDidLoad()
{
    setTitle(m_kind == Kind::Stock ? QStringLiteral("岚石通个股最近日VIP数据")
                                   : QStringLiteral("岚石通指数最近日VIP数据"));
}

void RecentDaysViewController::viewDidAppear()
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, platform::Colors::black());
    setPalette(palette);
    setAutoFillBackground(true);
    auto* center = platform::NotificationCenter::defaultCenter();
    center->removeObserver(this, kStockupDateOk);
    center->addObserver(this, kStockupDateOk,
        [this](const platform::Notification& notification) { StockupDateOk(notification); });
}

void RecentDaysViewController::viewDidDisappear()
{
    platform::NotificationCenter::defaultCenter()->removeObserver(this, kStockupDateOk);
}
