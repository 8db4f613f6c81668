#include "BackendTestHelpers.h"
#include "TestSupport.h"

#include "backend/BackendProtocol.h"
#include "backend/HttpSession.h"
#include "backend/QuilorSDK.h"
#include "platform/Json.h"
#include "platform/UserDefaults.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <memory>

using Call = std::function<bool(QuilorSDK&, MHTTPObserver*)>;
Q_DECLARE_METATYPE(Call)

namespace {

const QString kGuest = QStringLiteral("400030000");
const QStringList kCommonKeys = { QStringLiteral("api"), QStringLiteral("qvmid"),
    QStringLiteral("devicetype"), QStringLiteral("deviceid") };

QString hashOf(const char* password)
{
    return backend::passwordHash(QString::fromLatin1(password));
}

QVariantMap lastBody(standin::BackendService& service)
{
    const QList<QByteArray> bodies = service.receivedBodies();
    if (bodies.isEmpty())
        return {};
    return platform::parseJson(bodies.last()).value_or(QVariant()).toMap();
}

// A server of the test's own for replies the stand-in never sends.
class OddServer {
public:
    OddServer()
    {
        m_server.route(QStringLiteral("/user"), [this](const QHttpServerRequest&) {
            QHttpServerResponse response(QByteArray("application/json"), body);
            if (!digest.isNull())
                response.setHeader(QByteArrayLiteral("md5"), digest);
            return response;
        });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QByteArray body;
    QByteArray digest;

private:
    QHttpServer m_server;
    quint16 m_port = 0;
};

} // namespace

class tst_QuilorSDK : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void operation_sendsItsApiAndOnlyPresentKeys_data();
    void operation_sendsItsApiAndOnlyPresentKeys();
    void operation_withoutRequiredCodeOrId_answersNoAndSendsNothing_data();
    void operation_withoutRequiredCodeOrId_answersNoAndSendsNothing();

    void reply_arrivesOnMainThreadWithApi();
    void reply_fromBackgroundCaller_stillArrivesOnMainThread();
    void failure_refusedConnection_is1313();
    void failure_unansweredRequest_timesOut_is1313_data();
    void failure_unansweredRequest_timesOut_is1313();
    void failure_connectionDroppedMidReply_is1313();
    void failure_http500_isStatus();
    void failure_serverCode_isPassedThroughWithText();
    void reply_failingItsCheck_is9999_data();
    void reply_failingItsCheck_is9999();
    void reply_jsonNull_becomesEmptyString();

    void observer_destroyedBeforeReply_isNeverCalled();
    void client_destroyedWithRequestInFlight_callsNobody();

    void login_fillsSavesAndRestoresTheUser();
    void login_wrongPassword_leavesGuest();
    void login_hostileReply_neverCostsTheSavedLogin_data();
    void login_hostileReply_neverCostsTheSavedLogin();
    void login_replyIsTheWholeRecord_data();
    void login_replyIsTheWholeRecord();
    void login_thatCannotBeSaved_isReportedAndNotRestored();
    void login_onlyTheNewestCounts_data();
    void login_onlyTheNewestCounts();
    void relogin_keepsWhatAnotherCopySaved_data();
    void relogin_keepsWhatAnotherCopySaved();
    void construction_userAgentAndModels();

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<QuilorSDK> m_sdk;
    standin::BackendService& service() { return m_standIn->server().backend(); }
};

void tst_QuilorSDK::initTestCase()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    m_standIn = std::make_unique<testsupport::StandIn>();
}

