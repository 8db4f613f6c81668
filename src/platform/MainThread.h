#pragma once

#include <QObject>

#include <functional>

namespace platform {

bool isMainThread();

// Runs on the main thread: now when called there, else queued. With a
// context, nothing runs once the context is gone.
void runOnMain(std::function<void()> work);
void runOnMain(QObject* context, std::function<void()> work);

// Queued on the main thread even when called there (the next loop turn).
void runOnMainAsync(QObject* context, std::function<void()> work);

// Runs on the main thread after delayMs; delays of the same length run in
// the order they were asked for. Nothing runs once the context is gone.
void runOnMainAfter(int delayMs, QObject* context, std::function<void()> work);

// Runs on a worker of the global pool.
void runInBackground(std::function<void()> work);

} // namespace platform
