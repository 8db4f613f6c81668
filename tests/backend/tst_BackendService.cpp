#include "platform/Json.h"
#include "standin/BackendMarketData.h"
#include "standin/BackendService.h"
#include "standin/SampleMarket.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

namespace {

const QString kGuest = QStringLiteral("400030000");
const QString kDemo = QStringLiteral("400031001");

QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

// The stand-in backend called directly, as its HTTP front end calls it.
class tst_BackendService : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void newUser_startsWithTwoGroupsAndMembers();
    void groups_addRenameReorderDelete();
    void groups_duplicateName_isRefusedWith1051_data();
    void groups_duplicateName_isRefusedWith1051();
    void members_addReorderAlertsRemove();
    void members_moveAndCopy_refuse1001WhenTargetHoldsTheStock();
    void store_survivesARestart();
    void store_damagedFile_isReplaced();

    void login_sampleAccountAndGuest_data();
    void login_sampleAccountAndGuest();
    void search_byCodeInitialsAndName_data();
    void search_byCodeInitialsAndName();
    void dayRows_matchTheSampleBarsNewestFirstWithEveryKey_data();
    void dayRows_matchTheSampleBarsNewestFirstWithEveryKey();
    void indexBars_areSevenElementRowsOldestFirst();
    void indexQuote_hasTheQuoteRecordKeys();
    void indexFigures_inTheUnitsTheScreensRead_data();
    void indexFigures_inTheUnitsTheScreensRead();
    void trend_voteOnceADayAndSummary();
    void recommendations_byTypeAndDate_deletable();
    void settings_andMessageCount();

    void badRequest_isAnsweredNeverCrashes_data();
    void badRequest_isAnsweredNeverCrashes();
    void failApi_failsTheNextRequestsOnly();

private:
    QVariant call(const QVariantMap& body, const QString& qvmid = kGuest);
    QVariantMap callMap(const QVariantMap& body, const QString& qvmid = kGuest)
    {
        return call(body, qvmid).toMap();
    }
    static QByteArray md5(const QByteArray& bytes)
    {
        return QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<standin::SampleMarket> m_market;
    std::unique_ptr<standin::BackendService> m_service;
};

void tst_BackendService::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_market = std::make_unique<standin::SampleMarket>();
    // A Wednesday after the close: the newest row is that day.
    m_market->setNow(QDateTime(QDate(2024, 3, 6), QTime(16, 0), QTimeZone("Asia/Shanghai")));
    m_service = std::make_unique<standin::BackendService>(*m_market, m_dir->path());
}

void tst_BackendService::cleanup()
{
    m_service.reset();
    m_market.reset();
    m_dir.reset();
}

QVariant tst_BackendService::call(const QVariantMap& body, const QString& qvmid)
{
    QVariantMap full = body;
    full.insert(QStringLiteral("qvmid"), qvmid);
    full.insert(QStringLiteral("devicetype"), QStringLiteral("2001"));
    full.insert(QStringLiteral("deviceid"), QStringLiteral("TEST"));
    const QByteArray json = platform::writeJson(full);
    const auto reply = m_service->handle("/user", json, { { "md5", md5(json) } });
    if (reply.status != 200)
        return QVariant();
    QByteArray digest;
    for (const auto& header : reply.headers) {
        if (header.first.compare("md5", Qt::CaseInsensitive) == 0)
            digest = header.second;
    }
    if (digest != md5(reply.body)) {
        qWarning("reply digest does not match its body");
        return QVariant();
    }
    return platform::parseJson(reply.body).value_or(QVariant());
}

static QVariantMap req(int api, std::initializer_list<std::pair<const char*, QString>> keys = {})
{
    QVariantMap body { { QStringLiteral("api"), QString::number(api) } };
    for (const auto& [k, v] : keys)
        body.insert(QString::fromLatin1(k), v);
    return body;
}

static QStringList field(const QVariantList& list, const char* name)
{
    QStringList out;
    for (const QVariant& item : list)
        out.append(item.toMap().value(QString::fromLatin1(name)).toString());
    return out;
}

