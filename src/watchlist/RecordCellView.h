#pragma once

#include "watchlist/StockTableView.h"

#include <QPointer>
#include <QVariantMap>

#include <functional>

// A row that holds its own copy of a record and reports what happens to it
// (the record with "event" added) to the receiver's handler.
class RecordCellView : public TableCellView {
    Q_OBJECT
public:
    explicit RecordCellView(QWidget* parent = nullptr);

    // The receiver of the row's events and its handler.
    QPointer<QObject> delegateCell;
    std::function<void(const QVariantMap&)> changeCallBack;
    void setDelegateCell(QObject* receiver) { delegateCell = receiver; }
    void setChangeCallBack(std::function<void(const QVariantMap&)> handler)
    {
        changeCallBack = std::move(handler);
    }

    QVariantMap selfDict;

protected:
    // Nothing is sent once the receiver is gone or without a handler.
    void sendEvent(const QString& event) const { sendEvent(event, selfDict); }
    void sendEvent(const QString& event, const QVariantMap& record) const;
};
