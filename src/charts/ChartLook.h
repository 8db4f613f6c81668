#pragma once

#include <QColor>
#include <QFont>

class QImage;
class QPainter;
class QWidget;

namespace charts {
// The colours and type every chart paints with.
QColor background();
QColor gridColor();
QColor axisText();
QColor riseColor();
QColor fallColor();
QColor flatColor();
QFont chartFont();

// Sizes `backImage` to `view` at its device pixel ratio and clears it.
void prepareBackImage(QImage& backImage, const QWidget& view);
// Puts the prepared back image on `view`, clearing first when it is missing
// or left from another size; answers whether there was an image to put.
bool paintBackImage(QPainter& p, const QWidget& view, const QImage& backImage);
} // namespace charts