void tst_QuilorSDK::init()
{
    User::setLastLoginName(QString());
    m_sdk = std::make_unique<QuilorSDK>(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    service().clearReceivedBodies();
}

void tst_QuilorSDK::cleanup()
{
    m_sdk.reset();
}

void tst_QuilorSDK::operation_sendsItsApiAndOnlyPresentKeys_data()
{
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("api");
    QTest::addColumn<QStringList>("keys");
    const QString n; // an absent argument
    const auto s = [](const char* t) { return QString::fromUtf8(t); };

    QTest::newRow("login") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.DoLogin(s("demo"), hashOf("demo1234"), s("DEV-1"), true, nullptr, o);
    }) << 10000 << QStringList { s("username"), s("password"), s("devicetoken"), s("willsave") };
    QTest::newRow("login without device token") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.DoLogin(s("demo"), hashOf("demo1234"), n, false, nullptr, o);
    }) << 10000 << QStringList { s("username"), s("password"), s("willsave") };
    QTest::newRow("search") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.SearchStockByKey(s("PF"), s("0"), s("20"), nullptr, o);
    }) << 90003 << QStringList { s("key"), s("pageindex"), s("pagesize") };
    QTest::newRow("search without paging") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.SearchStockByKey(s("600000"), n, n, nullptr, o);
    }) << 90003 << QStringList { s("key") };
    // A search text and a group's name are no code or id: the server judges them.
    QTest::newRow("search with empty key") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.SearchStockByKey(QStringLiteral(""), s("0"), s("20"), nullptr, o);
    }) << 90003 << QStringList { s("key"), s("pageindex"), s("pagesize") };
    QTest::newRow("group change without name or id")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.addStockGroup(n, s("0"), n, nullptr, o); })
        << 90011 << QStringList { s("userstockgrouporder") };
    QTest::newRow("group stocks") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetAGroupOfStocks(s("1"), s("0"), s("1000"), nullptr, o);
    }) << 90005 << QStringList { s("userstockgroupid"), s("pageindex"), s("pagesize") };
    QTest::newRow("stock days") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetStockDay(s("600000"), s("0"), s("40"), nullptr, o);
    }) << 90006 << QStringList { s("code"), s("pageindex"), s("pagesize") };
    QTest::newRow("groups") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.getStockGroup(kGuest, nullptr, o);
    }) << 90010 << QStringList { s("uid") };
    QTest::newRow("new group, no id") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockGroup(s("新分组"), s("0"), n, nullptr, o);
    }) << 90011 << QStringList { s("userstockgroupname"), s("userstockgrouporder") };
    QTest::newRow("rename group") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockGroup(s("改名"), s("1"), s("2"), nullptr, o);
    }) << 90011 << QStringList { s("userstockgroupname"), s("userstockgrouporder"), s("id") };
    QTest::newRow("delete group") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.delStockGroup(s("2"), nullptr, o);
    }) << 90012 << QStringList { s("id") };
    QTest::newRow("add stock") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockToGroup(
            s("600036"), s("招商银行"), s("0"), s("1"), s("30.00"), s("40.00"), s("0"), nullptr, o);
    }) << 90013
                               << QStringList { s("stockcode"), s("stockname"), s("userstockorder"),
                                      s("userstockgroupid"), s("lprice"), s("hprice"), s("vprice") };
    QTest::newRow("add stock without alerts") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockToGroup(s("600036"), n, n, s("1"), n, n, n, nullptr, o);
    }) << 90013 << QStringList { s("stockcode"), s("userstockgroupid") };
    QTest::newRow("remove stock") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.delStockFromGroup(s("600000"), s("1"), nullptr, o);
    }) << 90014 << QStringList { s("stockcode"), s("userstockgroupid") };
    QTest::newRow("copy stock") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.moveOrCopyStockToGroup(s("600000"), s("1"), s("2"), s("1"), nullptr, o);
    }) << 90015 << QStringList { s("stockcode"), s("userstockgroupid"), s("newuserstockgroupid"), s("type") };
    QTest::newRow("recommendations") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetRecommentStockList(s("1"), s("0"), s("100"), s("2024-03-01"), nullptr, o);
    }) << 90016 << QStringList { s("recomtype"), s("pageindex"), s("pagesize"), s("recomdate") };
    QTest::newRow("recommendations of today") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetRecommentStockList(s("2"), s("0"), s("100"), n, nullptr, o);
    }) << 90016 << QStringList { s("recomtype"), s("pageindex"), s("pagesize") };
    QTest::newRow("delete recommendation") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.DelRecommentStock(s("600000"), s("1"), s("2024-03-01"), nullptr, o);
    }) << 90018 << QStringList { s("stockcode"), s("recomtype"), s("recomdate") };
    QTest::newRow("send forecast") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.SendStockTrend(s("600519"), s("-1"), nullptr, o);
    }) << 90030 << QStringList { s("stockcode"), s("trend") };
    QTest::newRow("trend summary") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetStockTrend(s("600000"), s("2024-03-01"), nullptr, o);
    }) << 90031 << QStringList { s("stockcode"), s("curdate") };
    QTest::newRow("trend summary of today")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockTrend(s("600000"), n, nullptr, o); })
        << 90031 << QStringList { s("stockcode") };
    QTest::newRow("forecast list") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetStockTrendList(s("600000"), s("0"), s("20"), nullptr, o);
    }) << 90032 << QStringList { s("stockcode"), s("pageindex"), s("pagesize") };
    QTest::newRow("app settings") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetAppSetting(nullptr, o);
    }) << 93001 << QStringList {};
    QTest::newRow("message count") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetNewMsgCount(kGuest, nullptr, o);
    }) << 95001 << QStringList { s("uid") };
    QTest::newRow("index quote") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetStockIDXNow(s("888888.idx"), nullptr, o);
    }) << 99001 << QStringList { s("code") };
    QTest::newRow("index day bars") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetDayKStockIdx(s("岚石通指"), s("888888.idx"), s("0"), s("1000"), nullptr, o);
    }) << 99003 << QStringList { s("stockname"), s("code"), s("pageindex"), s("pagesize") };
    QTest::newRow("index days") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetStockIDXDay(s("000001.idx"), s("0"), s("88"), nullptr, o);
    }) << 99006 << QStringList { s("code"), s("pageindex"), s("pagesize") };
}

