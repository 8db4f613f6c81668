#include "DrawnText.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <climits>

namespace testsupport {

namespace {

// Draws nothing: keeps the text runs it is given with the painter's clip.
class TextEngine : public QPaintEngine {
public:
    TextEngine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override { }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override { }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { }
    void drawPath(const QPainterPath&) override { }
    Type type() const override { return QPaintEngine::User; }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        if (item.text().trimmed().isEmpty())
            return;
        DrawnText drawn { item.text(), item.font(), painter()->pen().color(), p.x(), p.x() + item.width() };
        if (painter()->hasClipping()) {
            const QRectF clip = painter()->clipBoundingRect();
            drawn.clipped = true;
            drawn.clipLeft = clip.left();
            drawn.clipRight = clip.right();
        }
        texts << drawn;
    }

    QList<DrawnText> texts;
};

class TextDevice : public QPaintDevice {
public:
    explicit TextDevice(QSize size)
        : m_size(size)
    {
    }
    QPaintEngine* paintEngine() const override { return &m_engine; }
    QList<DrawnText> texts() const { return m_engine.texts; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        const int dpi = qRound(QGuiApplication::primaryScreen()->logicalDotsPerInch());
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return m_size.width() * 254 / (10 * dpi);
        case PdmHeightMM:
            return m_size.height() * 254 / (10 * dpi);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return dpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        }
        return 0;
    }

private:
    QSize m_size;
    mutable TextEngine m_engine;
};

} // namespace

bool DrawnText::cut() const
{
    // Half a pixel of slack for rounding between the layout and the clip.
    return clipped && (left < clipLeft - 0.5 || right > clipRight + 0.5);
}

QList<DrawnText> drawnTexts(QWidget* widget)
{
    TextDevice device(widget->size());
    widget->render(&device);
    return device.texts();
}

} // namespace testsupport
