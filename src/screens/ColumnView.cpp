#include "screens/ColumnView.h"

#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"
#include "screens/FeedText.h"

#include <QLabel>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor withAlpha(QColor color, float alpha)
{
    color.setAlphaF(std::clamp(alpha, 0.0f, 1.0f));
    return color;
}

} // namespace

ColumnView::ColumnView(const QRect& frame, const QString& mainTitle, const QStringList& listTitleArray,
    const QStringList& listValueArray, const QColor& bgColor_, const QColor& textTitleColor_,
    const QString& unit, QWidget* parent)
    : QWidget(parent)
    , bgColor(bgColor_)
    , textTitleColor(textTitleColor_)
    , iMainTitle(mainTitle)
    , iListTitleArray(listTitleArray)
    , iListValueArray(listValueArray)
    , iUnit(unit)
{
    setGeometry(frame);
    if (!iListValueArray.isEmpty()) {
        hValue = lValue = platform::floatValue(iListValueArray.first());
        for (const QString& text : std::as_const(iListValueArray)) {
            const float v = platform::floatValue(text);
            hValue = std::max(hValue, v);
            lValue = std::min(lValue, v);
        }
    }
    if (!iMainTitle.isNull()) {
        m_titleField = platform::plainLabel(iMainTitle, this);
        const QRectF field
            = toWidget(QRectF(0, frame.height() - 22, frame.width(), 20), float(frame.height()));
        m_titleField->setGeometry(field.toRect());
        QFont font = m_titleField->font();
        font.setPixelSize(16);
        m_titleField->setFont(font);
        m_titleField->setAlignment(Qt::AlignCenter);
        m_titleField->setWordWrap(true);
        m_titleField->setFocusPolicy(Qt::NoFocus);
        m_titleField->setTextInteractionFlags(Qt::NoTextInteraction);
        QPalette palette = m_titleField->palette();
        palette.setColor(QPalette::WindowText, textTitleColor);
        m_titleField->setPalette(palette);
        m_titleField->setAutoFillBackground(false);
    }
}

QRectF ColumnView::toWidget(const QRectF& rect, float height)
{
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

ColumnView::Geometry ColumnView::chartGeometry(float w, float h) const
{
    Geometry g;
    const qsizetype n = iListValueArray.size();
    g.slot = w / float(n + 1);
    g.top = h - 40;
    g.plot = h - 60;
    g.low = lValue < 0 ? lValue : 0;
    // With every value below zero the scale ends at zero, so that the bars
    // hanging from the zero line stay inside the plot.
    g.span = std::max(hValue, 0.0f) - g.low;
    g.step = g.span / 10;
    if (lValue >= 0)
        g.base = 20;
    else if (hValue >= 0)
        g.base = 20 + (-lValue) * g.plot / (hValue - lValue);
    else
        g.base = 20 + g.plot;

    const QColor red = platform::Colors::red();
    const QColor green = platform::Colors::green();
    const QColor white = platform::Colors::white();
    const QColor gray = platform::Colors::gray();
    for (int i = 0; i < 10; ++i) {
        const float y = 20 + float(i) * g.plot / 10;
        g.gridLines << y;
        // Coloured as the label reads: a step that lands a hair off zero
        // shows "0.00" and is no rise.
        const QString text = platform::stringWithFormat("%.2f%@", g.low + float(i) * g.step, iUnit);
        const float value = platform::floatValue(text);
        const QColor color = value > 0 ? red : value < 0 ? green : white;
        g.scale << Text { QRectF(0, y, g.slot, g.plot / 10), text, withAlpha(color, 0.6f) };
    }

    g.barWidth = std::max(1.0f, g.slot / 2);
    for (qsizetype j = 0; j < n; ++j) {
        const float v = platform::floatValue(iListValueArray.at(j));
        const float x = float(j + 1) * g.slot + (g.slot - g.barWidth) / 2;
        // All values 0: nothing to scale against.
        const float r = g.span > 0 ? std::fabs(v) / g.span : 0;
        const float scaled = g.plot * r;
        Bar bar;
        if (v > 0) {
            bar.fill = QRectF(x, g.base, g.barWidth, scaled + 20);
            bar.color = withAlpha(red, r + 0.5f);
        } else if (v == 0) {
            bar.fill = QRectF(x, g.base, g.barWidth, 20);
            bar.color = withAlpha(white, 0.5f);
        } else {
            bar.fill = QRectF(x, g.base - scaled, g.barWidth, scaled);
            bar.color = withAlpha(green, r + 0.5f);
        }
        const float left = x - g.barWidth / 2;
        const QString label = j < iListTitleArray.size() ? iListTitleArray.at(j) : QString();
        bar.label
            = Text { QRectF(left, v > 0 ? g.base - 12 : g.base, g.slot, 12), label, withAlpha(white, 0.8f) };
        const float fillHeight = float(bar.fill.height());
        // A value the report did not have draws a flat bar marked "--".
        const QString shown = feedtext::isNumber(iListValueArray.at(j))
            ? platform::stringWithFormat("%.2f%@", v, iUnit)
            : feedtext::dash();
        bar.value = Text { QRectF(left, v > 0 ? g.base + fillHeight : g.base - fillHeight - 12, g.slot, 12),
            shown, withAlpha(gray, 1.0f) };
        g.bars << bar;
    }
    return g;
}

void ColumnView::paintEvent(QPaintEvent* event)
{
    const float w = float(width());
    const float h = float(height());
    const Geometry g = chartGeometry(w, h);
    QPainter painter(this);
    painter.fillRect(event->rect(), bgColor);
    painter.setRenderHint(QPainter::Antialiasing);
    auto flipY = [h](float y) { return qreal(h - y); };

    painter.setPen(QPen(platform::Colors::gray(), 0.5));
    painter.drawLine(QPointF(g.slot, flipY(g.top)), QPointF(g.slot, flipY(0)));
    painter.drawLine(QPointF(0, flipY(g.base)), QPointF(w, flipY(g.base)));
    painter.setPen(QPen(platform::Colors::gray(), 0.2));
    for (float y : g.gridLines)
        painter.drawLine(QPointF(g.slot, flipY(y)), QPointF(w, flipY(y)));

    QFont font = painter.font();
    font.setPixelSize(10);
    painter.setFont(font);
    for (const Text& t : g.scale) {
        painter.setPen(t.color);
        platform::drawFittedText(painter, toWidget(t.rect, h), Qt::AlignRight | Qt::AlignVCenter, t.text);
    }
    for (const Bar& bar : g.bars) {
        painter.fillRect(toWidget(bar.fill, h), bar.color);
        painter.setPen(bar.label.color);
        platform::drawFittedText(painter, toWidget(bar.label.rect, h), Qt::AlignCenter, bar.label.text);
        painter.setPen(bar.value.color);
        platform::drawFittedText(painter, toWidget(bar.value.rect, h), Qt::AlignCenter, bar.value.text);
    }
}
