#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;

// A small bar chart: a value scale on the left, a zero line and one bar per
// value coloured by its sign, each with its label and its value.
class ColumnView : public QWidget {
    Q_OBJECT
public:
    // Everything the chart draws is given here; a new chart means a new view.
    // A null title means no title field.
    ColumnView(const QRect& frame, const QString& mainTitle, const QStringList& listTitleArray,
        const QStringList& listValueArray, const QColor& bgColor, const QColor& textTitleColor,
        const QString& unit, QWidget* parent = nullptr);

    QColor bgColor;
    QColor textTitleColor;
    QString iMainTitle;
    QStringList iListTitleArray;
    QStringList iListValueArray;
    QString iUnit;
    float hValue = 0;
    float lValue = 0;

    QLabel* titleField() const { return m_titleField; }

    // The drawing worked out for a view of width w and height h, in the
    // chart's own coordinates: origin bottom-left, y growing upward.
    struct Text {
        QRectF rect;
        QString text;
        QColor color;
    };
    struct Bar {
        QRectF fill;
        QColor color;
        Text label;
        Text value;
    };
    struct Geometry {
        float slot = 0;
        float top = 0;
        float plot = 0;
        float low = 0;
        float span = 0;
        float step = 0;
        float base = 0;
        float barWidth = 0;
        QList<Text> scale;
        QList<float> gridLines;
        QList<Bar> bars;
    };
    Geometry chartGeometry(float w, float h) const;

    // A rectangle of the chart's coordinates in the widget's (y down).
    static QRectF toWidget(const QRectF& rect, float height);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_titleField = nullptr;
};