void tst_QuilorSDK::operation_sendsItsApiAndOnlyPresentKeys()
{
    QFETCH(Call, call);
    QFETCH(int, api);
    QFETCH(QStringList, keys);

    const QString device = m_sdk->iUser()->deviceid;
    QVERIFY(!device.isEmpty());
    RecordingObserver observer;
    QVERIFY(call(*m_sdk, &observer));
    QVERIFY(observer.waitForAnswers());

    const QVariantMap body = lastBody(service());
    QCOMPARE(body.value(QStringLiteral("api")).toString(), QString::number(api));
    QStringList expected = keys + kCommonKeys;
    expected.sort();
    QCOMPARE(body.keys(), expected);
    QCOMPARE(body.value(QStringLiteral("devicetype")).toString(), QStringLiteral("2001"));
    QCOMPARE(body.value(QStringLiteral("qvmid")).toString(), kGuest);
    QCOMPARE(body.value(QStringLiteral("deviceid")).toString(), device);
    // Every answer carries the API id it was asked under.
    if (!observer.events.isEmpty())
        QCOMPARE(observer.events.first().api, api);
    else
        QCOMPARE(observer.resultApis.first(), api);
}

void tst_QuilorSDK::operation_withoutRequiredCodeOrId_answersNoAndSendsNothing_data()
{
    QTest::addColumn<Call>("call");
    const QString n;
    const QString e = QStringLiteral("");
    const auto s = [](const char* t) { return QString::fromUtf8(t); };
    QTest::newRow("login without name") << Call(
        [=](QuilorSDK& c, MHTTPObserver* o) { return c.DoLogin(n, s("x"), s("d"), true, nullptr, o); });
    QTest::newRow("group stocks without group") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetAGroupOfStocks(n, s("0"), s("1000"), nullptr, o);
    });
    QTest::newRow("stock days without code") << Call(
        [=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockDay(n, s("0"), s("40"), nullptr, o); });
    QTest::newRow("groups without uid")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.getStockGroup(e, nullptr, o); });
    QTest::newRow("delete group without id")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.delStockGroup(n, nullptr, o); });
    QTest::newRow("add stock without code") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockToGroup(n, s("x"), s("0"), s("1"), s("0"), s("0"), s("0"), nullptr, o);
    });
    QTest::newRow("add stock without group") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.addStockToGroup(s("600000"), s("x"), s("0"), n, s("0"), s("0"), s("0"), nullptr, o);
    });
    QTest::newRow("remove stock without group") << Call(
        [=](QuilorSDK& c, MHTTPObserver* o) { return c.delStockFromGroup(s("600000"), n, nullptr, o); });
    QTest::newRow("move without target") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.moveOrCopyStockToGroup(s("600000"), s("1"), n, s("0"), nullptr, o);
    });
    QTest::newRow("delete recommendation without code") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.DelRecommentStock(n, s("1"), s("2024-03-01"), nullptr, o);
    });
    QTest::newRow("trend without code")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockTrend(n, n, nullptr, o); });
    QTest::newRow("index bars without code") << Call([=](QuilorSDK& c, MHTTPObserver* o) {
        return c.GetDayKStockIdx(s("岚石通指"), n, s("0"), s("1000"), nullptr, o);
    });
    QTest::newRow("index days without code") << Call(
        [=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockIDXDay(e, s("0"), s("88"), nullptr, o); });
    QTest::newRow("index quote without code")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockIDXNow(n, nullptr, o); });
    QTest::newRow("forecast without trend")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.SendStockTrend(s("600000"), n, nullptr, o); });
    QTest::newRow("forecast list without code") << Call(
        [=](QuilorSDK& c, MHTTPObserver* o) { return c.GetStockTrendList(n, s("0"), s("20"), nullptr, o); });
    QTest::newRow("message count without uid")
        << Call([=](QuilorSDK& c, MHTTPObserver* o) { return c.GetNewMsgCount(n, nullptr, o); });
}

