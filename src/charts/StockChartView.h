#pragma once

#include "platform/Callback.h"
#include "platform/widgets/ViewController.h"

#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <optional>

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

    // Follows the pointer over the chart; nullopt takes the crosshair away.
    virtual void setCrosshair(std::optional<QPointF> point) { Q_UNUSED(point); }

protected:
    // Called whenever the chart gets a parent.
    virtual void viewDidMoveToSuperview() { }

    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // Sends a copy of selfDict with "event" = "DoubleClick" to the callback.
    void sendDoubleClick();
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    platform::CellEventCallBack m_callBack;
    QPointer<platform::ViewController> m_father;
    bool m_isSelfHiden = false;
};
