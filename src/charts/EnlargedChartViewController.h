#pragma once

#include "charts/StockChartView.h"
#include "platform/widgets/ViewController.h"

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <functional>

// A chart alone in a window of its own, sized by the user. Each resize
// step gets a fresh chart at the new size (the previous one stopped and
// removed); a double click in the chart closes the window.
class EnlargedChartViewController : public platform::ViewController {
    Q_OBJECT
public:
    using ChartFactory = std::function<StockChartView*(const QRect& frame, const QVariantMap& stock,
        platform::ViewController* father, std::function<void(const QVariantMap&)> callBack)>;
    ~EnlargedChartViewController() override;

    // Keeps a copy of the opener's stock dictionary.
    Q_INVOKABLE void InitByStocksDict(const QVariantMap& dict);
    QVariantMap selfDict;

    // The chart shown now (nullptr before it is built).
    StockChartView* chart() const { return m_chart; }

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;
    QSize windowWillResize(const QSize& proposed) override;

    // The chart's events: "DoubleClick" closes the window.
    void timeLineViewCallBack(const QVariantMap& event);

protected:
    enum class BuildOn { Load, Appear };
    EnlargedChartViewController(
        const QString& title, BuildOn buildOn, ChartFactory factory, QWidget* parent = nullptr);

private:
    void buildChart(const QRect& frame);

    QString m_windowTitle;
    BuildOn m_buildOn;
    ChartFactory m_factory;
    QPointer<StockChartView> m_chart;
    // The window size the current chart was made for: a resize event that
    // does not change it (the first show) is no resize step.
    QSize m_builtFor;
};

// Makes a chart of class T with the chart constructor's arguments.
template <typename T> EnlargedChartViewController::ChartFactory enlargedChartFactory()
{
    return [](const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
               std::function<void(const QVariantMap&)> callBack) -> StockChartView* {
        return new T(frame, stock, father, std::move(callBack));
    };
}