void tst_QuilorSDK::operation_withoutRequiredCodeOrId_answersNoAndSendsNothing()
{
    QFETCH(Call, call);
    RecordingObserver observer;
    QVERIFY(!call(*m_sdk, &observer));
    // A follow-up request proves the line is idle: only it reaches the server.
    RecordingObserver probe;
    QVERIFY(m_sdk->GetAppSetting(nullptr, &probe));
    QVERIFY(probe.waitForAnswers());
    QCOMPARE(service().receivedBodies().size(), 1);
    QCOMPARE(lastBody(service()).value(QStringLiteral("api")).toString(), QStringLiteral("93001"));
    QCOMPARE(observer.answers(), 0);
}

void tst_QuilorSDK::reply_arrivesOnMainThreadWithApi()
{
    RecordingObserver observer;
    QVERIFY(m_sdk->GetAppSetting(nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QVERIFY(!observer.offMainThread);
    QCOMPARE(observer.resultApis, QList<int> { backend::kApiAppSetting });
    const QVariantMap settings = observer.results.first().toMap();
    QVERIFY(settings.contains(QStringLiteral("vipmacopen")));
    QVERIFY(!settings.value(QStringLiteral("User-Agent")).toString().isEmpty());
}

void tst_QuilorSDK::reply_fromBackgroundCaller_stillArrivesOnMainThread()
{
    RecordingObserver observer;
    bool started = false;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        started = m_sdk->SearchStockByKey(
            QStringLiteral("PFYH"), QStringLiteral("0"), QStringLiteral("20"), nullptr, &observer);
    }));
    thread->start();
    QVERIFY(thread->wait(5000));
    QVERIFY(started);
    QVERIFY(observer.waitForAnswers());
    QVERIFY(!observer.offMainThread);
    const QVariantList hits = observer.results.value(0).toList();
    QVERIFY(!hits.isEmpty());
    QCOMPARE(hits.first().toMap().value(QStringLiteral("code")).toString(), QStringLiteral("600000"));
}

void tst_QuilorSDK::failure_refusedConnection_is1313()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close(); // nobody listens there now

    QuilorSDK client(QStringLiteral("http://127.0.0.1:%1").arg(port), QStringLiteral("2001"), kGuest);
    RecordingObserver observer;
    QVERIFY(client.GetStockDay(
        QStringLiteral("600000"), QStringLiteral("0"), QStringLiteral("40"), nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.events.size(), 1);
    QCOMPARE(observer.events.first().code, backend::kCodeConnectionFailed);
    QCOMPARE(observer.events.first().api, int(backend::kApiStockDay));
}

void tst_QuilorSDK::failure_unansweredRequest_timesOut_is1313_data()
{
    QTest::addColumn<bool>("trickling");
    QTest::newRow("silent") << false;
    QTest::newRow("a reply that never ends, a byte at a time") << true;
}

void tst_QuilorSDK::failure_unansweredRequest_timesOut_is1313()
{
    QFETCH(bool, trickling);
    if (!trickling)
        m_standIn->server().failPath(QStringLiteral("/user"), -1, 1);
    testsupport::TricklingServer trickle;
    QuilorSDK trickled(trickle.baseUrl(), QStringLiteral("2001"), kGuest);
    QuilorSDK* client = trickling ? &trickled : m_sdk.get();
    client->iHttpSession()->setTimeoutMs(trickling ? 1000 : 300);
    RecordingObserver observer;
    QVERIFY(client->GetAppSetting(nullptr, &observer));
    QVERIFY(observer.waitForAnswers(1, 30000));
    QCOMPARE(observer.events.value(0).code, backend::kCodeConnectionFailed);
}

void tst_QuilorSDK::failure_connectionDroppedMidReply_is1313()
{
    // A reply cut off after its status line is a failed connection, not a
    // reply that failed its check.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 400\r\n"
                          "md5: 00\r\n\r\n{\"code\": \"0\", ");
            socket->flush();
            socket->disconnectFromHost();
        });
    });
    QuilorSDK client(
        QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort()), QStringLiteral("2001"), kGuest);
    RecordingObserver observer;
    QVERIFY(client.GetAppSetting(nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.events.size(), 1);
    QCOMPARE(observer.events.first().code, backend::kCodeConnectionFailed);
    QCOMPARE(observer.events.first().api, int(backend::kApiAppSetting));
}

