#include "watchlist/RecordCellView.h"

#include "platform/Callback.h"

RecordCellView::RecordCellView(QWidget* parent)
    : TableCellView(parent)
{
}

void RecordCellView::sendEvent(const QString& event, const QVariantMap& record) const
{
    if (!delegateCell || !changeCallBack)
        return;
    QVariantMap dict = record;
    dict.insert(QStringLiteral("event"), event);
    platform::CellEventCallBack(delegateCell, changeCallBack).send(dict);
}