void tst_BackendService::newUser_startsWithTwoGroupsAndMembers()
{
    const QVariantMap reply = callMap(req(90010, { { "uid", kDemo } }));
    QCOMPARE(reply.value(QStringLiteral("code")).toString(), QStringLiteral("0"));
    const QVariantList groups = reply.value(QStringLiteral("data")).toList();
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups[0].toMap().value(QStringLiteral("userstockgroupname")).toString(), s("自选股"));
    QCOMPARE(
        field(groups, "userstockgrouporder"), (QStringList { QStringLiteral("0"), QStringLiteral("1") }));
    const QString id = groups[0].toMap().value(QStringLiteral("id")).toString();
    const QVariantList members
        = callMap(req(90005, { { "userstockgroupid", id }, { "pageindex", QStringLiteral("0") } }), kDemo)
              .value(QStringLiteral("data"))
              .toList();
    QVERIFY(members.size() >= 2);
    const QVariantMap first = members[0].toMap();
    for (const char* k : { "stockcode", "stockname", "name", "userstockorder", "lprice", "hprice", "vprice" })
        QVERIFY2(first.contains(QString::fromLatin1(k)), k);
}

void tst_BackendService::groups_addRenameReorderDelete()
{
    QVariantMap reply
        = callMap(req(90011, { { "userstockgroupname", s("科技") }, { "userstockgrouporder", s("0") } }));
    QVariantList groups = reply.value(QStringLiteral("data")).toList();
    QCOMPARE(field(groups, "userstockgroupname"), (QStringList { s("自选股"), s("股票组2"), s("科技") }));
    const QString techId = groups[2].toMap().value(QStringLiteral("id")).toString();

    reply = callMap(req(90011, { { "userstockgroupname", s("科技股") }, { "id", techId } }));
    QCOMPARE(field(reply.value(QStringLiteral("data")).toList(), "userstockgroupname").last(), s("科技股"));

    // Moving to the first place renumbers every order.
    reply = callMap(req(90011,
        { { "userstockgroupname", s("科技股") }, { "userstockgrouporder", s("0") }, { "id", techId } }));
    groups = reply.value(QStringLiteral("data")).toList();
    QCOMPARE(field(groups, "userstockgroupname"), (QStringList { s("科技股"), s("自选股"), s("股票组2") }));
    QCOMPARE(field(groups, "userstockgrouporder"), (QStringList { s("0"), s("1"), s("2") }));
    // An order beyond the ends goes to the end.
    reply = callMap(req(90011, { { "userstockgrouporder", s("8") }, { "id", techId } }));
    QCOMPARE(field(reply.value(QStringLiteral("data")).toList(), "userstockgroupname").last(), s("科技股"));

    reply = callMap(req(90012, { { "id", techId } }));
    QCOMPARE(field(reply.value(QStringLiteral("data")).toList(), "userstockgroupname"),
        (QStringList { s("自选股"), s("股票组2") }));
    QCOMPARE(callMap(req(90012, { { "id", techId } })).value(QStringLiteral("code")).toString(), s("-1004"));
}

void tst_BackendService::groups_duplicateName_isRefusedWith1051_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("new group named as an old one") << QString() << s("自选股");
    QTest::newRow("rename onto another group's name") << s("2") << s("自选股");
}

void tst_BackendService::groups_duplicateName_isRefusedWith1051()
{
    QFETCH(QString, id);
    QFETCH(QString, name);
    QVariantMap body = req(90011, { { "userstockgroupname", name } });
    if (!id.isNull())
        body.insert(QStringLiteral("id"), id);
    const QVariantMap reply = callMap(body);
    QCOMPARE(reply.value(QStringLiteral("code")).toString(), s("-1051"));
    QVERIFY(!reply.value(QStringLiteral("msg")).toString().isEmpty());
    // Renaming a group to its own name is no conflict.
    QCOMPARE(callMap(req(90011, { { "userstockgroupname", s("自选股") }, { "id", s("1") } }))
                 .value(s("code"))
                 .toString(),
        s("0"));
}

