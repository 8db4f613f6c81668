#pragma once

#include "backend/MHTTPObserver.h"

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QTest>
#include <QThread>
#include <QVariant>

// Records what the client hands an observer, and on which thread.
class RecordingObserver : public MHTTPObserver {
public:
    struct Event {
        int code = 0;
        QString text;
        int api = 0;
    };
    QList<QVariant> results;
    QList<int> resultApis;
    QList<Event> events;
    bool offMainThread = false;
    // Counts every call of any recorder, so a call after destruction shows.
    static inline int totalCalls = 0;

    bool HttpResult(const QVariant& result, int api, bool isCache) override
    {
        Q_UNUSED(isCache);
        note();
        results.append(result);
        resultApis.append(api);
        return true;
    }
    bool HttpEvent(int code, const QString& description, int api) override
    {
        note();
        events.append({ code, description, api });
        return true;
    }
    int answers() const { return int(results.size() + events.size()); }
    bool waitForAnswers(int count = 1, int timeoutMs = 5000)
    {
        return QTest::qWaitFor([&] { return answers() >= count; }, timeoutMs);
    }

private:
    void note()
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            offMainThread = true;
        ++totalCalls;
    }
};