void tst_QuilorSDK::failure_http500_isStatus()
{
    m_standIn->server().failPath(QStringLiteral("/user"), 500, 1);
    RecordingObserver observer;
    QVERIFY(m_sdk->getStockGroup(kGuest, nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.events.size(), 1);
    QCOMPARE(observer.events.first().code, 500);
    QCOMPARE(observer.events.first().api, int(backend::kApiGetGroups));

    // The switch was for one request only.
    RecordingObserver next;
    QVERIFY(m_sdk->getStockGroup(kGuest, nullptr, &next));
    QVERIFY(next.waitForAnswers());
    QCOMPARE(next.results.size(), 1);
}

void tst_QuilorSDK::failure_serverCode_isPassedThroughWithText()
{
    // A real refusal: the guest already has "自选股".
    RecordingObserver observer;
    QVERIFY(m_sdk->addStockGroup(
        QString::fromUtf8("自选股"), QStringLiteral("0"), QString(), nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.events.size(), 1);
    QCOMPARE(observer.events.first().code, -1051);
    QVERIFY(!observer.events.first().text.isEmpty());

    // And one asked for through the test switch.
    service().failApi(backend::kApiStockTrend, -1013, 1);
    RecordingObserver trend;
    QVERIFY(m_sdk->GetStockTrend(QStringLiteral("600000"), QString(), nullptr, &trend));
    QVERIFY(trend.waitForAnswers());
    QCOMPARE(trend.events.value(0).code, -1013);
    QCOMPARE(trend.events.value(0).api, int(backend::kApiStockTrend));
}

void tst_QuilorSDK::reply_failingItsCheck_is9999_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("digest"); // null: no header; "ok": the right one
    QTest::addColumn<int>("api");
    QTest::addColumn<Call>("call");
    const int settings = backend::kApiAppSetting;
    const Call getSettings = [](QuilorSDK& c, MHTTPObserver* o) { return c.GetAppSetting(nullptr, o); };
    QTest::newRow("tampered digest") << QByteArray(R"({"code":"0","data":[]})")
                                     << QByteArray("0123456789abcdef0123456789abcdef") << settings
                                     << getSettings;
    QTest::newRow("no digest") << QByteArray(R"({"code":"0","data":[]})") << QByteArray() << settings
                               << getSettings;
    QTest::newRow("not JSON") << QByteArray("<html>gateway</html>") << QByteArray("ok") << settings
                              << getSettings;
    QTest::newRow("truncated JSON") << QByteArray(R"({"code":"0","data":[)") << QByteArray("ok") << settings
                                    << getSettings;
    QTest::newRow("bare string") << QByteArray(R"("hello")") << QByteArray("ok") << settings << getSettings;
    QTest::newRow("code not a number")
        << QByteArray(R"({"code":"oops"})") << QByteArray("ok") << settings << getSettings;
    // A polled reply of one record is held to a few fields' size.
    const QByteArray padded = R"({"code":"0","stockname":")" + QByteArray(100 * 1024, 'x') + R"("})";
    QTest::newRow("index quote of 100 KiB") << padded << QByteArray("ok") << int(backend::kApiIndexQuote)
                                            << Call([](QuilorSDK& c, MHTTPObserver* o) {
                                                   return c.GetStockIDXNow(u"888888.idx"_qs, nullptr, o);
                                               });
    // A long list is checked on a worker, as strictly.
    QTest::newRow("long list, tampered digest")
        << QByteArray(R"({"code":"0","data":[")" + QByteArray(400 * 1024, 'x') + R"("]})")
        << QByteArray("0123456789abcdef0123456789abcdef") << int(backend::kApiGroupStocks)
        << Call([](QuilorSDK& c, MHTTPObserver* o) {
               return c.GetAGroupOfStocks(u"1"_qs, u"0"_qs, u"1000"_qs, nullptr, o);
           });
}

void tst_QuilorSDK::reply_failingItsCheck_is9999()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, digest);
    QFETCH(int, api);
    QFETCH(Call, call);
    OddServer server;
    server.body = body;
    server.digest = digest == "ok" ? backend::bodyDigest(body) : digest;

    QuilorSDK client(server.baseUrl(), QStringLiteral("2001"), kGuest);
    RecordingObserver observer;
    QVERIFY(call(client, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.results.size(), 0);
    QCOMPARE(observer.events.value(0).code, backend::kCodeBadReply);
    QCOMPARE(observer.events.value(0).api, api);
}

