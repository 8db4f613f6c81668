#pragma once

#include <QColor>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <optional>

class MMPieChartView;

// What the pie asks of its data source. Keys and colours are optional: a
// source that answers no key at all switches the legend off, a slice
// without a colour gets a random opaque one.
class MMPieChartViewDataSource {
public:
    virtual ~MMPieChartViewDataSource() = default;
    virtual int numberOfPiecesForPieChartView(MMPieChartView* pieChartView) = 0;
    // A number or its decimal text.
    virtual QVariant valueForValueAtIndex(MMPieChartView* pieChartView, int index) = 0;
    virtual std::optional<QString> keyForValueAtIndex(MMPieChartView* pieChartView, int index)
    {
        Q_UNUSED(pieChartView);
        Q_UNUSED(index);
        return std::nullopt;
    }
    virtual std::optional<QColor> colorForValueAtIndex(MMPieChartView* pieChartView, int index)
    {
        Q_UNUSED(pieChartView);
        Q_UNUSED(index);
        return std::nullopt;
    }
};

// Adopted by the pie's owner; the pie sends it nothing.
class MMPieChartViewDelegate {
public:
    virtual ~MMPieChartViewDelegate() = default;
};

// A pie chart with a legend of keys beside it.
class MMPieChartView : public QWidget {
    Q_OBJECT
public:
    explicit MMPieChartView(const QRect& frame = QRect(), QWidget* parent = nullptr);

    void setDataSource(MMPieChartViewDataSource* dataSource) { m_dataSource = dataSource; }
    MMPieChartViewDataSource* dataSource() const { return m_dataSource; }
    void setDelegate(MMPieChartViewDelegate* delegate) { m_delegate = delegate; }
    MMPieChartViewDelegate* delegate() const { return m_delegate; }

    void setRadius(qreal radius);
    qreal radius() const { return m_radius; }
    void setLineWidth(qreal width);
    qreal lineWidth() const { return m_lineWidth; }
    void setLineColor(const QColor& color);
    QColor lineColor() const { return m_lineColor; }
    void setShowKeys(bool show) { m_showKeys = show; }
    bool showKeys() const { return m_showKeys; }
    // 0: key and share of the whole; 1: key and the value itself.
    void setVisualizationType(int type) { m_visualizationType = type; }
    int visualizationType() const { return m_visualizationType; }

    // Asks the data source for the count, each value, each key and each
    // colour, in that order, and redraws.
    void reloadData();

    const QList<double>& values() const { return m_values; }
    const QList<QString>& valueTexts() const { return m_valueTexts; }
    const QList<QString>& keys() const { return m_keys; }
    const QList<QColor>& colors() const { return m_colors; }
    // The legend lines as drawn (empty with the legend off).
    QStringList legendTexts() const;

    // Each value's share of the whole in percent; all 0 when the whole is
    // not above 0 (negative values count as 0).
    static QList<double> sharesOf(const QList<double>& values);
    static QString legendText(
        int visualizationType, const QString& key, double share, const QString& valueText);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MMPieChartViewDataSource* m_dataSource = nullptr;
    MMPieChartViewDelegate* m_delegate = nullptr;
    qreal m_radius = 100;
    qreal m_lineWidth = 0.5;
    QColor m_lineColor;
    bool m_showKeys = true;
    int m_visualizationType = 0;
    QList<double> m_values;
    QList<QString> m_valueTexts;
    QList<QString> m_keys;
    QList<QColor> m_colors;
};
