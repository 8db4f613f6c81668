#include "TestSupport.h"

#include "backend/QuilorSDK.h"
#include "market/MyStock.h"
#include "market/MyStockGroup.h"
#include "market/SharedModels.h"
#include "platform/UserDefaults.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QThread>
#include <QtTest>

#include <memory>

namespace {
// Replies of backend operations the test sends itself.
struct Replies : MHTTPObserver {
    int results = 0;
    int events = 0;
    bool HttpResult(const QVariant&, int, bool) override
    {
        ++results;
        return true;
    }
    bool HttpEvent(int, const QString&, int) override
    {
        ++events;
        return true;
    }
};
} // namespace

class MyStockGroupTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void refresh_okFailAndEmpty();
    void refresh_noUserIdFailsWithoutSending();
    void currentGroupAndMembership();
    void recentSearches_keptAcrossRuns();

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<QuilorSDK> m_sdk;
};

void MyStockGroupTest::initTestCase()
{
    market::installSharedModels();
}

void MyStockGroupTest::init()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    m_standIn = std::make_unique<testsupport::StandIn>();
    m_sdk = std::make_unique<QuilorSDK>(
        m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"));
    m_sdk->iUser()->qvmid = QStringLiteral("400030000");
}

void MyStockGroupTest::cleanup()
{
    m_sdk.reset();
    m_standIn.reset();
    m_settings.reset();
}

void MyStockGroupTest::refresh_okFailAndEmpty()
{
    QObject receiver;
    QList<QVariantMap> got;
    bool onMain = true;
    MyStockGroup model(m_sdk.get(), &receiver, [&](const QVariantMap& d) {
        onMain = onMain && QThread::currentThread() == qApp->thread();
        got << d;
    });
    QVERIFY(model.iGroupArray.isEmpty());

    model.refreshData();
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 5000);
    QCOMPARE(got.last().value(QStringLiteral("result")).toString(), QStringLiteral("OK"));
    QCOMPARE(got.last().value(QStringLiteral("des")).toString(), QStringLiteral("Group refresh OK"));
    QVERIFY(!model.iGroupArray.isEmpty());
    const QVariantList groups = model.iGroupArray;

    m_standIn->server().backend().failApi(90010, -1001);
    model.refreshData();
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, 5000);
    QCOMPARE(got.last().value(QStringLiteral("result")).toString(), QStringLiteral("Fail"));
    QCOMPARE(got.last().value(QStringLiteral("des")).toString(), QStringLiteral("Group refresh Fail"));
    QCOMPARE(model.iGroupArray, groups); // a failure keeps what was loaded

    // Remove every group on the server: an empty "data" says nothing.
    Replies replies;
    for (const QVariant& g : groups)
        QVERIFY(m_sdk->delStockGroup(g.toMap().value(QStringLiteral("id")).toString(), nullptr, &replies));
    QTRY_COMPARE_WITH_TIMEOUT(replies.results + replies.events, groups.size(), 5000);
    model.refreshData();
    QTest::qWait(400);
    QCOMPARE(got.size(), 2);
    QCOMPARE(model.iGroupArray, groups);
    QVERIFY(onMain);

    // A receiver that is gone hears nothing.
    auto* gone = new QObject;
    model.setDelegateCell(gone);
    delete gone;
    m_standIn->server().backend().failApi(90010, -1001);
    model.refreshData();
    QTest::qWait(300);
    QCOMPARE(got.size(), 2);
}

void MyStockGroupTest::refresh_noUserIdFailsWithoutSending()
{
    QObject receiver;
    QList<QVariantMap> got;
    MyStockGroup model(m_sdk.get(), &receiver, [&](const QVariantMap& d) { got << d; });
    m_sdk->iUser()->qvmid.clear();
    m_standIn->server().clearRequestLog();
    model.refreshData();
    QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 5000);
    QCOMPARE(got.first().value(QStringLiteral("result")).toString(), QStringLiteral("Fail"));
    QVERIFY(m_standIn->server().requestLog().isEmpty());
}

void MyStockGroupTest::currentGroupAndMembership()
{
    MyStockGroup model(m_sdk.get(), nullptr, {});
    QVERIFY(!model.hasCurGroup());
    QVERIFY(model.GetCurGroupDict().isEmpty());
    model.setIGroupArray({ QVariantMap { { QStringLiteral("id"), QStringLiteral("7") } },
        QVariantMap { { QStringLiteral("id"), QStringLiteral("9") } } });
    QCOMPARE(model.GetCurGroupDict().value(QStringLiteral("id")).toString(), QStringLiteral("7"));
    model.setICurIdx(1);
    QCOMPARE(model.GetCurGroupDict().value(QStringLiteral("id")).toString(), QStringLiteral("9"));
    for (int outside : { 2, -1, 1000 }) {
        model.setICurIdx(outside);
        QVERIFY(!model.hasCurGroup());
        QVERIFY(model.GetCurGroupDict().isEmpty());
    }

    QVERIFY(!model.IsOnThisGroup(QStringLiteral("600000"))); // no member map yet
    model.setIGroupStockDict({ { QStringLiteral("600000"),
        QVariantMap { { QStringLiteral("stockcode"), QStringLiteral("600000") } } } });
    QVERIFY(model.IsOnThisGroup(QStringLiteral("600000")));
    QVERIFY(!model.IsOnThisGroup(QStringLiteral("000001")));
    QVERIFY(!model.IsOnThisGroup(QString()));
}

void MyStockGroupTest::recentSearches_keptAcrossRuns()
{
    {
        MyStock recent(m_sdk.get());
        recent.addRecentSearch(QStringLiteral("浦发"));
        recent.addRecentSearch(QStringLiteral("600000"));
        recent.addRecentSearch(QStringLiteral(" 浦发 "));
        recent.addRecentSearch(QStringLiteral("  "));
        QCOMPARE(recent.recentSearches(), (QStringList { QStringLiteral("浦发"), QStringLiteral("600000") }));
    }
    platform::UserDefaults::standardUserDefaults()->synchronize();
    platform::UserDefaults::resetStandardUserDefaults();
    MyStock again(m_sdk.get());
    QCOMPARE(again.recentSearches(), (QStringList { QStringLiteral("浦发"), QStringLiteral("600000") }));
}

QTEST_MAIN(MyStockGroupTest)
#include "tst_MyStockGroup.moc"
