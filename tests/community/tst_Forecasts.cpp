#include "app/AppDelegate.h"
#include "community/InputStockTrendViewController.h"
#include "community/MsgCenter.h"
#include "community/Registration.h"
#include "community/StockVoteViewController.h"

#include "../watchlist/BackendRelay.h"
#include "TestSupport.h"
#include "backend/HttpSession.h"
#include "backend/QuilorSDK.h"
#include "backend/ReplyObserver.h"
#include "backend/User.h"
#include "market/SharedModels.h"
#include "market/stocks.h"
#include "platform/Json.h"
#include "platform/widgets/ControllerRegistry.h"
#include "standin/BackendService.h"
#include "standin/StandInServer.h"

#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

QList<QVariantMap> requestsOf(standin::StandInServer& server, int api)
{
    QList<QVariantMap> requests;
    for (const QByteArray& body : server.backend().receivedBodies()) {
        const QVariantMap request = platform::parseJson(body).value_or(QVariant()).toMap();
        if (request.value(QStringLiteral("api")).toString().toInt() == api)
            requests << request;
    }
    return requests;
}

} // namespace

class tst_Forecasts : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<testsupport::StandIn> m_standIn;
    std::unique_ptr<AppDelegate> m_delegate;
    int m_trendChanged = 0;

    QuilorSDK* sdk() const { return m_delegate->iQuilorSDK(); }