void tst_BackendService::members_addReorderAlertsRemove()
{
    QVariantList members = callMap(req(90013,
                                       { { "stockcode", s("600036") }, { "userstockgroupid", s("1") },
                                           { "userstockorder", s("0") }, { "lprice", s("30.00") } }))
                               .value(s("data"))
                               .toList();
    QStringList codes = field(members, "stockcode");
    QCOMPARE(codes.last(), s("600036")); // a new stock goes last
    QCOMPARE(members.last().toMap().value(s("stockname")).toString(), s("招商银行"));
    QCOMPARE(members.last().toMap().value(s("lprice")).toString(), s("30.00"));
    QCOMPARE(members.last().toMap().value(s("hprice")).toString(), s("0"));

    // Re-adding with the first member's order moves it there; alerts change.
    members = callMap(req(90013,
                          { { "stockcode", s("600036") }, { "userstockgroupid", s("1") },
                              { "userstockorder", s("0") }, { "hprice", s("40.00") } }))
                  .value(s("data"))
                  .toList();
    QCOMPARE(field(members, "stockcode").first(), s("600036"));
    QCOMPARE(members.first().toMap().value(s("lprice")).toString(), s("30.00"));
    QCOMPARE(members.first().toMap().value(s("hprice")).toString(), s("40.00"));
    QStringList orders;
    for (int i = 0; i < members.size(); ++i)
        orders.append(QString::number(i));
    QCOMPARE(field(members, "userstockorder"), orders);

    members = callMap(req(90014, { { "stockcode", s("600036") }, { "userstockgroupid", s("1") } }))
                  .value(s("data"))
                  .toList();
    QVERIFY(!field(members, "stockcode").contains(s("600036")));
    QCOMPARE(callMap(req(90014, { { "stockcode", s("600036") }, { "userstockgroupid", s("1") } }))
                 .value(s("code"))
                 .toString(),
        s("-1005"));
}

void tst_BackendService::members_moveAndCopy_refuse1001WhenTargetHoldsTheStock()
{
    // Copy 600000 from group 1 to group 2: both hold it afterwards.
    QVariantMap reply = callMap(req(90015,
        { { "stockcode", s("600000") }, { "userstockgroupid", s("1") }, { "newuserstockgroupid", s("2") },
            { "type", s("1") } }));
    QCOMPARE(reply.value(s("code")).toString(), s("0"));
    QVERIFY(field(reply.value(s("data")).toList(), "stockcode").contains(s("600000")));
    const auto membersOf = [this](const char* id) {
        return field(
            callMap(req(90005, { { "userstockgroupid", s(id) } })).value(s("data")).toList(), "stockcode");
    };
    QVERIFY(membersOf("2").contains(s("600000")));

    // Again: the target already holds it.
    reply = callMap(req(90015,
        { { "stockcode", s("600000") }, { "userstockgroupid", s("1") }, { "newuserstockgroupid", s("2") },
            { "type", s("0") } }));
    QCOMPARE(reply.value(s("code")).toString(), s("-1001"));
    QVERIFY(membersOf("1").contains(s("600000")));

    // A move takes it out of the source.
    reply = callMap(req(90015,
        { { "stockcode", s("600519") }, { "userstockgroupid", s("1") }, { "newuserstockgroupid", s("2") },
            { "type", s("0") } }));
    QCOMPARE(reply.value(s("code")).toString(), s("0"));
    QVERIFY(!membersOf("1").contains(s("600519")));
    QVERIFY(membersOf("2").contains(s("600519")));
}

void tst_BackendService::store_survivesARestart()
{
    callMap(req(90011, { { "userstockgroupname", s("长线") } }), kDemo);
    callMap(
        req(90013, { { "stockcode", s("300750") }, { "userstockgroupid", s("3") }, { "vprice", s("5.00") } }),
        kDemo);
    callMap(req(90030, { { "stockcode", s("600000") }, { "trend", s("1") } }), kDemo);
    m_service.reset();

    m_service = std::make_unique<standin::BackendService>(*m_market, m_dir->path());
    const QVariantList groups = callMap(req(90010, { { "uid", kDemo } })).value(s("data")).toList();
    QCOMPARE(field(groups, "userstockgroupname").last(), s("长线"));
    const QVariantList members
        = callMap(req(90005, { { "userstockgroupid", s("3") } }), kDemo).value(s("data")).toList();
    QCOMPARE(field(members, "stockcode"), QStringList { s("300750") });
    QCOMPARE(members.first().toMap().value(s("vprice")).toString(), s("5.00"));
    QCOMPARE(
        callMap(req(90031, { { "stockcode", s("600000") } }), kDemo).value(s("curuservotecount")).toString(),
        s("1"));
    // Another user's store is untouched.
    QCOMPARE(callMap(req(90010, { { "uid", kGuest } })).value(s("data")).toList().size(), 2);
}

