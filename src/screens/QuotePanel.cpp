#include "screens/QuotePanel.h"

#include "backend/QuilorSDK.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"
#include "screens/Logging.h"

#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPalette>
#include <QVBoxLayout>

using quotepanel::PanelKind;

namespace {

// The layout's text of a field before its first value.
const QString kNoValue = QStringLiteral("--");

QFont sized(int pixels, bool bold = false)
{
    QFont f;
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(sized(12));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, platform::Colors::darkGray());
    label->setPalette(p);
    return label;
}

QGroupBox* block(const QString& title, QWidget* parent, QGridLayout** grid)
{
    auto* box = new QGroupBox(title, parent);
    box->setFont(sized(12, true));
    *grid = new QGridLayout(box);
    (*grid)->setContentsMargins(6, 4, 6, 4);
    (*grid)->setHorizontalSpacing(6);
    (*grid)->setVerticalSpacing(1);
    return box;
}

} // namespace

QuotePanel::QuotePanel(Kind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
{
    buildLayout();
}

QuotePanel::~QuotePanel() = default;

PanelKind QuotePanel::panelKind() const
{
    return m_kind == Stock ? PanelKind::Stock : PanelKind::Index;
}

QSize QuotePanel::sizeHint() const
{
    return QSize(kPanelWidth, qMax(573, QWidget::sizeHint().height()));
}

QLabel* QuotePanel::addField(
    QGridLayout* grid, int row, int column, const QString& captionText, const QString& outlet, int columnSpan)
{
    QWidget* parent = grid->parentWidget();
    if (!captionText.isEmpty())
        grid->addWidget(caption(captionText, parent), row, column);
    auto* value = platform::plainLabel(kNoValue, parent);
    value->setObjectName(outlet);
    value->setFont(sized(12));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The value columns share the room the captions leave, whatever the
    // figures: a long one shrinks or ends in "…" inside its column instead
    // of pushing its neighbours out of the panel.
    value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const int valueColumn = captionText.isEmpty() ? column : column + 1;
    grid->addWidget(value, row, valueColumn, 1, columnSpan);
    if (columnSpan == 1)
        grid->setColumnStretch(valueColumn, 1);
    m_fields.insert(outlet, value);
    return value;
}

void QuotePanel::buildLayout()
{
    const bool stock = m_kind == Stock;
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);

    // Header: name, code, price, change.
    auto* head = new QWidget(this);
    auto* headGrid = new QGridLayout(head);
    headGrid->setContentsMargins(4, 0, 4, 0);
    struct HeadField {
        const char* outlet;
        int pixels;
        bool bold;
        int share; // of the header's width
    };
    const HeadField headFields[] = { { "nameTextField", 18, true, 4 }, { "codeTextField", 14, false, 3 },
        { "priceTextField", 22, true, 3 }, { "valuepriceTextField", 15, false, 2 },
        { "valuerateTextField", 15, false, 2 } };
    int col = 0;
    for (const HeadField& h : headFields) {
        QLabel* label = addField(headGrid, 0, col, QString(), QString::fromLatin1(h.outlet));
        label->setFont(sized(h.pixels, h.bold));
        headGrid->setColumnStretch(col++, h.share);
    }
    outer->addWidget(head);

    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    left->setSpacing(4);
    right->setSpacing(4);
    body->addLayout(left, 3);
    body->addLayout(right, 2);
    outer->addLayout(body, 1);

    QGridLayout* g = nullptr;
    int row = 0;

    // Price block.
    left->addWidget(block(QStringLiteral("行情"), this, &g));
    addField(g, row, 0, QStringLiteral("昨收"), QStringLiteral("ypriceField"));
    addField(g, row++, 2, QStringLiteral("今开"), QStringLiteral("today_start_priceTextField"));
    if (stock) {
        addField(g, row, 0, QStringLiteral("涨停"), QStringLiteral("today_limith_priceField"));
        addField(g, row++, 2, QStringLiteral("跌停"), QStringLiteral("today_limitl_priceField"));
    }
    addField(g, row, 0, QStringLiteral("最高"), QStringLiteral("valuehighestTextField"));
    addField(g, row++, 2, QStringLiteral("最低"), QStringLiteral("valuelowestTextField"));
    addField(g, row, 0, QStringLiteral("均价"), QStringLiteral("prepriceTextField"));
    addField(g, row++, 2, QStringLiteral("振幅"), QStringLiteral("amplituderateTextField"));
    addField(g, row, 0, QStringLiteral("市盈率"), QStringLiteral("PEField"));
    addField(g, row++, 2, QStringLiteral("市净率"), QStringLiteral("PBField"));
    addField(g, row, 0, QStringLiteral("总市值"), QStringLiteral("totalvalueField"));
    addField(g, row++, 2, QStringLiteral("流通市值"), QStringLiteral("marketvalueField"));

    // Volume block (and the member counts of an index).
    row = 0;
    left->addWidget(block(QStringLiteral("成交"), this, &g));
    addField(g, row, 0, QStringLiteral("外盘"), QStringLiteral("outdiskTextField"));
    addField(g, row++, 2, QStringLiteral("内盘"), QStringLiteral("indiskTextField"));
    if (stock) {
        addField(g, row, 0, QStringLiteral("量比"), QStringLiteral("ratioTextField"));
        addField(g, row++, 2, QStringLiteral("换手"), QStringLiteral("turnoverrateTextField"));
    }
    addField(g, row, 0, QStringLiteral("成交量"), QStringLiteral("transaction100countField"));
    addField(g, row++, 2, QStringLiteral("成交额"), QStringLiteral("transactionvaluecountField"));
    if (!stock) {
        addField(g, row, 0, QStringLiteral("总手"), QStringLiteral("transaction100countField1"));
        addField(g, row++, 2, QStringLiteral("总额"), QStringLiteral("transactionvaluecountField1"));
        addField(g, row, 0, QStringLiteral("成分股"), QStringLiteral("totalsubTextField"));
        addField(g, row++, 2, QStringLiteral("上涨"), QStringLiteral("subupcountField"));
        addField(g, row, 0, QStringLiteral("平盘"), QStringLiteral("subequalcountTextField"));
        addField(g, row++, 2, QStringLiteral("下跌"), QStringLiteral("subdowncountField"));
    }

    // Fund flow.
    row = 0;
    left->addWidget(block(QStringLiteral("主力资金"), this, &g));
    addField(g, row, 0, QStringLiteral("今日净流入"), QStringLiteral("mainvalueTextField"));
    addField(g, row++, 2, QStringLiteral("5日"),
        stock ? QStringLiteral("bigbuyscoreTextField") : QStringLiteral("rmb5inscore"));
    addField(g, row, 0, QStringLiteral("10日"),
        stock ? QStringLiteral("diskscoreTextField") : QStringLiteral("rmb10inscore"));
    addField(g, row++, 2, QStringLiteral("20日"),
        stock ? QStringLiteral("ratioscoreTextField") : QStringLiteral("rmb20inscore"));

    // Margin trading: one figure a row, the amounts run long.
    row = 0;
    left->addWidget(block(QStringLiteral("融资融券"), this, &g));
    addField(g, row++, 0, QStringLiteral("融资余额"), QStringLiteral("financingbalanceTextField"));
    addField(
        g, row++, 0, QStringLiteral("融资买入额"), QStringLiteral("financingthepurchaseamountTextField"));
    addField(g, row++, 0, QStringLiteral("融资偿还额"), QStringLiteral("financingtorepaytheamountTextField"));
    addField(g, row++, 0, QStringLiteral("融资融券余额"), QStringLiteral("marginbalanceTextField"));
    addField(g, row++, 0, QStringLiteral("融券卖出量"), QStringLiteral("shortsellingvolumeTextField"));
    addField(g, row++, 0, QStringLiteral("融券偿还量"),
        QStringLiteral("securitieslendingrepaymentamountTextField"));
    g->setColumnStretch(1, 1);
    left->addStretch(1);

    // Order book: asks from the fifth down, the last price, bids from the first.
    row = 0;
    right->addWidget(block(QStringLiteral("盘口"), this, &g));
    addField(g, row, 0, QStringLiteral("委比"), QStringLiteral("buysellrateTextField"));
    addField(g, row++, 2, QStringLiteral("委差"), QStringLiteral("buysellvalueTextField"));
    const QString levelNames[] = { QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三"),
        QStringLiteral("四"), QStringLiteral("五") };
    for (int i = 5; i >= 1; --i) {
        addField(
            g, row, 0, QStringLiteral("卖") + levelNames[i - 1], QStringLiteral("sell%1TextField").arg(i));
        addField(g, row++, 3, QString(), QStringLiteral("sell%1countTextField").arg(i));
    }
    addField(g, row++, 0, QStringLiteral("现价"), QStringLiteral("cprice1TextField"));
    for (int i = 1; i <= 5; ++i) {
        addField(
            g, row, 0, QStringLiteral("买") + levelNames[i - 1], QStringLiteral("buy%1TextField").arg(i));
        addField(g, row++, 3, QString(), QStringLiteral("buy%1countTextField").arg(i));
    }
    // The unscaled volumes are long: a row each.
    addField(g, row++, 0, QStringLiteral("外盘"), QStringLiteral("outdisk1TextField"), 3);
    addField(g, row++, 0, QStringLiteral("内盘"), QStringLiteral("indisk1TextField"), 3);

    // Last deals.
    auto* deals = block(QStringLiteral("逐笔成交"), this, &g);
    deals->setObjectName(QStringLiteral("DealBox"));
    m_boxes.insert(QStringLiteral("DealBox"), deals);
    for (int i = 1; i <= 6; ++i) {
        addField(g, i - 1, 0, QString(), QStringLiteral("deal%1TimeTextField").arg(i));
        addField(g, i - 1, 1, QString(), QStringLiteral("deal%1PriceTextField").arg(i));
        addField(g, i - 1, 2, QString(), QStringLiteral("deal%1VolumetField").arg(i));
        addField(g, i - 1, 3, QString(), QStringLiteral("deal%1TypeField").arg(i));
    }
    // Time and price are the long ones; the direction is a word or two.
    const int dealShares[] = { 4, 4, 3, 2 };
    for (int column = 0; column < 4; ++column)
        g->setColumnStretch(column, dealShares[column]);
    right->addWidget(deals);

    if (!stock) {
        auto* quake = block(QStringLiteral("大盘预警"), this, &g);
        quake->setObjectName(QStringLiteral("EarthquakeBox"));
        m_boxes.insert(QStringLiteral("EarthquakeBox"), quake);
        addField(g, 0, 0, QStringLiteral("预警级别"), QStringLiteral("earthquakeRank"))
            ->setFont(sized(20, true));
        right->addWidget(quake);
    }
    right->addStretch(1);

    // Fields in black until a value colours them.
    for (QLabel* label : std::as_const(m_fields)) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, platform::Colors::black());
        label->setPalette(p);
    }
}

