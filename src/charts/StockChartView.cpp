#include "charts/StockChartView.h"

#include <QMouseEvent>

StockChartView::StockChartView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
    std::function<void(const QVariantMap&)> callBack, QWidget* parent)
    : QWidget(parent)
    , selfDict(stock)
    , m_callBack(father, std::move(callBack))
    , m_father(father)
{
    setGeometry(frame);
}

StockChartView::~StockChartView() = default;

void StockChartView::sendDoubleClick()
{
    QVariantMap event = selfDict;
    event.insert(QStringLiteral("event"), QStringLiteral("DoubleClick"));
    m_callBack.send(event);
}

void StockChartView::mouseDoubleClickEvent(QMouseEvent* event)
{
    sendDoubleClick();
    event->accept();
}

bool StockChartView::event(QEvent* e)
{
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::ParentChange && parentWidget())
        viewDidMoveToSuperview();
    return handled;
}

void StockChartView::mouseMoveEvent(QMouseEvent* event)
{
    setCrosshair(event->position());
    QWidget::mouseMoveEvent(event);
}

void StockChartView::leaveEvent(QEvent* event)
{
    setCrosshair(std::nullopt);
    QWidget::leaveEvent(event);
}
