#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QPainter;
class QRectF;

namespace platform {

// A text and the font to draw it in so that it fits a width. The font is
// shrunk first (to seven tenths of its size, 7 pixels at the least), and
// only what still does not fit is cut short, visibly, with "…": a figure
// is never cut into another figure.
struct FittedText {
    QFont font;
    QString text;
};
FittedText fitText(const QFont& font, const QString& text, qreal width);

// QPainter::drawText with the text fitted to the rectangle's width; the
// painter's font is left as it was.
void drawFittedText(QPainter& painter, const QRectF& rect, int flags, const QString& text);

// Shows `text` in a label of fixed size, fitted to the label's width now
// and after every resize, as plain text. A text cut short has the whole one
// as tool tip.
void setFittedText(QLabel* label, const QString& text);

} // namespace platform
