#include "TestSupport.h"
#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"

#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

using namespace platform;

namespace {
NotificationCenter* center()
{
    return NotificationCenter::defaultCenter();
}
} // namespace

class tst_NotificationCenter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void postOnMain_callsObserversBeforeReturning();
    void postFromWorker_reachesObserverOnMainThread();
    void sharedRecord_arrivesByIdentity();
    void removedObserver_neverCalled();
    void removeForOneName_keepsTheOthers();
    void destroyedObserver_neverCalled();
    void observerDestroyedWhileQueued_neverCalled();
    void observerRemovingAnother_duringDelivery();
    void observerAddedDuringDelivery_waitsForNextPost();
    void waitForNotification_filters();
};

void tst_NotificationCenter::cleanup()
{
    QCOMPARE(center()->observerCount(QStringLiteral("T")), 0);
}

void tst_NotificationCenter::postOnMain_callsObserversBeforeReturning()
{
    QObject observer;
    QStringList seen;
    center()->addObserver(&observer, QStringLiteral("T"), [&](const Notification& n) {
        seen << n.name + QLatin1Char(':') + n.object.toMap().value(QStringLiteral("stockcode")).toString();
    });
    center()->addObserver(
        &observer, QStringLiteral("Other"), [&](const Notification&) { seen << QStringLiteral("x"); });
    center()->postNotificationName(
        QStringLiteral("T"), QVariantMap { { QStringLiteral("stockcode"), QStringLiteral("600000") } });
    QCOMPARE(seen, QStringList { QStringLiteral("T:600000") });
    center()->removeObserver(&observer);
}

void tst_NotificationCenter::postFromWorker_reachesObserverOnMainThread()
{
    QObject observer;
    std::atomic<int> calls { 0 };
    std::atomic<bool> allOnMain { true };
    center()->addObserver(&observer, QStringLiteral("T"), [&](const Notification&) {
        if (!isMainThread())
            allOnMain = false;
        ++calls;
    });
    for (int i = 0; i < 3; ++i)
        runInBackground([] { center()->postNotificationName(QStringLiteral("T")); });
    QTRY_COMPARE_WITH_TIMEOUT(calls.load(), 3, 5000);
    QVERIFY(allOnMain.load());
    center()->removeObserver(&observer);
}

void tst_NotificationCenter::sharedRecord_arrivesByIdentity()
{
    QObject observer;
    const SharedDict record = makeSharedDict({ { QStringLiteral("stockcode"), QStringLiteral("000001") } });
    SharedDict received;
    center()->addObserver(&observer, QStringLiteral("T"),
        [&](const Notification& n) { received = sharedDictFromVariant(n.object); });
    center()->postNotificationName(QStringLiteral("T"), QVariant::fromValue(record));
    QCOMPARE(received.get(), record.get());
    QCOMPARE(dictFromVariant(QVariant::fromValue(record)).value(QStringLiteral("stockcode")).toString(),
        QStringLiteral("000001"));
    center()->removeObserver(&observer);
}

void tst_NotificationCenter::removedObserver_neverCalled()
{
    QObject observer;
    int calls = 0;
    center()->addObserver(&observer, QStringLiteral("T"), [&](const Notification&) { ++calls; });
    // Queued from a worker, then removed before the main loop delivers it.
    // Waiting without running the loop keeps the delivery queued.
    QSemaphore posted;
    runInBackground([&] {
        center()->postNotificationName(QStringLiteral("T"));
        posted.release();
    });
    QVERIFY(posted.tryAcquire(1, 5000));
    center()->removeObserver(&observer);
    QTest::qWait(30);
    center()->postNotificationName(QStringLiteral("T"));
    QCOMPARE(calls, 0);
}

void tst_NotificationCenter::removeForOneName_keepsTheOthers()
{
    QObject observer;
    QStringList seen;
    center()->addObserver(
        &observer, QStringLiteral("T"), [&](const Notification&) { seen << QStringLiteral("T"); });
    center()->addObserver(
        &observer, QStringLiteral("U"), [&](const Notification&) { seen << QStringLiteral("U"); });
    center()->removeObserver(&observer, QStringLiteral("T"));
    center()->postNotificationName(QStringLiteral("T"));
    center()->postNotificationName(QStringLiteral("U"));
    QCOMPARE(seen, QStringList { QStringLiteral("U") });
    center()->removeObserver(&observer);
    QCOMPARE(center()->observerCount(QStringLiteral("U")), 0);
}

void tst_NotificationCenter::destroyedObserver_neverCalled()
{
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    center()->addObserver(observer.get(), QStringLiteral("T"), [&](const Notification&) { ++calls; });
    QCOMPARE(center()->observerCount(QStringLiteral("T")), 1);
    observer.reset();
    QCOMPARE(center()->observerCount(QStringLiteral("T")), 0);
    center()->postNotificationName(QStringLiteral("T"));
    QCOMPARE(calls, 0);
}

void tst_NotificationCenter::observerDestroyedWhileQueued_neverCalled()
{
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    center()->addObserver(observer.get(), QStringLiteral("T"), [&](const Notification&) { ++calls; });
    QSemaphore posted;
    runInBackground([&] {
        center()->postNotificationName(QStringLiteral("T"));
        posted.release();
    });
    QVERIFY(posted.tryAcquire(1, 5000));
    observer.reset();
    QTest::qWait(30);
    QCOMPARE(calls, 0);
}

void tst_NotificationCenter::observerRemovingAnother_duringDelivery()
{
    QObject first, second;
    QStringList seen;
    center()->addObserver(&first, QStringLiteral("T"), [&](const Notification&) {
        seen << QStringLiteral("first");
        center()->removeObserver(&second);
    });
    center()->addObserver(
        &second, QStringLiteral("T"), [&](const Notification&) { seen << QStringLiteral("second"); });
    center()->postNotificationName(QStringLiteral("T"));
    QCOMPARE(seen, QStringList { QStringLiteral("first") });
    center()->removeObserver(&first);
}

void tst_NotificationCenter::observerAddedDuringDelivery_waitsForNextPost()
{
    QObject first, late;
    int lateCalls = 0;
    center()->addObserver(&first, QStringLiteral("T"), [&](const Notification&) {
        center()->addObserver(&late, QStringLiteral("T"), [&](const Notification&) { ++lateCalls; });
        // An observer removing itself while being called.
        center()->removeObserver(&first);
    });
    center()->postNotificationName(QStringLiteral("T"));
    QCOMPARE(lateCalls, 0);
    center()->postNotificationName(QStringLiteral("T"));
    QCOMPARE(lateCalls, 1);
    center()->removeObserver(&late);
}

void tst_NotificationCenter::waitForNotification_filters()
{
    QObject context;
    runOnMainAfter(10, &context, [] {
        center()->postNotificationName(
            QStringLiteral("T"), QVariantMap { { QStringLiteral("code"), QStringLiteral("a") } });
    });
    runOnMainAfter(30, &context, [] {
        center()->postNotificationName(
            QStringLiteral("T"), QVariantMap { { QStringLiteral("code"), QStringLiteral("b") } });
    });
    Notification got;
    QVERIFY(testsupport::waitForNotification(QStringLiteral("T"), 5000, &got, [](const Notification& n) {
        return n.object.toMap().value(QStringLiteral("code")) == QStringLiteral("b");
    }));
    QCOMPARE(got.object.toMap().value(QStringLiteral("code")).toString(), QStringLiteral("b"));
    QVERIFY(!testsupport::waitForNotification(QStringLiteral("T"), 50));
}

QTEST_GUILESS_MAIN(tst_NotificationCenter)
#include "tst_NotificationCenter.moc"
