#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

namespace platform {

bool isMainThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void runOnMain(std::function<void()> work)
{
    if (isMainThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

void runOnMain(QObject* context, std::function<void()> work)
{
    if (!context)
        return;
    if (isMainThread()) {
        work();
        return;
    }
    runOnMainAsync(context, std::move(work));
}

void runOnMainAsync(QObject* context, std::function<void()> work)
{
    if (!context)
        return;
    QPointer<QObject> guard(context);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard, work = std::move(work)]() {
            if (guard)
                work();
        },
        Qt::QueuedConnection);
}

void runOnMainAfter(int delayMs, QObject* context, std::function<void()> work)
{
    if (!context)
        return;
    QPointer<QObject> guard(context);
    auto fire = [guard, work = std::move(work)]() {
        if (guard)
            work();
    };
    if (isMainThread()) {
        QTimer::singleShot(delayMs, context, std::move(fire));
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard, delayMs, fire = std::move(fire)]() mutable {
            if (guard)
                QTimer::singleShot(delayMs, guard.data(), std::move(fire));
        },
        Qt::QueuedConnection);
}

void runInBackground(std::function<void()> work)
{
    QThreadPool::globalInstance()->start(std::move(work));
}

} // namespace platform