void tst_QuilorSDK::reply_jsonNull_becomesEmptyString()
{
    OddServer server;
    server.body = R"({"code":"0","data":null,"list":[null,{"x":null}]})";
    server.digest = backend::bodyDigest(server.body);
    QuilorSDK client(server.baseUrl(), QStringLiteral("2001"), kGuest);
    RecordingObserver observer;
    QVERIFY(client.GetAppSetting(nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    const QVariantMap reply = observer.results.value(0).toMap();
    QCOMPARE(reply.value(QStringLiteral("data")).typeId(), int(QMetaType::QString));
    QCOMPARE(reply.value(QStringLiteral("data")).toString(), QString());
    const QVariantList list = reply.value(QStringLiteral("list")).toList();
    QCOMPARE(list.value(0).toString(), QString());
    QCOMPARE(list.value(1).toMap().value(QStringLiteral("x")).typeId(), int(QMetaType::QString));
}

void tst_QuilorSDK::observer_destroyedBeforeReply_isNeverCalled()
{
    RecordingObserver::totalCalls = 0;
    auto* doomed = new RecordingObserver;
    QVERIFY(m_sdk->GetStockDay(
        QStringLiteral("600000"), QStringLiteral("0"), QStringLiteral("40"), nullptr, doomed));
    QVERIFY(m_sdk->GetAppSetting(nullptr, doomed));
    delete doomed; // the window closed while its requests were in flight

    QVERIFY(QTest::qWaitFor([&] { return m_sdk->iHttpSession()->requestsInFlight() == 0; }, 5000));
    QCOMPARE(service().receivedBodies().size(), 2);
    QCOMPARE(RecordingObserver::totalCalls, 0);
}

void tst_QuilorSDK::client_destroyedWithRequestInFlight_callsNobody()
{
    RecordingObserver::totalCalls = 0;
    RecordingObserver observer;
    m_standIn->server().clearRequestLog();
    m_standIn->server().failPath(QStringLiteral("/user"), -1, 1);
    QVERIFY(m_sdk->GetAppSetting(nullptr, &observer));
    QVERIFY(QTest::qWaitFor(
        [&] {
            return m_standIn->server().requestLog().join(QLatin1Char(' ')).contains(QStringLiteral("/user"));
        },
        5000));
    m_sdk.reset();
    QTest::qWait(100);
    QCOMPARE(RecordingObserver::totalCalls, 0);
}

void tst_QuilorSDK::login_fillsSavesAndRestoresTheUser()
{
    RecordingObserver observer;
    QVERIFY(m_sdk->DoLogin(
        QStringLiteral("demo"), hashOf("demo1234"), m_sdk->iUser()->deviceid, true, nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.results.size(), 1);
    const QVariantMap userDict = observer.results.first().toMap();
    QCOMPARE(userDict.value(QStringLiteral("qvmid")).toString(), QStringLiteral("400031001"));

    User* user = m_sdk->iUser();
    QVERIFY(user->isLogin);
    QCOMPARE(user->qvmid, QStringLiteral("400031001"));
    QCOMPARE(user->username, QStringLiteral("demo"));
    QCOMPARE(user->password, hashOf("demo1234"));
    QCOMPARE(user->power, QStringLiteral("4002"));
    QVERIFY(QFile::exists(User::filePathFor(QStringLiteral("demo"))));
    QCOMPARE(User::lastLoginName(), QStringLiteral("demo"));

    // The next request speaks for the user.
    RecordingObserver next;
    QVERIFY(m_sdk->GetAppSetting(nullptr, &next));
    QVERIFY(next.waitForAnswers());
    QCOMPARE(lastBody(service()).value(QStringLiteral("qvmid")).toString(), QStringLiteral("400031001"));

    // A restart finds the same user from the last login name.
    const QString device = user->deviceid;
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QuilorSDK restarted(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(restarted.iUser()->username, QStringLiteral("demo"));
    QCOMPARE(restarted.iUser()->qvmid, QStringLiteral("400031001"));
    QCOMPARE(restarted.iUser()->password, hashOf("demo1234"));
    QCOMPARE(restarted.iUser()->deviceid, device);
    QVERIFY(!restarted.iUser()->isLogin);

    User::setLastLoginName(QString());
}

void tst_QuilorSDK::login_wrongPassword_leavesGuest()
{
    RecordingObserver observer;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("wrong"), QString(), true, nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.events.value(0).code, -1003);
    QCOMPARE(m_sdk->iUser()->qvmid, kGuest);
    QVERIFY(!m_sdk->iUser()->isLogin);
}

void tst_QuilorSDK::login_hostileReply_neverCostsTheSavedLogin_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("nickname"); // null: the reply is refused
    QTest::newRow("empty array") << QByteArray("[]") << QString();
    QTest::newRow("dictionary without a user id")
        << QByteArray(R"({"code":"0","nickname":"x"})") << QString();
    QTest::newRow("a flag as the user id")
        << QByteArray(R"({"code":"0","qvmid":true,"username":"demo"})") << QString();
    QTest::newRow("20 MB user") << QByteArray(
                                       R"({"code":"0","qvmid":"400031001","username":"demo","nickname":")")
            + QByteArray(20 * 1024 * 1024, 'x') + QByteArray(R"("})")
                                << QString();
    // Accepted: only the record's own fields are stored, as a readable file.
    QTest::newRow("control characters and an unknown field")
        << QByteArray(
               R"({"code":"0","qvmid":"400031001","username":"demo","nickname":"a\u0001b\u001fc\u0000",)")
            + QByteArray(R"("extra":")") + QByteArray(30000, 'y') + QByteArray(R"("})")
        << QStringLiteral("abc");
}

void tst_QuilorSDK::login_hostileReply_neverCostsTheSavedLogin()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, nickname);
    RecordingObserver first;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &first));
    QVERIFY(first.waitForAnswers());
    QCOMPARE(first.results.size(), 1);
    const QString savedNickname = m_sdk->iUser()->nickname;
    const QString path = User::filePathFor(QStringLiteral("demo"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray savedFile = file.readAll();
    file.close();

    service().answerApi(10000, reply);
    RecordingObserver observer;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &observer));
    QVERIFY(observer.waitForAnswers(1, 20000));
    if (nickname.isNull()) {
        QCOMPARE(observer.events.size(), 1);
        QCOMPARE(observer.events.first().code, backend::kCodeBadReply);
        QCOMPARE(m_sdk->iUser()->nickname, savedNickname);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), savedFile);
        file.close();
    } else {
        QCOMPARE(observer.results.size(), 1);
        QVERIFY(QFileInfo(path).size() < 4096);
    }

    // The next start still finds the saved login.
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QuilorSDK restarted(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(restarted.iUser()->username, QStringLiteral("demo"));
    QCOMPARE(restarted.iUser()->qvmid, QStringLiteral("400031001"));
    QCOMPARE(restarted.iUser()->password, hashOf("demo1234"));
    QCOMPARE(restarted.iUser()->nickname, nickname.isNull() ? savedNickname : nickname);
    QVERIFY(!restarted.iUser()->userDict.contains(QStringLiteral("extra")));
    User::setLastLoginName(QString());
}