private Q_SLOTS:
    void initTestCase()
    {
        market::installSharedModels();
        platform::ViewController::setPresentsModally(false);
        community::registerControllers();
    }
    void init()
    {
        m_settings = std::make_unique<testsupport::IsolatedSettings>();
        m_standIn = std::make_unique<testsupport::StandIn>();
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->setIQuilorSDK(new QuilorSDK(
            m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"), m_delegate.get()));
        m_trendChanged = 0;
        platform::NotificationCenter::defaultCenter()->addObserver(
            this, QStringLiteral("TrendChanged"), [this](const platform::Notification& n) {
                QVERIFY(!n.object.isValid());
                ++m_trendChanged;
            });
    }
    void cleanup()
    {
        platform::NotificationCenter::defaultCenter()->removeObserver(this);
        m_delegate.reset();
        m_standIn.reset();
        m_settings.reset();
    }

    void trendDialog_sendsTheChoiceAndAnnouncesIt()
    {
        platform::ViewController presenter;
        auto* dialog = qobject_cast<InputStockTrendViewController*>(
            platform::ControllerRegistry::instantiateController(
                QStringLiteral("InputStockTrendViewController")));
        QVERIFY(dialog);
        QPointer<InputStockTrendViewController> alive(dialog);
        presenter.presentViewControllerAsModalWindow(dialog);
        dialog->InitStockcode(QStringLiteral("600000"));
        QCOMPARE(dialog->stockcode(), QStringLiteral("600000"));
        QVERIFY(requestsOf(m_standIn->server(), 90030).isEmpty()); // storing the code sends nothing

        dialog->setChoice(2);
        QVERIFY(dialog->sendTrend());
        QVERIFY(!dialog->sendTrend()); // a second press while sending is ignored
        QTRY_COMPARE_WITH_TIMEOUT(m_trendChanged, 1, 5000);
        const QList<QVariantMap> sent = requestsOf(m_standIn->server(), 90030);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.first().value(QStringLiteral("stockcode")).toString(), QStringLiteral("600000"));
        QCOMPARE(sent.first().value(QStringLiteral("trend")).toString(), QStringLiteral("-1"));
        QTRY_VERIFY_WITH_TIMEOUT(alive.isNull(), 5000); // the dialog closed itself
    }

    void trendDialog_refusedForecast_showsTheErrorAndStaysOpen()
    {
        testsupport::AlertRecorder alerts;
        InputStockTrendViewController dialog;
        dialog.InitStockcode(QStringLiteral("600519"));
        dialog.setChoice(0);
        QVERIFY(dialog.sendTrend());
        QTRY_COMPARE_WITH_TIMEOUT(m_trendChanged, 1, 5000);
        // The server takes one forecast per stock and day; its refusal is
        // the user's to read, the terminal stays quiet.
        const testsupport::LogCapture log;
        dialog.setChoice(1);
        QVERIFY(dialog.sendTrend());
        QTRY_COMPARE_WITH_TIMEOUT(alerts.alerts.size(), 1, 5000);
        QVERIFY2(log.messages().isEmpty(), qPrintable(log.messages().join(QLatin1Char('\n'))));
        // The server's own words, or without them a sentence saying what happened.
        QCOMPARE(alerts.messages().first(), QStringLiteral("今天已经预测过这只股票"));
        QVERIFY(InputStockTrendViewController::refusalText(-1020, QString()).contains(u"今天已经预测过"));
        QCOMPARE(m_trendChanged, 1);
        QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("sendButton"))->isEnabled());
    }

    void trendDialog_withoutChoice_sendsNothing()
    {
        testsupport::AlertRecorder alerts;
        InputStockTrendViewController dialog;
        dialog.InitStockcode(QStringLiteral("600000"));
        QVERIFY(!dialog.sendTrend());
        QCOMPARE(alerts.alerts.size(), 1);
        QTest::qWait(50);
        QVERIFY(requestsOf(m_standIn->server(), 90030).isEmpty());
    }

    void voteWindow_titlesFromTheStoreAndShowsTheVotes()
    {
        sdk()->iStocks()->AddwillDoRefreshDict({ { QStringLiteral("stockcode"), QStringLiteral("600000") },
            { QStringLiteral("stockname"), QStringLiteral("浦发银行") } });
        InputStockTrendViewController dialog;
        dialog.InitStockcode(QStringLiteral("600000"));
        dialog.setChoice(0);
        QVERIFY(dialog.sendTrend());
        QTRY_COMPARE_WITH_TIMEOUT(m_trendChanged, 1, 5000);

        auto* votes = qobject_cast<StockVoteViewController*>(
            platform::ControllerRegistry::instantiateController(QStringLiteral("StockVoteViewController")));
        QVERIFY(votes);
        std::unique_ptr<StockVoteViewController> owner(votes);
        votes->InitStockByCodeAndCell(QStringLiteral("600000"));
        QCOMPARE(votes->windowTitle(), QStringLiteral("浦发银行"));
        // The summary and the list of the day, newest forecast first.
        QTRY_VERIFY_WITH_TIMEOUT(
            !votes->treadDict().isEmpty() && votes->forecastTable()->rowCount() > 0, 5000);
        const QVariantMap summary = votes->treadDict();
        QCOMPARE(summary.value(QStringLiteral("curuservotecount")).toString(), QStringLiteral("1"));
        const double rise = summary.value(QStringLiteral("risecount")).toDouble();
        const double flat = summary.value(QStringLiteral("flatcount")).toDouble();
        const double fall = summary.value(QStringLiteral("fallcount")).toDouble();
        QVERIFY(rise >= 1);
        QCOMPARE(votes->pieView()->values(), (QList<double> { rise, flat, fall }));
        QCOMPARE(votes->pieView()->legendTexts().first(),
            QString::asprintf("看涨%.1f%%", rise * 100 / (rise + flat + fall)));
        QCOMPARE(votes->forecastTable()->rowCount(), int(qMin(20.0, rise + flat + fall)));
        QCOMPARE(votes->forecastTable()->item(0, 1)->text(), QStringLiteral("看涨"));
        votes->resize(520, 420);
        QVERIFY(!testsupport::renderToPng(votes, QStringLiteral("StockVoteViewController")).isEmpty());

        // A later forecast refreshes the open window.
        const int before = int(requestsOf(m_standIn->server(), 90031).size());
        platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("TrendChanged"));
        QTRY_COMPARE_WITH_TIMEOUT(int(requestsOf(m_standIn->server(), 90031).size()), before + 1, 5000);
    }

    void voteWindow_listBeyondThePage_showsThePage()
    {
        QByteArray list = R"({"code":"0","data":[)";
        for (int i = 0; i < 5000; ++i)
            list += QByteArray(i ? "," : "")
                + R"({"nickname":"n","trend":"1","createtime":"2026-12-07 10:00:00"})";
        m_standIn->server().backend().answerApi(90032, list + "]}");
        StockVoteViewController votes;
        votes.InitStockByCodeAndCell(QStringLiteral("600000"));
        QTRY_VERIFY_WITH_TIMEOUT(votes.forecastTable()->rowCount() > 0, 5000);
        QCOMPARE(votes.forecastTable()->rowCount(), StockVoteViewController::kForecastPage);
    }

    void voteWindow_unknownToTheStore_takesTheSummarysName()
    {
        StockVoteViewController votes;
        votes.InitStockByCodeAndCell(QStringLiteral("000002"));
        QCOMPARE(votes.windowTitle(), QStringLiteral("000002"));
        QTRY_VERIFY_WITH_TIMEOUT(votes.windowTitle() != QStringLiteral("000002"), 5000);
        const StockVoteViewController::Votes counts = StockVoteViewController::votesOf(votes.treadDict());
        QCOMPARE(votes.pieView()->values(), (QList<double> { counts.rise, counts.flat, counts.fall }));
    }

    // A count the server cannot mean is unknown ("--"), not 0 votes.
    void voteCounts_thatAreNoCount_areUnknown()
    {
        const StockVoteViewController::Votes votes
            = StockVoteViewController::votesOf({ { QStringLiteral("risecount"), QStringLiteral("-3") },
                { QStringLiteral("flatcount"), QStringLiteral("2") },
                { QStringLiteral("fallcount"), QStringLiteral("nan") } });
        QVERIFY(std::isnan(votes.rise));
        QCOMPARE(votes.flat, 2.0);
        QVERIFY(std::isnan(votes.fall));
    }

    void voteWindow_answersOlderThanThoseShownAreDropped()
    {
        BackendRelay relay(m_standIn->server().port());
        auto* client = new QuilorSDK(
            relay.url(), QStringLiteral("2001"), QStringLiteral("400030000"), m_delegate.get());
        m_delegate->setIQuilorSDK(client);
        relay.holdAnswersTo(QByteArrayLiteral("\"api\":\"9003"));
        StockVoteViewController votes;
        votes.InitStockByCodeAndCell(QStringLiteral("000002"));
        QTRY_COMPARE(relay.heldCount(), 2);
        // A forecast sent meanwhile, then the window asks again; the newer
        // answers come first.
        QuilorSDK direct(m_standIn->baseUrl(), QStringLiteral("2001"), QStringLiteral("400030000"));
        QPointer<backend::ReplyObserver> sent = new backend::ReplyObserver(this, {}, {});
        QVERIFY(direct.SendStockTrend(QStringLiteral("000002"), QStringLiteral("1"), nullptr, sent));
        QTRY_VERIFY(!sent);
        platform::NotificationCenter::defaultCenter()->postNotificationName(QStringLiteral("TrendChanged"));
        QTRY_COMPARE(relay.heldCount(), 4);
        relay.releaseNewest(2);
        QTRY_COMPARE(
            votes.treadDict().value(QStringLiteral("curuservotecount")).toString(), QStringLiteral("1"));
        QTRY_VERIFY(votes.forecastTable()->rowCount() > 0);
        const int rows = votes.forecastTable()->rowCount();
        relay.release();
        QTRY_VERIFY_WITH_TIMEOUT(client->iHttpSession()->requestsInFlight() == 0, 10000);
        QTest::qWait(100);
        QCOMPARE(votes.treadDict().value(QStringLiteral("curuservotecount")).toString(), QStringLiteral("1"));
        QCOMPARE(votes.forecastTable()->rowCount(), rows);
    }

    void msgCenter_postsWhenThereAreNewMessages()
    {
        User* user = sdk()->iUser();
        user->qvmid = QStringLiteral("400031001");
        int posted = 0;
        QObject receiver;
        platform::NotificationCenter::defaultCenter()->addObserver(&receiver,
            QStringLiteral("haveNewMsgNotification"), [&posted](const platform::Notification&) { ++posted; });
        MsgCenter center(user, sdk());
        center.setIntervalMs(40);
        m_delegate->setIMsgCenter(&center);
        QCOMPARE(m_delegate->iMsgCenter(), &center);
        QTRY_VERIFY_WITH_TIMEOUT(posted >= 2, 5000); // it keeps polling
        QCOMPARE(center.newMsgCount(), 2);
        const QList<QVariantMap> sent = requestsOf(m_standIn->server(), 95001);
        QCOMPARE(sent.first().value(QStringLiteral("uid")).toString(), QStringLiteral("400031001"));

        // Another user logs in while a count of the first is on its way: the
        // first user's messages are nobody's news now.
        center.setIntervalMs(600000);
        QTRY_COMPARE_WITH_TIMEOUT(sdk()->iHttpSession()->requestsInFlight(), 0, 5000);
        m_standIn->server().holdApi(95001);
        QVERIFY(center.poll());
        QTRY_COMPARE(m_standIn->server().heldCount(), 1);
        user->qvmid = QStringLiteral("400031002");
        QCOMPARE(center.newMsgCount(), 0);
        posted = 0;
        m_standIn->server().releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(sdk()->iHttpSession()->requestsInFlight(), 0, 5000);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(posted, 0);
        QCOMPARE(center.newMsgCount(), 0);
    }

    void msgCenter_noMessagesAndFailures_postNothingButKeepPolling()
    {
        m_standIn->server().backend().failApi(95001, -1030, 1);
        int posted = 0;
        QObject receiver;
        platform::NotificationCenter::defaultCenter()->addObserver(&receiver,
            QStringLiteral("haveNewMsgNotification"), [&posted](const platform::Notification&) { ++posted; });
        MsgCenter center(sdk()->iUser(), sdk()); // the guest has no messages
        center.setIntervalMs(30);
        QTRY_VERIFY_WITH_TIMEOUT(requestsOf(m_standIn->server(), 95001).size() >= 3, 5000);
        QCOMPARE(posted, 0);
        QCOMPARE(center.newMsgCount(), 0);
    }
};

QTEST_MAIN(tst_Forecasts)
#include "tst_Forecasts.moc"
