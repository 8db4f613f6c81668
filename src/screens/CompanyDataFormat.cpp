#include "screens/CompanyDataFormat.h"

#include "platform/Types.h"
#include "platform/Values.h"
#include "screens/FeedText.h"


#include <algorithm>

namespace companydata {

namespace {

using platform::floatValue;
using platform::stringWithFormat;

constexpr float kYi = 100000000.0f; // 亿
constexpr float kWan = 10000.0f; // 万

bool isList(const QVariant& v)
{
    return v.metaType().id() == QMetaType::QVariantList;
}

bool isMap(const QVariant& v)
{
    return v.metaType().id() == QMetaType::QVariantMap;
}

QString widthText(double w)
{
    return stringWithFormat("%f", w);
}

QString at(const QVariantList& list, qsizetype i)
{
    return i < list.size() ? GetNumberString(list.at(i)) : QString();
}

QString keyOf(const char* key)
{
    return QString::fromLatin1(key);
}

QStringList row(std::initializer_list<QString> cells)
{
    return QStringList(cells);
}

std::optional<GridContent> incomeGrid(
    const QVariant& section, const char* prefix, const QString& title, const QString& header, double width)
{
    if (!isMap(section))
        return std::nullopt;
    const QVariantMap map = section.toMap();
    const QString p = QString::fromLatin1(prefix);
    const QVariant names = map.value(p + QStringLiteral("_MING_CHENG"));
    const QVariant shares = map.value(p + QStringLiteral("_ZHAN_BI"));
    const QVariant incomes = map.value(p + QStringLiteral("_SHOU_RU"));
    if (!isList(names) || !isList(shares) || !isList(incomes))
        return std::nullopt;
    const QVariantList n = names.toList(), s = shares.toList(), m = incomes.toList();
    if (n.size() != s.size() || n.size() != m.size())
        return std::nullopt;
    GridContent grid;
    grid.title = title;
    grid.rows << row({ header, QStringLiteral("占比"), QStringLiteral("收入(亿)") });
    for (qsizetype i = 0; i < n.size(); ++i) {
        const QString name = at(n, i), share = at(s, i), income = at(m, i);
        // A null element has nothing to show.
        if (name.isEmpty() || share.isEmpty() || income.isEmpty())
            continue;
        grid.rows << row({ name, scaledText(share, 1.0f, "%.2f%%"), scaledText(income, kYi, "%.4f") });
    }
    const QString half = widthText((width - 90) / 2);
    grid.widths = { QStringLiteral("80"), half, half };
    return grid;
}

QString percentOfFraction(const QString& raw)
{
    if (raw.trimmed().isEmpty())
        return QString();
    if (!feedtext::isNumber(raw))
        return feedtext::dash();
    return stringWithFormat("%.2f%%", floatValue(raw) * 100.0f);
}

// The reply's "data" list when it holds at least `minimum` entries.
std::optional<QVariantList> dataList(const std::optional<QVariantMap>& reply, qsizetype minimum)
{
    if (!reply)
        return std::nullopt;
    const QVariant data = reply->value(QStringLiteral("data"));
    if (!isList(data) || data.toList().size() < minimum)
        return std::nullopt;
    return data.toList();
}

} // namespace

QString companyDataPath(FileKind kind, const QString& code)
{
    // ASCII digits only: other scripts' digits are digits to Unicode too.
    if (code.size() != 6
        || !std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return QString();
    const QString seven = (code.toInt() < 600000 ? QStringLiteral("1") : QStringLiteral("0")) + code;
    switch (kind) {
    case FileKind::Summary:
        return QStringLiteral("/app/stock/") + seven + QStringLiteral("_summary.json");
    case FileKind::Holders:
        return QStringLiteral("/app/stock/") + seven + QStringLiteral("_holders.json");
    case FileKind::Indicators:
        return QStringLiteral("/app/stock/") + seven + QStringLiteral("_indicators.json");
    case FileKind::Noticelist:
        return QStringLiteral("/app/stock/") + seven
            + QStringLiteral("_noticelist.json?count=%1&page=0").arg(kNoticesPerPage);
    }
    return QString();
}

QString GetNumberString(const QVariant& value)
{
    return platform::stringOf(value);
}

QString scaledText(const QString& raw, float divisor, const char* format)
{
    if (raw.trimmed().isEmpty())
        return QString();
    if (!feedtext::isNumber(raw))
        return feedtext::dash();
    const float value = floatValue(raw) / divisor;
    return stringWithFormat(format, value);
}

SummaryPlan planSummary(const std::optional<QVariantMap>& reply, double width)
{
    SummaryPlan plan;
    const std::optional<QVariantList> data = dataList(reply, 4);
    if (!data)
        return plan;
    plan.clear = true;
    const QVariantList& sections = *data;
    if (!isMap(sections.at(0)))
        return plan;
    const QVariantMap basic = sections.at(0).toMap();
    auto text = [&](const char* key) { return GetNumberString(basic.value(keyOf(key))); };
    GridContent grid;
    grid.title = QStringLiteral("基本资料");
    grid.rows << row({ QStringLiteral("公司全称"), text("GONG_SI_QUAN_CHENG") })
              << row({ QStringLiteral("注册资本"), scaledText(text("ZHU_CE_ZI_BEN"), kYi, "%.4f亿") })
              << row({ QStringLiteral("所属行业"), text("HANG_YE") })
              << row({ QStringLiteral("所属地域"), text("DI_YU") })
              << row({ QStringLiteral("主营业务"), text("ZHU_YING_YE_WU") });
    grid.widths = { QStringLiteral("60"), widthText(width - 70) };
    grid.otherAlignment = 0;
    plan.basic = grid;
    plan.products = incomeGrid(
        sections.at(2), "HANG_YE", QStringLiteral("收入构成(按产品)"), QStringLiteral("产品"), width);
    plan.regions = incomeGrid(
        sections.at(3), "DI_YU", QStringLiteral("收入构成(按地域)"), QStringLiteral("地域"), width);
    return plan;
}

std::optional<QString> quarterText(const QString& label)
{
    const QStringList parts = label.split(QLatin1Char('Q'));
    if (parts.size() != 2)
        return std::nullopt;
    return stringWithFormat("%@年第%@季", parts.at(0), parts.at(1));
}

QString holdingChangeText(const QString& current, const QString& previous)
{
    if (!feedtext::isNumber(current) || !feedtext::isNumber(previous))
        return feedtext::dash();
    const float c = floatValue(current);
    const float p = floatValue(previous);
    if (c > 0 && p == 0)
        return stringWithFormat("+新进%.4f万股", c / kWan);
    if (c - p > 0)
        return stringWithFormat("+增持%.4f万股", (c - p) / kWan);
    if (c - p < 0)
        return stringWithFormat("-减持%.4f万股", (p - c) / kWan);
    return QStringLiteral("不变");
}

QString fundChangeText(const char* format, const QString& count, const QString& shares)
{
    if (!(floatValue(count) > 0))
        return QStringLiteral("无");
    // Shares the report does not give are no zero shares.
    if (!feedtext::isNumber(shares))
        return feedtext::dash();
    return stringWithFormat(format, count, floatValue(shares) / kWan);
}

HoldersPlan planHolders(const std::optional<QVariantMap>& reply, double width)
{
    HoldersPlan plan;
    const std::optional<QVariantList> data = dataList(reply, 4);
    if (!data)
        return plan;
    plan.clear = true;
    const QVariantList& sections = *data;
    if (!isMap(sections.at(0)) || sections.at(0).toMap().size() != 2)
        return plan;
    plan.relayout = true;
    const QString wide = widthText(width - 100);

    const QVariantMap perHolder = sections.at(0).toMap();
    const QVariant labels = perHolder.value(QStringLiteral("RI_QI"));
    const QVariant averages = perHolder.value(QStringLiteral("HU_JUN_CHI_GU"));
    if (isList(labels) && isList(averages) && labels.toList().size() == averages.toList().size()) {
        const QVariantList l = labels.toList(), a = averages.toList();
        GridContent grid;
        grid.title = QStringLiteral("户均持股");
        grid.rows << row({ QStringLiteral("季报日期"), QStringLiteral("户均持股(万股)") });
        for (qsizetype i = 0; i < l.size(); ++i) {
            const QString label = at(l, i), average = at(a, i);
            const std::optional<QString> quarter = quarterText(label);
            if (label.isEmpty() || average.isEmpty() || !quarter)
                continue;
            grid.rows << row({ *quarter, scaledText(average, kWan, "%.4f") });
        }
        grid.widths = { QStringLiteral("90"), wide };
        grid.otherAlignment = 2;
        plan.average = grid;
    }

    static const char* const fundKeys[]
        = { "BAO_GAO_RI_QI", "SHANG_GE_BAO_GAO_RI_QI", "JI_JIN_JIA_SHU", "CHI_CANG_LIANG", "ZHAN_LIU_TONG_GU",
              "ZENG_CHANG_JIA_SHU", "ZENG_CHI_GU_PIAO", "XIN_JIN_JIA_SHU", "ZENG_CHANG_GU_PIAO",
              "TUI_CHU_JIA_SHU", "JIAN_CHANG_GU_PIAO", "JIAN_CHANG_JIA_SHU", "JIAN_CHI_GU_PIAO" };
    const QVariantMap funds = sections.at(1).toMap();
    if (isMap(sections.at(1)) && std::all_of(std::begin(fundKeys), std::end(fundKeys), [&](const char* k) {
            return funds.contains(keyOf(k));
        })) {
        auto text = [&](const char* key) { return GetNumberString(funds.value(keyOf(key))); };
        GridContent grid;
        grid.title
            = stringWithFormat("%@到%@基金持股", text("SHANG_GE_BAO_GAO_RI_QI"), text("BAO_GAO_RI_QI"));
        grid.rows << row({ QStringLiteral("基金家数"), text("JI_JIN_JIA_SHU") })
                  << row({ QStringLiteral("持仓总计(万股)"),
                         scaledText(text("CHI_CANG_LIANG"), kWan, "%.4f") })
                  << row({ QStringLiteral("流通A股占比"), percentOfFraction(text("ZHAN_LIU_TONG_GU")) })
                  << row({ QStringLiteral("增仓"),
                         fundChangeText(
                             "+%@家 增持%.4f万股", text("ZENG_CHANG_JIA_SHU"), text("ZENG_CHI_GU_PIAO")) })
                  << row({ QStringLiteral("新进"),
                         fundChangeText(
                             "+%@家 增仓%.4f万股", text("XIN_JIN_JIA_SHU"), text("ZENG_CHANG_GU_PIAO")) })
                  << row({ QStringLiteral("减仓"),
                         fundChangeText(
                             "-%@家 减持%.4f万股", text("TUI_CHU_JIA_SHU"), text("JIAN_CHANG_GU_PIAO")) })
                  << row({ QStringLiteral("退出"),
                         fundChangeText(
                             "-%@家 减持%.4f万股", text("JIAN_CHANG_JIA_SHU"), text("JIAN_CHI_GU_PIAO")) });
        grid.widths = { QStringLiteral("90"), wide };
        plan.funds = grid;
    }

    const QVariantMap top = sections.at(2).toMap();
    const QVariant names = top.value(QStringLiteral("SHI_DA_GU_DONG"));
    const QVariant now = top.value(QStringLiteral("BEN_QI_CHI_GU"));
    const QVariant before = top.value(QStringLiteral("SHANG_QI_CHI_GU"));
    const QVariant ratios = top.value(QStringLiteral("CHI_YOU_BI_LI"));
    if (isMap(sections.at(2)) && isList(names) && isList(now) && isList(before) && isList(ratios)) {
        const QVariantList n = names.toList(), c = now.toList(), p = before.toList(), r = ratios.toList();
        if (n.size() == c.size() && n.size() == p.size() && n.size() == r.size()) {
            GridContent grid;
            grid.title = stringWithFormat(
                "十大流通股东(%@)", GetNumberString(top.value(QStringLiteral("BAO_GAO_RI_QI"))));
            grid.rows << row(
                { QStringLiteral("十大流通股东"), QStringLiteral("持股比例"), QStringLiteral("持股变动") });
            for (qsizetype i = 0; i < n.size(); ++i) {
                const QString name = at(n, i), cur = at(c, i), prev = at(p, i), ratio = at(r, i);
                if (name.isEmpty() || cur.isEmpty() || prev.isEmpty() || ratio.isEmpty())
                    continue;
                grid.rows << row({ name, scaledText(ratio, 1.0f, "%.2f%%"), holdingChangeText(cur, prev) });
            }
            grid.widths = { QStringLiteral("360"), QStringLiteral("60"), widthText(width - 430) };
            plan.topTen = grid;
        }
    }
    return plan;
}

QString amountText(float amount)
{
    if (amount > 0 && amount < 1)
        return stringWithFormat("+%.2f万", amount * kWan);
    if (amount >= 1)
        return stringWithFormat("+%.4f亿", amount);
    if (amount > -1)
        return stringWithFormat("-%.2f万", amount * kWan);
    return stringWithFormat("-%.4f亿", amount);
}

QString outflowText(float amount)
{
    if (amount > -1 && amount < 1)
        return stringWithFormat("-%.2f万", amount * kWan);
    return stringWithFormat("-%.4f亿", amount);
}

namespace {
// Amounts are in 亿 and the turnover in 万 for a stock; the product's own
// index carries both in the same unit.
float percentFactor(const QString& code)
{
    return code == QLatin1String("888888.idx") ? 100.0f : 1000000.0f;
}
} // namespace

QString percentText(const std::optional<QString>& percent, float amount, float turnover, const QString& code)
{
    QString p;
    if (percent) {
        if (!feedtext::isNumber(*percent))
            return feedtext::dash();
        p = feedtext::asIs(*percent); // "-0.00" is a zero, without its minus
    } else {
        // Without a turnover the ratio has no value: show a dash, not "inf".
        if (!(turnover > 0))
            return QStringLiteral("—");
        p = stringWithFormat("%.2f", amount * percentFactor(code) / turnover);
    }
    return floatValue(p) >= 0 ? stringWithFormat("+%@%%", p) : stringWithFormat("-%@%%", p);
}

double pieShare(float buy, float turnover, const QString& code)
{
    if (!(turnover > 0))
        return 0;
    return floatValue(stringWithFormat("%.0f", buy * percentFactor(code) / turnover));
}

CashPlan planCash(const QVariantMap& record, const QString& code, double width)
{
    CashPlan plan;
    auto has = [&](const char* key) { return record.contains(keyOf(key)); };
    auto value = [&](const char* key) { return floatValue(record.value(keyOf(key))); };
    // A missing amount reads as 0; one the feed sent as no number shows "--".
    auto figureOr = [&](const char* key, const QString& text) {
        return has(key) && !feedtext::isNumber(record.value(keyOf(key))) ? feedtext::dash() : text;
    };
    if (!has("mainvalue") || value("mainvalue") == 0 || !has("transactionvaluecount"))
        return plan;
    if (!has("bigbigvalue") && !has("bigvalue") && !has("midvalue") && !has("minvalue"))
        return plan;
    plan.clear = true;
    if (!has("minvalue") || !has("bigbigbuy") || value("minvalue") == 0)
        return plan;
    plan.draw = true;
    const float turnover = value("transactionvaluecount");
    for (const char* key : { "bigbigbuy", "bigbuy", "midbuy", "minbuy" })
        plan.pieValues << pieShare(value(key), turnover, code);

    struct NetRow {
        const char* amountLabel;
        const char* ratioLabel;
        const char* key;
    };
    static const NetRow netRows[] = { { "主力净流入", "主力净比", "mainvalue" },
        { "超大单净流入", "超大单净比", "bigbigvalue" }, { "大单净流入", "大单净比", "bigvalue" },
        { "中单净流入", "中单净比", "midvalue" }, { "小单净流入", "小单净比", "minvalue" } };
    plan.net.title = QStringLiteral("当日净流入");
    for (const NetRow& r : netRows) {
        const QString percentKey = keyOf(r.key) + QStringLiteral("Precent");
        const std::optional<QString> percent = record.contains(percentKey)
            ? std::optional<QString>(platform::stringOf(record, percentKey))
            : std::nullopt;
        const float amount = value(r.key);
        plan.net.rows << row({ QString::fromUtf8(r.amountLabel), figureOr(r.key, amountText(amount)),
            QString::fromUtf8(r.ratioLabel), percentText(percent, amount, turnover, code) });
    }
    const QString w = widthText((width - 80 - 80 - 10) * 0.5);
    plan.net.widths = { QStringLiteral("80"), w, QStringLiteral("80"), w };
    plan.net.lineAlpha = 0.2;
    plan.net.otherAlpha = 0.6;

    plan.deals.title = QStringLiteral("当日成交分布");
    plan.deals.rows << row({ QStringLiteral("类型"), QStringLiteral("流入"), QStringLiteral("流出") });
    static const char* const sizes[][3] = { { "超大单", "bigbigbuy", "bigbigsell" },
        { "大单", "bigbuy", "bigsell" }, { "中单", "midbuy", "midsell" }, { "小单", "minbuy", "minsell" } };
    for (const auto& s : sizes)
        plan.deals.rows << row({ QString::fromUtf8(s[0]), figureOr(s[1], amountText(value(s[1]))),
            figureOr(s[2], outflowText(value(s[2]))) });
    const QString w2 = widthText((width - 60 - 10) * 0.5);
    plan.deals.widths = { QStringLiteral("60"), w2, w2 };
    plan.deals.lineAlpha = 0.2;
    plan.deals.otherAlpha = 0.6;
    return plan;
}

QString reportDateLabel(const QString& date)
{
    return date.size() == 10 ? date.mid(2, 5) : date;
}

QString indicatorAmountText(const QString& raw, bool liability)
{
    if (!feedtext::isNumber(raw))
        return feedtext::dash();
    const QString text = stringWithFormat("%.2f", floatValue(raw) / kYi);
    if (floatValue(text) > 0)
        return (liability ? QStringLiteral("-+") : QStringLiteral("+")) + text;
    return text;
}

QString indicatorPlainText(const QString& raw)
{
    if (!feedtext::isNumber(raw))
        return feedtext::dash();
    return floatValue(raw) > 0 ? QStringLiteral("+") + raw : raw;
}

IndicatorsPlan planIndicators(const std::optional<QVariantMap>& reply, double width)
{
    IndicatorsPlan plan;
    const std::optional<QVariantList> data = dataList(reply, 1);
    if (!data)
        return plan;
    const QVariant first = data->at(0);
    if (isList(first) && first.toList().isEmpty())
        return plan;
    plan.clear = true;
    if (!isMap(first))
        return plan;
    const QVariantMap element = first.toMap();
    const QVariant dates = element.value(QStringLiteral("BAO_GAO_RI_QI"));
    const QVariant profits = element.value(QStringLiteral("JING_LI_RUN"));
    if (!isList(dates) || !isList(profits) || dates.toList().size() != profits.toList().size())
        return plan;
    const QVariantList d = dates.toList(), p = profits.toList();
    // Nothing to chart: the page stays empty rather than showing an empty scale.
    if (d.isEmpty())
        return plan;
    plan.draw = true;
    for (qsizetype i = 0; i < d.size(); ++i) {
        plan.labels << reportDateLabel(at(d, i));
        const QString profit = at(p, i);
        plan.values << (feedtext::isNumber(profit) ? stringWithFormat("%.2f", floatValue(profit) / kYi)
                                                   : feedtext::dash());
    }
    const qsizetype k = std::min<qsizetype>(4, d.size());

    enum class Rule { Plain, Amount, Liability };
    struct Indicator {
        const char* name;
        const char* key;
        Rule rule;
    };
    static const Indicator indicators[] = { { "每股收益", "MEI_GU_SHOU_YI", Rule::Plain },
        { "净利润(亿)", "JING_LI_RUN", Rule::Amount },
        { "主营业务收入(亿)", "ZHU_YING_YE_WU_SHOU_RU", Rule::Amount },
        { "主营业务利润(亿)", "ZHU_YING_YE_WU_LI_RUN", Rule::Amount },
        { "营业利润(亿)", "YING_YE_LI_RUN", Rule::Amount },
        { "投资收益(亿)", "TOU_ZI_SHOU_YI", Rule::Amount },
        { "净利润(扣除非经营损额)(亿)", "CHOU_SUN_JING_LI_RUN", Rule::Amount },
        { "经营活动生产的现金流量净额(亿)", "JING_YING_XIAN_JIN_LIU", Rule::Amount },
        { "现金及现金等价物增加额(亿)", "XIAN_JIN_DENG_JIA_WU", Rule::Amount },
        { "净资产收益率加权(%)", "JING_ZI_CHAN_SHOU_YI_LV", Rule::Plain },
        { "总资产(亿)", "ZONG_ZI_CHAN", Rule::Amount }, { "流动资产(亿)", "LIU_DONG_ZI_CHAN", Rule::Amount },
        { "总负债(亿)", "ZONG_FU_ZAI", Rule::Liability },
        { "流动负债(亿)", "LIU_DONG_FU_ZAI", Rule::Liability },
        { "股东权益(亿)", "GU_DONG_QUAN_YI", Rule::Amount } };

    plan.table.title = QStringLiteral("季度财务指标");
    QStringList header { QStringLiteral("名称/季度") };
    for (qsizetype i = 0; i < k; ++i)
        header << plan.labels.at(i);
    plan.table.rows << header;
    for (const Indicator& ind : indicators) {
        const QVariant column = element.value(keyOf(ind.key));
        const bool missing = !element.contains(keyOf(ind.key));
        const QVariantList entries = column.toList();
        QStringList cells { QString::fromUtf8(ind.name) };
        for (qsizetype i = 0; i < k; ++i) {
            // A missing amount key reads as 0; a null or absent entry shows empty.
            QString raw = missing && ind.rule != Rule::Plain ? QStringLiteral("0") : at(entries, i);
            if (raw.trimmed().isEmpty())
                cells << QString();
            else if (ind.rule == Rule::Plain)
                cells << indicatorPlainText(raw);
            else
                cells << indicatorAmountText(raw, ind.rule == Rule::Liability);
        }
        plan.table.rows << cells;
    }
    plan.table.widths << QStringLiteral("200");
    for (qsizetype i = 0; i < k; ++i)
        plan.table.widths << widthText((width - 200 - 10) / double(k));
    plan.table.lineAlpha = 0.2;
    return plan;
}

std::optional<QVariantList> noticeRecords(const std::optional<QVariantMap>& reply)
{
    // A row per notice: a flood beyond the page would be laid out whole.
    std::optional<QVariantList> records = dataList(reply, 1);
    if (records && records->size() > kNoticesPerPage)
        records->resize(kNoticesPerPage);
    return records;
}

QList<int> stackTops(const QList<int>& heights, const QList<int>& gaps)
{
    QList<int> tops;
    int running = 0;
    for (qsizetype i = 0; i < heights.size(); ++i) {
        tops << running;
        running += heights.at(i) + (i < gaps.size() ? gaps.at(i) : 5);
    }
    return tops;
}

} // namespace companydata