// What a reply leaves out is not kept from the login before it, in memory,
// in the file or after a restart, and another user's login never lands in
// the first user's file.
void tst_QuilorSDK::login_replyIsTheWholeRecord_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("qvmid");
    QTest::newRow("the member's reply without power")
        << QStringLiteral("demo") << QByteArray(R"({"code":"0","qvmid":"400031001","username":"demo"})")
        << QStringLiteral("400031001");
    QTest::newRow("another user's reply without a name, id as a number") << QStringLiteral(
        "putong") << QByteArray(R"({"code":"0","qvmid":400031002})") << QStringLiteral("400031002");
}

void tst_QuilorSDK::login_replyIsTheWholeRecord()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, reply);
    QFETCH(QString, qvmid);
    RecordingObserver member;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &member));
    QVERIFY(member.waitForAnswers());
    QCOMPARE(m_sdk->iUser()->power, QStringLiteral("4002"));

    service().answerApi(10000, reply);
    RecordingObserver observer;
    QVERIFY(m_sdk->DoLogin(name, hashOf("secret"), QString(), true, nullptr, &observer));
    QVERIFY(observer.waitForAnswers());
    QCOMPARE(observer.results.size(), 1);
    const User live = *m_sdk->iUser();
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QuilorSDK restarted(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    for (const User* user : { &live, static_cast<const User*>(restarted.iUser()) }) {
        QCOMPARE(user->username, name);
        QCOMPARE(user->qvmid, qvmid);
        QCOMPARE(user->password, hashOf("secret"));
        QVERIFY(user->power.isEmpty());
        QVERIFY(user->nickname.isEmpty());
        QVERIFY(user->vipendtime.isEmpty());
    }
    User demo;
    QVERIFY(demo.Load(QStringLiteral("demo")));
    QCOMPARE(demo.qvmid, QStringLiteral("400031001"));
    User::setLastLoginName(QString());
}

void tst_QuilorSDK::login_thatCannotBeSaved_isReportedAndNotRestored()
{
    RecordingObserver saved;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &saved));
    QVERIFY(saved.waitForAnswers());
    QCOMPARE(User::lastLoginName(), QStringLiteral("demo"));

    // A folder where the user's file belongs: the next save of that login fails.
    const QString path = User::filePathFor(QStringLiteral("demo"));
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkpath(path));
    QSignalSpy notSaved(m_sdk.get(), &QuilorSDK::loginNotSaved);
    RecordingObserver again;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &again));
    QVERIFY(again.waitForAnswers());
    QCOMPARE(notSaved.size(), 1);
    QVERIFY(!notSaved.first().at(1).toString().isEmpty());
    QVERIFY(User::lastLoginName().isEmpty());
    // Logged in for this run, a guest at the next start.
    QVERIFY(m_sdk->iUser()->isLogin);
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QuilorSDK restarted(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(restarted.iUser()->qvmid, kGuest);
    QVERIFY(QDir(path).removeRecursively());
}

