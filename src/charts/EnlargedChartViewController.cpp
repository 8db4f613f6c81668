#include "charts/EnlargedChartViewController.h"

namespace {
// The window's first size; the user sizes it from there.
const QSize kInitialSize(960, 600);
const QSize kMinimumSize(360, 260);
} // namespace

EnlargedChartViewController::EnlargedChartViewController(
    const QString& title, BuildOn buildOn, ChartFactory factory, QWidget* parent)
    : platform::ViewController(parent)
    , m_windowTitle(title)
    , m_buildOn(buildOn)
    , m_factory(std::move(factory))
{
    setMinimumSize(kMinimumSize);
    resize(kInitialSize);
}

EnlargedChartViewController::~EnlargedChartViewController() = default;

void EnlargedChartViewController::InitByStocksDict(const QVariantMap& dict)
{
    selfDict = dict;
}

void EnlargedChartViewController::viewDidLoad()
{
    platform::ViewController::viewDidLoad();
    if (m_buildOn != BuildOn::Load)
        return;
    setTitle(m_windowTitle);
    buildChart(QRect(QPoint(0, 0), size()));
}

void EnlargedChartViewController::viewDidAppear()
{
    platform::ViewController::viewDidAppear();
    if (m_buildOn != BuildOn::Appear)
        return;
    setTitle(m_windowTitle);
    buildChart(QRect(QPoint(0, 0), size()));
}

void EnlargedChartViewController::viewDidDisappear()
{
    platform::ViewController::viewDidDisappear();
    // The chart stays in the view; only its refresh chains end.
    if (m_chart)
        m_chart->setIsSelfHiden(true);
}

QSize EnlargedChartViewController::windowWillResize(const QSize& proposed)
{
    // Before the time-share chart first appears there is nothing to resize.
    // The size proposed here is the content's, without the title bar, so the
    // new chart takes all of it.
    if (m_chart && proposed != m_builtFor) {
        buildChart(QRect(QPoint(0, 0), proposed));
        m_builtFor = proposed;
    }
    return proposed;
}

void EnlargedChartViewController::timeLineViewCallBack(const QVariantMap& event)
{
    if (event.value(QStringLiteral("event")).toString() == QStringLiteral("DoubleClick"))
        dismissController();
}

void EnlargedChartViewController::buildChart(const QRect& frame)
{
    if (m_chart) {
        StockChartView* old = m_chart;
        old->setIsSelfHiden(true);
        old->setParent(nullptr);
        // Deleted later: this may run inside one of the old chart's own handlers.
        old->deleteLater();
    }
    StockChartView* chart
        = m_factory(frame, selfDict, this, [this](const QVariantMap& event) { timeLineViewCallBack(event); });
    m_chart = chart;
    m_builtFor = size();
    chart->setIsSelfHiden(false);
    chart->setParent(this);
    chart->setGeometry(frame);
    chart->show();
}