void tst_BackendService::store_damagedFile_isReplaced()
{
    callMap(req(90010, { { "uid", kDemo } }));
    m_service.reset();
    const QStringList files = QDir(m_dir->path()).entryList({ QStringLiteral("*.json") }, QDir::Files);
    QVERIFY(!files.isEmpty());
    for (const QString& name : files) {
        QFile file(QDir(m_dir->path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{ not json");
    }
    m_service = std::make_unique<standin::BackendService>(*m_market, m_dir->path());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(s("damaged store file")));
    QCOMPARE(callMap(req(90010, { { "uid", kDemo } })).value(s("data")).toList().size(), 2);
}

void tst_BackendService::login_sampleAccountAndGuest_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("qvmid");
    const auto hash = [](const char* p) { return QString::fromLatin1(md5(QByteArray(p))); };
    QTest::newRow("sample member") << s("demo") << hash("demo1234") << s("0") << kDemo;
    QTest::newRow("hash in capitals") << s("demo") << hash("demo1234").toUpper() << s("0") << kDemo;
    QTest::newRow("ordinary user") << s("putong") << hash("putong1234") << s("0") << s("400031002");
    QTest::newRow("guest") << kGuest << QString() << s("0") << kGuest;
    QTest::newRow("wrong password") << s("demo") << hash("demo") << s("-1003") << QString();
    QTest::newRow("plain password") << s("demo") << s("demo1234") << s("-1003") << QString();
    QTest::newRow("unknown user") << s("nobody") << hash("x") << s("-1002") << QString();
}

void tst_BackendService::login_sampleAccountAndGuest()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, code);
    QFETCH(QString, qvmid);
    const QVariantMap reply = callMap(req(10000, { { "username", name }, { "password", password } }));
    QCOMPARE(reply.value(s("code")).toString(), code);
    QCOMPARE(reply.value(s("qvmid")).toString(), qvmid);
    if (code == s("0")) {
        QVERIFY(!reply.value(s("power")).toString().isEmpty());
        QVERIFY(reply.contains(s("vipendtime")));
    }
}

void tst_BackendService::search_byCodeInitialsAndName_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("pagesize");
    QTest::addColumn<QString>("firstCode");
    QTest::addColumn<int>("maxHits");
    QTest::newRow("code") << s("600000") << s("20") << s("600000") << 20;
    QTest::newRow("initials, lower case") << s("pfyh") << s("20") << s("600000") << 20;
    QTest::newRow("Chinese name") << s("茅台") << s("20") << s("600519") << 20;
    QTest::newRow("page size honoured") << s("00") << s("3") << QString() << 3;
    QTest::newRow("nothing") << s("ZZZZZZ") << s("20") << QString() << 0;
}

void tst_BackendService::search_byCodeInitialsAndName()
{
    QFETCH(QString, key);
    QFETCH(QString, pagesize);
    QFETCH(QString, firstCode);
    QFETCH(int, maxHits);
    const QVariant reply
        = call(req(90003, { { "key", key }, { "pageindex", s("0") }, { "pagesize", pagesize } }));
    QCOMPARE(reply.typeId(), int(QMetaType::QVariantList));
    const QVariantList hits = reply.toList();
    QVERIFY(hits.size() <= maxHits);
    if (maxHits == 3)
        QCOMPARE(hits.size(), 3);
    if (!firstCode.isEmpty()) {
        QCOMPARE(hits.value(0).toMap().value(s("code")).toString(), firstCode);
        QVERIFY(!hits.value(0).toMap().value(s("stockname")).toString().isEmpty());
    }
}

void tst_BackendService::dayRows_matchTheSampleBarsNewestFirstWithEveryKey_data()
{
    QTest::addColumn<int>("api");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("ownKeys");
    QTest::newRow("stock") << 90006 << s("600000")
                           << QStringList { s("turnoverrate"), s("ratio"), s("smallbuyscore"),
                                  s("bigbuyscore"), s("diskscore"), s("ratioscore"), s("turnoverscore"),
                                  s("volume") };
    QTest::newRow("index") << 99006 << s("000001.idx")
                           << QStringList { s("updown5day"), s("rmb5inscore"), s("rmb10inscore"),
                                  s("rmb20inscore"), s("rmballinscore"), s("yprice"),
                                  s("continuetransactionvaluecount"), s("buystcockcout"),
                                  s("sellstcockcout") };
    QTest::newRow("product index") << 99006 << s("888888.idx")
                                   << QStringList { s("updown5day"), s("yprice") };
}

