#pragma once

#include <QColor>

namespace platform {

// The platform's named colours, as the screens name them.
struct Colors {
    static QColor red() { return QColor::fromRgbF(1, 0, 0); }
    static QColor green() { return QColor::fromRgbF(0, 1, 0); }
    static QColor black() { return QColor::fromRgbF(0, 0, 0); }
    static QColor white() { return QColor::fromRgbF(1, 1, 1); }
    static QColor yellow() { return QColor::fromRgbF(1, 1, 0); }
    static QColor orange() { return QColor::fromRgbF(1, 0.5, 0); }
    static QColor blue() { return QColor::fromRgbF(0, 0, 1); }
    static QColor gray() { return QColor::fromRgbF(0.5, 0.5, 0.5); }
    static QColor lightGray() { return QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3); }
    static QColor darkGray() { return QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3); }
    static QColor clear() { return QColor(0, 0, 0, 0); }
    static QColor calibratedRGB(double r, double g, double b, double a = 1.0)
    {
        return QColor::fromRgbF(r, g, b, a);
    }
};

} // namespace platform
