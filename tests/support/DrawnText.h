#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

class QWidget;

namespace testsupport {

// One run of text a widget drew: its horizontal extent and, when the painter
// clipped, the clip's, both in the painter's own coordinates.
struct DrawnText {
    QString text;
    QFont font;
    QColor color; // the pen's
    qreal left = 0;
    qreal right = 0;
    bool clipped = false;
    qreal clipLeft = 0;
    qreal clipRight = 0;
    // Some of its glyphs fall outside the clip.
    bool cut() const;
};

// Paints `widget` and its children as they are shown and answers every run
// of text they drew, as the paint engine received it.
QList<DrawnText> drawnTexts(QWidget* widget);

} // namespace testsupport