void QuotePanel::apply(const quotepanel::PanelUpdate& update)
{
    if (update.hideDealBox) {
        if (QWidget* w = box(QStringLiteral("DealBox")))
            w->hide();
    }
    if (update.hideEarthquakeBox) {
        if (QWidget* w = box(QStringLiteral("EarthquakeBox")))
            w->hide();
    }
    for (const quotepanel::FieldWrite& write : update.writes) {
        QLabel* label = m_fields.value(write.field);
        if (!label) {
            qCWarning(lcScreens, "no field %s on this panel", qUtf8Printable(write.field));
            continue;
        }
        if (write.color) {
            QPalette p = label->palette();
            p.setColor(QPalette::WindowText, *write.color);
            label->setPalette(p);
        }
        if (write.text)
            platform::setFittedText(label, *write.text);
    }
}

StockQuoteDict QuotePanel::UpdateUI(
    const QString& curCode, QuilorSDK* sdk, const QVariantList* dayList, bool dayListFailed)
{
    stocks* store = sdk ? sdk->iStocks() : nullptr;
    int level = quotepanel::kNoAlertLevel;
    // The level is asked for before the record is read, even when the record is missing.
    if (m_kind == Index && curCode == quotepanel::ownIndexCode() && store)
        level = store->GetIdxAlerts(curCode, dayList);
    const StockQuoteDict record = store ? store->recordFor(curCode) : nullptr;
    apply(quotepanel::computeQuotePanel(panelKind(), curCode, record.get(), dayList, level, dayListFailed));
    return record;
}

void QuotePanel::MarketAlerts(const QString& curCode, QuilorSDK* sdk, const QVariantList* dayList)
{
    if (m_kind != Index || curCode != quotepanel::ownIndexCode() || !sdk || !sdk->iStocks())
        return;
    quotepanel::PanelUpdate update;
    update.writes = quotepanel::marketAlertsWrites(sdk->iStocks()->GetIdxAlerts(curCode, dayList));
    apply(update);
}

QLabel* QuotePanel::field(const QString& outletName) const
{
    return m_fields.value(outletName);
}

QColor QuotePanel::textColor(const QString& outletName) const
{
    const QLabel* label = field(outletName);
    return label ? label->palette().color(QPalette::WindowText) : QColor();
}

QWidget* QuotePanel::box(const QString& outletName) const
{
    return m_boxes.value(outletName);
}
