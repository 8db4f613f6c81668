#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

using namespace platform;

class tst_MainThread : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void runOnMain_onMain_runsAtOnce();
    void runOnMain_fromWorker_runsOnMainThread();
    void runOnMainAsync_waitsForNextTurn();
    void delayedWork_runsInOrder_data();
    void delayedWork_runsInOrder();
    void delayedWork_askedFromWorker_runsOnMain();
    void contextGone_workNeverRuns();
};

void tst_MainThread::runOnMain_onMain_runsAtOnce()
{
    bool ran = false;
    runOnMain([&] { ran = true; });
    QVERIFY(ran);
    QObject context;
    ran = false;
    runOnMain(&context, [&] { ran = true; });
    QVERIFY(ran);
}

void tst_MainThread::runOnMain_fromWorker_runsOnMainThread()
{
    std::atomic<bool> ranOnMain { false };
    std::atomic<bool> ran { false };
    QObject context;
    QThread* mainThread = QThread::currentThread();
    runInBackground([&] {
        QVERIFY(!isMainThread());
        runOnMain(&context, [&] {
            ranOnMain = QThread::currentThread() == mainThread && isMainThread();
            ran = true;
        });
    });
    QTRY_VERIFY_WITH_TIMEOUT(ran.load(), 5000);
    QVERIFY(ranOnMain.load());
}

void tst_MainThread::runOnMainAsync_waitsForNextTurn()
{
    QObject context;
    bool ran = false;
    runOnMainAsync(&context, [&] { ran = true; });
    QVERIFY(!ran);
    QTRY_VERIFY(ran);
}

void tst_MainThread::delayedWork_runsInOrder_data()
{
    QTest::addColumn<QList<int>>("delays");
    QTest::addColumn<QList<int>>("expectedOrder");
    QTest::newRow("same zero delay keeps asking order")
        << QList<int> { 0, 0, 0, 0 } << QList<int> { 0, 1, 2, 3 };
    QTest::newRow("same short delay keeps asking order")
        << QList<int> { 30, 30, 30, 30, 30 } << QList<int> { 0, 1, 2, 3, 4 };
    QTest::newRow("shorter delay first") << QList<int> { 120, 10, 60 } << QList<int> { 1, 2, 0 };
    QTest::newRow("zero before any delay") << QList<int> { 20, 0 } << QList<int> { 1, 0 };
}

void tst_MainThread::delayedWork_runsInOrder()
{
    QFETCH(QList<int>, delays);
    QFETCH(QList<int>, expectedOrder);
    QObject context;
    QList<int> order;
    for (int i = 0; i < delays.size(); ++i)
        runOnMainAfter(delays.at(i), &context, [&order, i] { order << i; });
    QVERIFY(order.isEmpty()); // never synchronously, even with 0
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), delays.size(), 5000);
    QCOMPARE(order, expectedOrder);
}

void tst_MainThread::delayedWork_askedFromWorker_runsOnMain()
{
    QObject context;
    std::atomic<bool> onMain { false };
    std::atomic<int> runs { 0 };
    runInBackground([&] {
        runOnMainAfter(20, &context, [&] {
            onMain = isMainThread();
            ++runs;
        });
    });
    QTRY_COMPARE_WITH_TIMEOUT(runs.load(), 1, 5000);
    QVERIFY(onMain.load());
}

void tst_MainThread::contextGone_workNeverRuns()
{
    int runs = 0;
    {
        auto context = std::make_unique<QObject>();
        runOnMainAfter(10, context.get(), [&] { ++runs; });
        runOnMainAsync(context.get(), [&] { ++runs; });
    }
    // From a worker, the context dies while the request is queued.
    auto* late = new QObject;
    QSemaphore asked;
    runInBackground([&] {
        runOnMain(late, [&] { ++runs; });
        runOnMainAfter(0, late, [&] { ++runs; });
        asked.release();
    });
    QVERIFY(asked.tryAcquire(1, 5000));
    delete late;
    QTest::qWait(80);
    QCOMPARE(runs, 0);
    runOnMain(nullptr, [&] { ++runs; });
    runOnMainAfter(0, nullptr, [&] { ++runs; });
    QTest::qWait(20);
    QCOMPARE(runs, 0);
}

QTEST_GUILESS_MAIN(tst_MainThread)
#include "tst_MainThread.moc"