void tst_BackendService::dayRows_matchTheSampleBarsNewestFirstWithEveryKey()
{
    QFETCH(int, api);
    QFETCH(QString, code);
    QFETCH(QStringList, ownKeys);
    const QVariant reply
        = call(req(api, { { "code", code }, { "pageindex", s("0") }, { "pagesize", s("40") } }));
    QCOMPARE(reply.typeId(), int(QMetaType::QVariantList));
    const QVariantList rows = reply.toList();
    QCOMPARE(rows.size(), 40);

    const QList<standin::DayBar> bars = m_market->dayBars(code, QDate(2024, 3, 6));
    QVERIFY(bars.size() >= 40);
    const QStringList common
        = { s("curdate"), s("code"), s("stockname"), s("cprice"), s("valuerate"), s("transactionvaluecount"),
              s("mainvalue"), s("continuemainvalueupdown"), s("score"), s("rank"), s("swingscore"),
              s("financingbalance"), s("financingthepurchaseamount"), s("financingtorepaytheamount"),
              s("marginbalance"), s("shortsellingvolume"), s("securitieslendingrepaymentamount"),
              s("continuefinancingbalance"), s("continuefinancingthepurchaseamount"),
              s("continuefinancingtorepaytheamount"), s("continuemarginbalance"),
              s("continueshortsellingvolume"), s("continuesecuritieslendingrepaymentamount") };
    for (int i = 0; i < rows.size(); ++i) {
        const QVariantMap row = rows[i].toMap();
        for (const QString& k : common + ownKeys)
            QVERIFY2(
                row.contains(k), qPrintable(k + QStringLiteral(" missing in row ") + QString::number(i)));
        const standin::DayBar& bar = bars[bars.size() - 1 - i];
        QCOMPARE(row.value(s("curdate")).toString(), bar.date.toString(s("yyyyMMdd")));
        QCOMPARE(row.value(s("cprice")).toString(), QString::number(bar.close, 'f', 2));
        QCOMPARE(row.value(s("valuerate")).toString(), QString::number(bar.changePercent, 'f', 2));
        QCOMPARE(row.value(s("code")).toString(), code);
    }
    QCOMPARE(rows.first().toMap().value(s("curdate")).toString(), s("20240306"));
    // The newest day's margin figures are not out yet; the day before has them.
    QCOMPARE(rows[0].toMap().value(s("financingbalance")).toString(), s("0"));
    QVERIFY(rows[1].toMap().value(s("financingbalance")).toDouble() > 0);
    // Page 1 continues where page 0 stopped.
    const QVariantList next
        = call(req(api, { { "code", code }, { "pageindex", s("1") }, { "pagesize", s("40") } })).toList();
    QCOMPARE(next.value(0).toMap().value(s("curdate")).toString(),
        bars[bars.size() - 41].date.toString(s("yyyyMMdd")));
}

void tst_BackendService::indexBars_areSevenElementRowsOldestFirst()
{
    const QVariantMap reply = callMap(req(99003,
        { { "stockname", s("岚石通指") }, { "code", s("888888.idx") }, { "pageindex", s("0") },
            { "pagesize", s("1000") } }));
    QCOMPARE(reply.value(s("code")).toString(), s("0"));
    const QVariantList rows = reply.value(s("data")).toList();
    const QList<standin::DayBar> bars = m_market->dayBars(s("888888.idx"), QDate(2024, 3, 6));
    QCOMPARE(rows.size(), std::min<qsizetype>(1000, bars.size()));
    QString previous;
    for (const QVariant& item : rows) {
        const QVariantList row = item.toList();
        QCOMPARE(row.size(), 7);
        QVERIFY(row[0].toString() > previous);
        previous = row[0].toString();
    }
    QCOMPARE(previous, s("20240306"));
    const QVariantList last = rows.last().toList();
    QCOMPARE(last[2].toDouble(), std::round(bars.last().close * 100) / 100);
}

