#pragma once

#include "platform/Callback.h"
#include "platform/widgets/ViewController.h"

#include <QPointer>
#include <QRect>
#include <QVariantMap>
#include <QWidget>

#include <functional>

// What every chart view offers its hosting window. A chart is made with
// its frame, the stock dictionary (copied into selfDict; "stockcode" decides
// the feed), its father (the delegate, a view controller) and the father's
// callback, which gets a copy of selfDict with "event" = "DoubleClick".
class StockChartView : public QWidget {
    Q_OBJECT
public:
    StockChartView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
                   std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);
    ~StockChartView() override;

    QVariantMap selfDict;

    // YES ends each self-re-arming refresh chain of the view at its next step.
    virtual void setIsSelfHiden(bool hidden) { m_isSelfHiden = hidden; }
    bool isSelfHiden() const { return m_isSelfHiden; }

    platform::ViewController* father() const { return m_father; }

protected:
    // Sends a copy of selfDict with "event" = "DoubleClick" to the callback.
    void sendDoubleClick();
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    platform::CellEventCallBack m_callBack;
    QPointer<platform::ViewController> m_father;
    bool m_isSelfHiden = false;
};
