#include "standin/SampleData.h"

#include <QHash>

namespace standin {

const std::vector<SampleDef>& sampleDefs()
{
    static const std::vector<SampleDef> defs = {
        // Shanghai
        { "600000", "浦发银行", "PFYH", true, false, 10.30, 293.52, 293.52, 1999, "银行", "上海", 5.2, 0.42 },
        { "600004", "白云机场", "BYJC", true, false, 10.85, 23.67, 23.67, 2003, "机场", "广东", 28.0, 1.35 },
        { "600009", "上海机场", "SHJC", true, false, 33.50, 19.27, 24.88, 1998, "机场", "上海", 35.0, 1.90 },
        { "600016", "民生银行", "MSYH", true, false, 3.95, 354.62, 437.82, 2000, "银行", "北京", 4.6, 0.33 },
        { "600019", "宝钢股份", "BGGF", true, false, 6.40, 217.45, 219.62, 2000, "钢铁", "上海", 12.5, 0.72 },
        { "600028", "中国石化", "ZGSH", true, false, 6.20, 955.58, 1210.71, 2001, "石油化工", "北京", 11.8,
            0.95 },
        { "600030", "中信证券", "ZXZQ", true, false, 26.80, 121.83, 148.21, 2003, "证券", "广东", 19.6,
            1.45 },
        { "600036", "招商银行", "ZSYH", true, false, 35.20, 206.29, 252.20, 2002, "银行", "广东", 6.3, 0.91 },
        { "600048", "保利发展", "BLFZ", true, false, 9.10, 119.70, 119.70, 2006, "房地产", "广东", 16.4,
            0.58 },
        { "600104", "上汽集团", "SQJT", true, false, 14.60, 115.75, 116.83, 1997, "汽车", "上海", 13.2,
            0.62 },
        { "600276", "恒瑞医药", "HRYY", true, false, 46.20, 63.79, 63.79, 2000, "医药", "江苏", 58.0, 7.10 },
        { "600519", "贵州茅台", "GZMT", true, false, 1520.00, 12.56, 12.56, 2001, "白酒", "贵州", 22.5,
            8.20 },
        { "600585", "海螺水泥", "HLSN", true, false, 24.10, 40.00, 52.99, 2002, "水泥", "安徽", 14.1, 0.68 },
        { "600887", "伊利股份", "YLGF", true, false, 27.80, 63.66, 63.66, 1996, "食品饮料", "内蒙古", 17.3,
            3.60 },
        { "600900", "长江电力", "CJDL", true, false, 28.50, 244.68, 244.68, 2003, "电力", "湖北", 21.0,
            3.25 },
        { "601318", "中国平安", "ZGPA", true, false, 45.60, 108.33, 182.10, 2007, "保险", "广东", 8.4, 0.98 },
        { "601398", "工商银行", "GSYH", true, false, 5.60, 2696.12, 3564.06, 2006, "银行", "北京", 5.9,
            0.55 },
        { "601888", "中国中免", "ZGZM", true, false, 68.00, 20.69, 20.69, 2009, "旅游零售", "北京", 31.0,
            3.10 },
        // Shenzhen
        { "000001", "平安银行", "PAYH", false, false, 11.20, 194.05, 194.06, 1991, "银行", "广东", 4.8,
            0.52 },
        { "000002", "万科A", "WKA", false, false, 7.80, 97.17, 119.31, 1991, "房地产", "广东", 25.0, 0.45 },
        { "000063", "中兴通讯", "ZXTX", false, false, 30.50, 40.05, 47.83, 1997, "通信设备", "广东", 18.2,
            2.20 },
        { "000100", "TCL科技", "TCLKJ", false, false, 4.30, 186.50, 187.80, 2004, "电子", "广东", 26.0,
            1.30 },
        { "000333", "美的集团", "MDJT", false, false, 68.00, 68.19, 70.22, 2013, "家电", "广东", 13.0, 2.90 },
        { "000338", "潍柴动力", "WCDL", false, false, 15.20, 50.20, 87.26, 2007, "机械", "山东", 12.1, 1.50 },
        { "000568", "泸州老窖", "LZLJ", false, false, 150.00, 14.70, 14.72, 1994, "白酒", "四川", 17.9,
            5.40 },
        { "000651", "格力电器", "GLDQ", false, false, 40.20, 55.41, 56.31, 1996, "家电", "广东", 7.6, 1.80 },
        { "000725", "京东方A", "JDFA", false, false, 4.10, 376.05, 382.85, 2001, "电子", "北京", 30.5, 1.15 },
        { "000858", "五粮液", "WLY", false, false, 140.00, 38.82, 38.82, 1998, "白酒", "四川", 16.8, 4.20 },
        { "002304", "洋河股份", "YHGF", false, false, 95.00, 15.07, 15.07, 2009, "白酒", "江苏", 15.5, 2.60 },
        { "002415", "海康威视", "HKWS", false, false, 30.80, 91.50, 93.30, 2010, "电子", "浙江", 22.0, 4.10 },
        { "002594", "比亚迪", "BYD", false, false, 250.00, 11.64, 29.11, 2011, "汽车", "广东", 24.0, 5.20 },
        { "002714", "牧原股份", "MYGF", false, false, 42.00, 37.40, 54.65, 2014, "养殖", "河南", 14.8, 3.30 },
        { "300015", "爱尔眼科", "AEYK", false, false, 13.50, 80.10, 93.25, 2009, "医疗服务", "湖南", 45.0,
            6.70 },
        { "300059", "东方财富", "DFCF", false, false, 16.20, 132.10, 158.70, 2010, "互联网金融", "上海", 33.0,
            3.80 },
        { "300750", "宁德时代", "NDSD", false, false, 210.00, 39.38, 44.02, 2018, "新能源", "福建", 21.5,
            4.90 },
        { "300760", "迈瑞医疗", "MRYL", false, false, 260.00, 12.12, 12.12, 2018, "医疗器械", "广东", 28.5,
            8.60 },
        // Indices (volume scale in 亿 lots of a typical day)
        { "000001.idx", "上证指数", "SZZS", true, true, 3350.00, 3.2, 0, 1991, "", "", 0, 0 },
        { "399001.idx", "深证成指", "SZCZ", false, true, 10800.00, 4.1, 0, 1995, "", "", 0, 0 },
        { "399006.idx", "创业板指", "CYBZ", false, true, 2150.00, 1.6, 0, 2010, "", "", 0, 0 },
        // The product's own index spans the whole market.
        { "888888.idx", "岚石通指", "LSTZ", true, true, 1000.00, 3.2, 0, 2020, "", "", 0, 0 },
    };
    return defs;
}

const SampleDef* sampleDef(const QString& code)
{
    static const QHash<QString, const SampleDef*> byCode = [] {
        QHash<QString, const SampleDef*> map;
        for (const SampleDef& d : sampleDefs())
            map.insert(QString::fromUtf8(d.code), &d);
        return map;
    }();
    return byCode.value(code, nullptr);
}

const IndexFacts* indexFacts(const QString& code)
{
    static const QHash<QString, IndexFacts> facts = {
        { QStringLiteral("000001.idx"), { 13.5, 520000, 455000, 8600, 2280 } },
        { QStringLiteral("399001.idx"), { 14.5, 260000, 220000, 7600, 2850 } },
        { QStringLiteral("399006.idx"), { 18.0, 110000, 90000, 3300, 1350 } },
        { QStringLiteral("888888.idx"), { 16.8, 950000, 820000, 16200, 5300 } },
    };
    const auto it = facts.constFind(code);
    return it == facts.constEnd() ? nullptr : &*it;
}

double yuanPerPricePoint(const QString& code, double referenceLevel)
{
    const SampleDef* def = sampleDef(code);
    const IndexFacts* facts = indexFacts(code);
    if (!def || !def->isIndex || !facts)
        return 1.0;
    return facts->sharePrice / (referenceLevel > 0 ? referenceLevel : def->basePrice);
}

bool isTradingDay(const QDate& day)
{
    if (!day.isValid() || day.dayOfWeek() > 5)
        return false;
    const int m = day.month();
    const int d = day.day();
    if (m == 1 && d == 1)
        return false;
    if (m == 5 && d <= 3)
        return false;
    if (m == 10 && d <= 7)
        return false;
    return true;
}

QDate previousTradingDay(const QDate& day)
{
    QDate d = day.addDays(-1);
    while (!isTradingDay(d))
        d = d.addDays(-1);
    return d;
}

QDate lastTradingDayOnOrBefore(const QDate& day)
{
    return isTradingDay(day) ? day : previousTradingDay(day);
}

} // namespace standin
