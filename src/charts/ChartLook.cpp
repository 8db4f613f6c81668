#include "charts/ChartLook.h"

#include "platform/widgets/Colors.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

void prepareBackImage(QImage& backImage, const QWidget& view)
{
    const qreal dpr = view.devicePixelRatioF();
    const QSize size(
        std::max(1, int(std::ceil(view.width() * dpr))), std::max(1, int(std::ceil(view.height() * dpr))));
    if (backImage.size() != size)
        backImage = QImage(size, QImage::Format_ARGB32_Premultiplied);
    backImage.setDevicePixelRatio(dpr);
    backImage.fill(background());
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