void tst_BackendService::indexQuote_hasTheQuoteRecordKeys()
{
    const QVariantMap quote = callMap(req(99001, { { "code", s("888888.idx") } }));
    QCOMPARE(quote.value(s("code")).toString(), s("0"));
    QCOMPARE(quote.value(s("stockcode")).toString(), s("888888.idx"));
    QCOMPARE(quote.value(s("stockname")).toString(), s("岚石通指"));
    for (const char* k : { "marketstatus", "curdate", "cprice", "yprice", "valueprice", "valuerate",
             "today_start_price", "valuehighest", "valuelowest", "preprice", "amplituderate", "PE", "PB",
             "totalvalue", "marketvalue", "ratio", "turnoverrate", "transaction100count",
             "transactionvaluecount", "outdisk", "indisk", "buy1", "sell5", "buy5count", "sell1count",
             "recentlyandtransactionbytransaction", "totalsub", "subupcount", "subequalcount", "subdowncount",
             "mainvalue", "mainvaluePrecent", "bigbigvalue", "minsell" })
        QVERIFY2(quote.contains(QString::fromLatin1(k)), k);
    QCOMPARE(quote.value(s("marketstatus")).toString(), s("已收盘"));
    QVERIFY(quote.value(s("amplituderate")).toDouble() < 1.0); // a fraction
    QCOMPARE(callMap(req(99001, { { "code", s("600000") } })).value(s("code")).toString(), s("-1006"));
}

void tst_BackendService::indexFigures_inTheUnitsTheScreensRead_data()
{
    // Realistic ranges of each market: turnover in 亿, margin balance in 亿 yuan.
    QTest::addColumn<QString>("code");
    QTest::addColumn<double>("minAmount");
    QTest::addColumn<double>("maxAmount");
    QTest::addColumn<double>("minMargin");
    QTest::addColumn<double>("maxMargin");
    QTest::newRow("shanghai composite") << s("000001.idx") << 2000.0 << 9000.0 << 7500.0 << 10000.0;
    QTest::newRow("shenzhen component") << s("399001.idx") << 3000.0 << 12000.0 << 6500.0 << 9000.0;
    QTest::newRow("product index") << s("888888.idx") << 2500.0 << 12000.0 << 14000.0 << 19000.0;
}

void tst_BackendService::indexFigures_inTheUnitsTheScreensRead()
{
    QFETCH(QString, code);
    QFETCH(double, minAmount);
    QFETCH(double, maxAmount);
    QFETCH(double, minMargin);
    QFETCH(double, maxMargin);
    const QVariantList rows
        = call(req(99006, { { "code", code }, { "pageindex", s("0") }, { "pagesize", s("40") } })).toList();
    QCOMPARE(rows.size(), 40);
    for (int i = 1; i < rows.size(); ++i) {
        const QVariantMap row = rows[i].toMap();
        const auto num = [&row](const char* key) { return row.value(QString::fromLatin1(key)).toDouble(); };
        const QString where = code + QLatin1Char(' ') + row.value(s("curdate")).toString();
        // Amount and main value in 亿; margin figures in yuan and shares.
        QVERIFY2(num("transactionvaluecount") >= minAmount && num("transactionvaluecount") <= maxAmount,
            qPrintable(where));
        QVERIFY2(std::abs(num("mainvalue")) < num("transactionvaluecount") * 0.3, qPrintable(where));
        QVERIFY2(std::abs(num("rmb5inscore")) < num("transactionvaluecount") * 5
                || !row.contains(s("rmb5inscore")),
            qPrintable(where));
        QVERIFY2(num("financingbalance") / 1e8 >= minMargin && num("financingbalance") / 1e8 <= maxMargin,
            qPrintable(where));
        QVERIFY2(num("financingthepurchaseamount") < num("financingbalance") * 0.1, qPrintable(where));
        QVERIFY2(
            num("shortsellingvolume") / 1e6 > 1 && num("shortsellingvolume") / 1e6 < 1000, qPrintable(where));
    }

    const QVariantMap quote = callMap(req(99001, { { "code", code } }));
    const auto num = [&quote](const char* key) { return quote.value(QString::fromLatin1(key)).toDouble(); };
    const bool own = code == s("888888.idx");
    // The product index counts in 亿手 and 亿; another index as the quote feed: lots and 万.
    const double volumeYiShou = own ? num("transaction100count") : num("transaction100count") / 1e8;
    const double amountYi = own ? num("transactionvaluecount") : num("transactionvaluecount") / 1e4;
    QVERIFY2(
        volumeYiShou > 1 && volumeYiShou < 15, qPrintable(quote.value(s("transaction100count")).toString()));
    QVERIFY2(amountYi >= minAmount && amountYi <= maxAmount,
        qPrintable(quote.value(s("transactionvaluecount")).toString()));
    // Outer and inner volume in shares; fund flow in 亿.
    QVERIFY(std::abs((num("outdisk") + num("indisk")) / 1e10 - volumeYiShou) < 0.01);
    QVERIFY2(std::abs(num("mainvalue")) < amountYi * 0.3, qPrintable(quote.value(s("mainvalue")).toString()));
    QVERIFY(std::abs(num("bigbigbuy") + num("bigbigsell") - amountYi * 0.25) < 0.01);
    QVERIFY(num("totalsub") > 1000);
    QVERIFY(num("totalvalue") > 100000); // 亿
}