// A's login reply that lands after B logged in, or after a log-out, changes
// nothing: not the record, not the files, not the next start.
void tst_QuilorSDK::login_onlyTheNewestCounts_data()
{
    QTest::addColumn<bool>("logOut");
    QTest::newRow("another user logged in meanwhile") << false;
    QTest::newRow("logged out meanwhile") << true;
}

void tst_QuilorSDK::login_onlyTheNewestCounts()
{
    QFETCH(bool, logOut);
    RecordingObserver first;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &first));
    QVERIFY(first.waitForAnswers());

    m_standIn->server().holdApi(10000);
    RecordingObserver late;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &late));
    QTRY_COMPARE(m_standIn->server().heldCount(), 1);
    RecordingObserver other;
    if (logOut) {
        m_sdk->logout();
    } else {
        QVERIFY(
            m_sdk->DoLogin(QStringLiteral("putong"), hashOf("putong1234"), QString(), true, nullptr, &other));
        QVERIFY(other.waitForAnswers());
    }
    m_standIn->server().releaseHeld();
    QTRY_COMPARE(m_sdk->iHttpSession()->requestsInFlight(), 0);
    QCOMPARE(late.answers(), 0);

    const QString expected = logOut ? QString() : QStringLiteral("putong");
    QCOMPARE(m_sdk->iUser()->username, expected);
    QCOMPARE(m_sdk->iUser()->qvmid, logOut ? kGuest : QStringLiteral("400031002"));
    User demo;
    QVERIFY(demo.Load(QStringLiteral("demo")));
    QCOMPARE(demo.password.isEmpty(), logOut);
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QuilorSDK restarted(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(restarted.iUser()->username, expected);
    User::setLastLoginName(QString());
}

// The silent login again of the user logged in keeps the saved login as
// another copy of the application on the same folder left it meanwhile.
void tst_QuilorSDK::relogin_keepsWhatAnotherCopySaved_data()
{
    QTest::addColumn<bool>("logOut");
    QTest::newRow("the other copy logged in putong") << false;
    QTest::newRow("the other copy logged out") << true;
}

void tst_QuilorSDK::relogin_keepsWhatAnotherCopySaved()
{
    QFETCH(bool, logOut);
    RecordingObserver first;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &first));
    QVERIFY(first.waitForAnswers());
    platform::UserDefaults otherCopy(platform::UserDefaults::standardUserDefaults()->filePath());
    if (logOut)
        otherCopy.removeObjectForKey(User::lastLoginNameKey());
    else
        otherCopy.setObject(QStringLiteral("putong"), User::lastLoginNameKey());

    RecordingObserver again;
    QVERIFY(m_sdk->DoLogin(QStringLiteral("demo"), hashOf("demo1234"), QString(), true, nullptr, &again));
    QVERIFY(again.waitForAnswers());
    QCOMPARE(m_sdk->iUser()->username, QStringLiteral("demo"));
    m_sdk.reset();
    platform::UserDefaults::resetStandardUserDefaults();
    QCOMPARE(User::lastLoginName(), logOut ? QString() : QStringLiteral("putong"));
    User::setLastLoginName(QString());
}

void tst_QuilorSDK::construction_userAgentAndModels()
{
    // No market library here: no factory, so no models, and no crash.
    QVERIFY(!m_sdk->iStocks());
    QVERIFY(!m_sdk->iMyStockGroup());
    QVERIFY(m_sdk->iHttpSession());
    QCOMPARE(m_sdk->User_Agent(), platform::defaultUserAgent());
    QCOMPARE(m_sdk->screenHeight(), 0); // a core application has no screen
    m_sdk->setUser_Agent(QStringLiteral("Agent/1"));
    QCOMPARE(m_sdk->User_Agent(), QStringLiteral("Agent/1"));

    QuilorSDK::setScreenHeightSource([] { return 877; });
    QuilorSDK other(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(other.screenHeight(), 877);
    QuilorSDK::setScreenHeightSource({});

    platform::UserDefaults::standardUserDefaults()->setObject(
        QVariantMap { { QStringLiteral("User-Agent"), QStringLiteral("Saved/2") } },
        QStringLiteral("appSettingDict"));
    QuilorSDK saved(m_standIn->baseUrl(), QStringLiteral("2001"), kGuest);
    QCOMPARE(saved.User_Agent(), QStringLiteral("Saved/2"));
    platform::UserDefaults::standardUserDefaults()->removeObjectForKey(QStringLiteral("appSettingDict"));
}

QTEST_GUILESS_MAIN(tst_QuilorSDK)
#include "tst_QuilorSDK.moc"
