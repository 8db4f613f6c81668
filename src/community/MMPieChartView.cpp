#include "community/MMPieChartView.h"

#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/FittedText.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>

MMPieChartView::MMPieChartView(const QRect& frame, QWidget* parent)
    : QWidget(parent)
    , m_lineColor(platform::Colors::black())
{
    if (frame.isValid())
        setGeometry(frame);
}

void MMPieChartView::setRadius(qreal radius)
{
    m_radius = radius;
    update();
}

void MMPieChartView::setLineWidth(qreal width)
{
    m_lineWidth = width;
    update();
}

void MMPieChartView::setLineColor(const QColor& color)
{
    m_lineColor = color;
    update();
}

void MMPieChartView::reloadData()
{
    m_values.clear();
    m_valueTexts.clear();
    m_keys.clear();
    m_colors.clear();
    if (!m_dataSource) {
        update();
        return;
    }
    const int count = qMax(0, m_dataSource->numberOfPiecesForPieChartView(this));
    for (int i = 0; i < count; ++i) {
        const QVariant value = m_dataSource->valueForValueAtIndex(this, i);
        // A number handed over as one keeps what it is, a NaN or infinity too.
        const int type = value.metaType().id();
        m_values << (type == QMetaType::Double || type == QMetaType::Float ? value.toDouble()
                                                                           : platform::doubleValue(value));
        m_valueTexts << platform::stringOf(value);
    }
    bool anyKey = false;
    for (int i = 0; i < count; ++i) {
        const std::optional<QString> key = m_dataSource->keyForValueAtIndex(this, i);
        anyKey = anyKey || key.has_value();
        m_keys << key.value_or(QString());
    }
    if (!anyKey) {
        m_keys.clear();
        m_showKeys = false;
    }
    for (int i = 0; i < count; ++i) {
        const std::optional<QColor> color = m_dataSource->colorForValueAtIndex(this, i);
        if (color && color->isValid()) {
            m_colors << *color;
        } else {
            QRandomGenerator* random = QRandomGenerator::global();
            m_colors << QColor(random->bounded(256), random->bounded(256), random->bounded(256));
        }
    }
    update();
}

QList<double> MMPieChartView::sharesOf(const QList<double>& values)
{
    // A value that is no finite number has no share (NaN) and takes none
    // from the others.
    double whole = 0;
    for (double v : values) {
        if (std::isfinite(v))
            whole += qMax(0.0, v);
    }
    QList<double> shares;
    shares.reserve(values.size());
    for (double v : values) {
        if (!std::isfinite(v))
            shares << std::nan("");
        else
            shares << (whole > 0 && std::isfinite(whole) ? qMax(0.0, v) * 100.0 / whole : 0.0);
    }
    return shares;
}

QString MMPieChartView::legendText(
    int visualizationType, const QString& key, double share, const QString& valueText)
{
    // A share or value that is no finite number reads "--", never "-nan%".
    if (visualizationType == 1)
        return platform::isNumber(valueText) ? platform::stringWithFormat("%@%@%%", key, valueText)
                                             : key + QStringLiteral("--");
    if (!std::isfinite(share))
        return key + QStringLiteral("--");
    return platform::stringWithFormat("%@%.01lf%%", key, share);
}

QStringList MMPieChartView::legendTexts() const
{
    QStringList lines;
    if (!m_showKeys || m_keys.isEmpty())
        return lines;
    const QList<double> shares = sharesOf(m_values);
    for (int i = 0; i < m_values.size(); ++i)
        lines << legendText(m_visualizationType, m_keys.value(i), shares.at(i), m_valueTexts.value(i));
    return lines;
}

void MMPieChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QStringList legend = legendTexts();

    // The pie sits at the left, centred vertically; the legend to its right.
    const qreal r = qMax<qreal>(0, m_radius);
    const QPointF centre(r + m_lineWidth + 2, height() / 2.0);
    const QRectF circle(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    const QList<double> shares = sharesOf(m_values);
    QPen outline(m_lineColor, m_lineWidth);

    double start = 90.0; // twelve o'clock, clockwise
    bool drewSlice = false;
    for (int i = 0; i < shares.size(); ++i) {
        const double span = -shares.at(i) * 3.6;
        if (span == 0)
            continue;
        QPainterPath slice(centre);
        slice.arcTo(circle, start, span);
        slice.closeSubpath();
        painter.setPen(outline);
        painter.setBrush(m_colors.value(i, platform::Colors::gray()));
        painter.drawPath(slice);
        start += span;
        drewSlice = true;
    }
    if (!drewSlice) {
        painter.setPen(outline);
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
    }

    if (legend.isEmpty())
        return;
    const int lineHeight = painter.fontMetrics().height() + 4;
    qreal x = circle.right() + 16;
    qreal y = centre.y() - lineHeight * legend.size() / 2.0;
    for (int i = 0; i < legend.size(); ++i) {
        const QRectF swatch(x, y + (lineHeight - 10) / 2.0, 10, 10);
        painter.setPen(outline);
        painter.setBrush(m_colors.value(i));
        painter.drawRect(swatch);
        painter.setPen(palette().color(QPalette::WindowText));
        platform::drawFittedText(painter, QRectF(x + 16, y, qMax<qreal>(0, width() - x - 16), lineHeight),
            Qt::AlignLeft | Qt::AlignVCenter, legend.at(i));
        y += lineHeight;
    }
}