void tst_BackendService::trend_voteOnceADayAndSummary()
{
    QVariantMap before = callMap(req(90031, { { "stockcode", s("600000") } }), kDemo);
    QCOMPARE(before.value(s("curuservotecount")).toString(), s("0"));
    const int rises = before.value(s("risecount")).toInt();

    QVariantMap after = callMap(req(90030, { { "stockcode", s("600000") }, { "trend", s("1") } }), kDemo);
    QCOMPARE(after.value(s("code")).toString(), s("0"));
    QCOMPARE(after.value(s("curuservotecount")).toString(), s("1"));
    QCOMPARE(after.value(s("risecount")).toInt(), rises + 1);
    QCOMPARE(callMap(req(90030, { { "stockcode", s("600000") }, { "trend", s("-1") } }), kDemo)
                 .value(s("code"))
                 .toString(),
        s("-1020"));
    QCOMPARE(callMap(req(90030, { { "stockcode", s("600000") }, { "trend", s("2") } }), kGuest)
                 .value(s("code"))
                 .toString(),
        s("-1006"));
    // Another user's summary does not count the vote as theirs.
    QCOMPARE(
        callMap(req(90031, { { "stockcode", s("600000") } }), kGuest).value(s("curuservotecount")).toString(),
        s("0"));

    const QVariantList list = callMap(
        req(90032, { { "stockcode", s("600000") }, { "pageindex", s("0") }, { "pagesize", s("2") } }), kDemo)
                                  .value(s("data"))
                                  .toList();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.first().toMap().value(s("uid")).toString(), kDemo); // newest first
    QCOMPARE(list.first().toMap().value(s("trend")).toString(), s("1"));
}

void tst_BackendService::recommendations_byTypeAndDate_deletable()
{
    const auto list = [this](const char* type, const char* date) {
        return callMap(req(90016,
                           { { "recomtype", s(type) }, { "pageindex", s("0") }, { "pagesize", s("100") },
                               { "recomdate", s(date) } }))
            .value(s("data"))
            .toList();
    };
    const QVariantList day1 = list("1", "2024-03-01");
    QVERIFY(!day1.isEmpty());
    QCOMPARE(list("1", "2024-03-01"), day1); // the same every time
    QVERIFY(list("2", "2024-03-01") != day1);
    const QVariantMap record = day1.first().toMap();
    for (const char* k : { "stockcode", "recomdate", "price", "recomtype" })
        QVERIFY2(record.contains(QString::fromLatin1(k)), k);
    QVERIFY(record.value(s("recomdate")).toString().startsWith(s("2024-03-01 ")));
    QCOMPARE(record.value(s("recomtype")).toString(), s("1"));

    const QString code = record.value(s("stockcode")).toString();
    const QVariantMap reply = callMap(
        req(90018, { { "stockcode", code }, { "recomtype", s("1") }, { "recomdate", s("2024-03-01") } }));
    QCOMPARE(reply.value(s("code")).toString(), s("0"));
    QVERIFY(!field(list("1", "2024-03-01"), "stockcode").contains(code));
    QCOMPARE(list("1", "2024-03-01").size(), day1.size() - 1);
    QCOMPARE(
        callMap(req(90016, { { "recomdate", s("03/01/2024") } })).value(s("code")).toString(), s("-1006"));
}

