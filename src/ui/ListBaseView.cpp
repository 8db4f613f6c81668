#include "ui/ListBaseView.h"

#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/FittedText.h"

#include <QPainter>

namespace {

Qt::Alignment alignmentOf(int platformAlignment)
{
    switch (platformAlignment) {
    case 1:
        return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

ListBaseView::ListBaseView(const QRect& frame, const QString& mainTitle, const QVariantList& listArray,
    const QStringList& columnWidthArray, int rowHight, const QColor& bgColor, const QColor& lineColor,
    const QColor& textTitleColor, int textTitleAlignment, const QColor& textColor, int textAlignment,
    QWidget* parent)
    : QWidget(parent)
    , m_title(mainTitle)
    , m_rowHight(qMax(0, rowHight))
    , m_bgColor(bgColor)
    , m_lineColor(lineColor)
    , m_titleColor(textTitleColor)
    , m_titleAlignment(textTitleAlignment)
    , m_textColor(textColor)
    , m_textAlignment(textAlignment)
{
    for (const QVariant& row : listArray)
        m_rows << row.toStringList();
    for (const QString& width : columnWidthArray)
        m_widths << qMax<qreal>(0, platform::floatValue(QStringView(width)));
    setGeometry(frame.x(), frame.y(), frame.width(), heightFor(m_title, int(m_rows.size()), m_rowHight));
}

int ListBaseView::heightFor(const QString& mainTitle, int rowCount, int rowHight)
{
    const int titleStrip = mainTitle.isEmpty() ? 0 : rowHight;
    return titleStrip + qMax(0, rowCount) * rowHight;
}

ListBaseView::MarkedText ListBaseView::markedText(const QString& cell)
{
    // "--" is a figure the feed did not have, not a marked number.
    if (cell == QLatin1String("--"))
        return { cell, Tone::Plain };
    // A marked zero ("-0.00万", "+0.00%") neither rose nor fell: it reads
    // in the column's colour.
    const QStringView rest = QStringView(cell).mid(1);
    const bool zero = platform::startsWithNumber(rest) && platform::floatValue(rest) == 0;
    if (cell.startsWith(QLatin1Char('+')))
        return { cell.mid(1), zero ? Tone::Plain : Tone::Rise };
    if (cell.startsWith(QLatin1Char('-'))) {
        const QStringView whole(cell);
        const float number = platform::startsWithNumber(whole) ? platform::floatValue(whole) : 0.0f;
        return { number < 0 ? cell : cell.mid(1), zero ? Tone::Plain : Tone::Fall };
    }
    return { cell, Tone::Plain };
}

void ListBaseView::setTextColor(const QColor& color)
{
    m_textColor = color;
    update();
}

QColor ListBaseView::colorForCell(int column, const QString& cell) const
{
    switch (markedText(cell).tone) {
    case Tone::Rise:
        return platform::Colors::red();
    case Tone::Fall:
        return platform::Colors::green();
    case Tone::Plain:
        break;
    }
    return column == 0 ? m_titleColor : m_textColor;
}

void ListBaseView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_bgColor);
    QFont font = painter.font();
    font.setPixelSize(qBound(9, m_rowHight * 3 / 5, 16));
    painter.setFont(font);

    const int w = width();
    int y = 0;
    if (!m_title.isEmpty()) {
        painter.setPen(m_titleColor);
        platform::drawFittedText(
            painter, QRectF(4, 0, w - 8, m_rowHight), int(alignmentOf(m_titleAlignment)), m_title);
        y += m_rowHight;
        painter.setPen(m_lineColor);
        painter.drawLine(0, y - 1, w, y - 1);
    }

    for (const QStringList& row : m_rows) {
        qreal x = 0;
        for (int column = 0; column < row.size(); ++column) {
            // Cells past the given widths share what is left of the row.
            const qreal cellWidth = column < m_widths.size() ? m_widths.at(column) : qMax<qreal>(0, w - x);
            const QString& cell = row.at(column);
            const QRectF box(x + 3, y, qMax<qreal>(0, cellWidth - 6), m_rowHight);
            painter.setPen(colorForCell(column, cell));
            // A cell too narrow shrinks or elides its text; a figure is never cut.
            platform::drawFittedText(painter, box,
                int(alignmentOf(column == 0 ? m_titleAlignment : m_textAlignment)), markedText(cell).text);
            x += cellWidth;
            if (column + 1 < row.size()) {
                painter.setPen(m_lineColor);
                painter.drawLine(QPointF(x, y), QPointF(x, y + m_rowHight));
            }
        }
        y += m_rowHight;
        painter.setPen(m_lineColor);
        painter.drawLine(0, y - 1, w, y - 1);
    }
    painter.setPen(m_lineColor);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
