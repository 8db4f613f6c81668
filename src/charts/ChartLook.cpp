#include "charts/ChartLook.h"

#include "platform/widgets/Colors.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

namespace charts {

QColor background()
{
    return platform::Colors::black();
}

QColor gridColor()
{
    return QColor(110, 24, 24);
}

QColor axisText()
{
    return platform::Colors::lightGray();
}

QColor riseColor()
{
    return platform::Colors::red();
}

QColor fallColor()
{
    return platform::Colors::green();
}

QColor flatColor()
{
    return platform::Colors::white();
}

QFont chartFont()
{
    QFont f;
    f.setPixelSize(11);
    return f;
}

bool paintBackImage(QPainter& p, const QWidget& view, const QImage& backImage)
{
    if (backImage.isNull() || backImage.deviceIndependentSize().toSize() != view.size()) {
        p.fillRect(view.rect(), background());
        if (backImage.isNull())
            return false;
    }
    p.drawImage(QPointF(0, 0), backImage);
    return true;
}

} // namespace charts