void tst_BackendService::settings_andMessageCount()
{
    QVariantMap settings = callMap(req(93001));
    QCOMPARE(settings.value(s("vipmacopen")).toString(), s("1"));
    QVERIFY(!settings.value(s("User-Agent")).toString().isEmpty());
    m_service->setAppSetting(s("vipmacopen"), s("0"));
    QCOMPARE(callMap(req(93001)).value(s("vipmacopen")).toString(), s("0"));

    QCOMPARE(callMap(req(95001, { { "uid", kDemo } })).value(s("count")).toString(), s("2"));
    QCOMPARE(callMap(req(95001, { { "uid", kGuest } })).value(s("count")).toString(), s("0"));
}

void tst_BackendService::badRequest_isAnsweredNeverCrashes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("rightDigest");
    QTest::addColumn<QString>("code");
    QTest::newRow("not JSON") << QByteArray("/user") << QByteArray("api=90010") << true << s("-1098");
    QTest::newRow("array body") << QByteArray("/user") << QByteArray("[1,2]") << true << s("-1098");
    QTest::newRow("empty body") << QByteArray("/user") << QByteArray() << true << s("-1098");
    QTest::newRow("digest mismatch") << QByteArray("/user") << QByteArray(R"({"api":"93001"})") << false
                                     << s("-1097");
    QTest::newRow("unknown api") << QByteArray("/user") << QByteArray(R"({"api":"12345"})") << true
                                 << s("-1099");
    QTest::newRow("no api") << QByteArray("/user") << QByteArray(R"({"uid":"1"})") << true << s("-1099");
    QTest::newRow("missing required key")
        << QByteArray("/user") << QByteArray(R"({"api":"90005"})") << true << s("-1006");
    QTest::newRow("keys of wrong types")
        << QByteArray("/user") << QByteArray(R"({"api":90013,"stockcode":{"a":1},"userstockgroupid":[1]})")
        << true << s("-1006");
    QTest::newRow("negative page") << QByteArray(
        "/user") << QByteArray(R"({"api":"90006","code":"600000","pageindex":"-5","pagesize":"99999999"})")
                                   << true << QString();
    QTest::newRow("unknown stock days")
        << QByteArray("/user") << QByteArray(R"({"api":"90006","code":"999999"})") << true << QString();
    QTest::newRow("deep nesting") << QByteArray("/user") << QByteArray(200, '[') << true << s("-1098");
    QTest::newRow("odd user id") << QByteArray("/user") << QByteArray(R"({"api":"90010","uid":"../../x"})")
                                 << true << s("0");
}

void tst_BackendService::badRequest_isAnsweredNeverCrashes()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, body);
    QFETCH(bool, rightDigest);
    QFETCH(QString, code);
    const auto reply
        = m_service->handle(path, body, { { "MD5", rightDigest ? md5(body) : QByteArray("00") } });
    QCOMPARE(reply.status, 200);
    const QVariant parsed = platform::parseJson(reply.body).value_or(QVariant());
    if (code.isEmpty()) {
        QCOMPARE(parsed.typeId(), int(QMetaType::QVariantList)); // rows, maybe none
    } else {
        QCOMPARE(parsed.toMap().value(s("code")).toString(), code);
    }
    // Nothing is written outside the store folder.
    QVERIFY(!QFile::exists(QDir(m_dir->path()).filePath(s("../x.json"))));
}

void tst_BackendService::failApi_failsTheNextRequestsOnly()
{
    m_service->failApi(90010, -1039, 2);
    QCOMPARE(callMap(req(90010, { { "uid", kGuest } })).value(s("code")).toString(), s("-1039"));
    QCOMPARE(callMap(req(93001)).value(s("code")).toString(), s("0")); // other operations unaffected
    QCOMPARE(callMap(req(90010, { { "uid", kGuest } })).value(s("code")).toString(), s("-1039"));
    QCOMPARE(callMap(req(90010, { { "uid", kGuest } })).value(s("code")).toString(), s("0"));
    QVERIFY(m_service->receivedBodies().size() >= 4);
}

QTEST_GUILESS_MAIN(tst_BackendService)
#include "tst_BackendService.moc"
