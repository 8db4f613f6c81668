#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr int kSmallestPixels = 7;
constexpr double kSmallestShare = 0.7;

bool fits(const QFont& font, const QString& text, qreal width)
{
    return QFontMetricsF(font).horizontalAdvance(text) <= width;
}

// Keeps a label's whole text and base font, and fits them again whenever
// the label's size or font changes.
class LabelFit : public QObject {
public:
    explicit LabelFit(QLabel* label)
        : QObject(label)
        , m_label(label)
        , m_base(label->font())
    {
        label->setTextFormat(Qt::PlainText);
        label->installEventFilter(this);
    }

    void show(const QString& text)
    {
        m_whole = text;
        apply();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_label || m_applying)
            return false;
        if (event->type() == QEvent::FontChange) {
            m_base = m_label->font();
            apply();
        } else if (event->type() == QEvent::Resize) {
            // A text set directly on the label is taken as the whole one.
            if (m_label->text() != m_shown)
                m_whole = m_label->text();
            apply();
        }
        return false;
    }

private:
    void apply()
    {
        m_applying = true;
        const int room
            = m_label->contentsRect().width() - 2 * m_label->margin() - std::max(0, m_label->indent());
        const FittedText fitted = fitText(m_base, m_whole, room);
        if (m_label->font() != fitted.font)
            m_label->setFont(fitted.font);
        m_shown = fitted.text;
        if (m_label->text() != m_shown)
            m_label->setText(m_shown);
        const QString tip = m_shown == m_whole ? QString() : plainToolTip(m_whole);
        if (m_label->toolTip() != tip)
            m_label->setToolTip(tip);
        m_applying = false;
    }

    QLabel* m_label;
    QFont m_base;
    QString m_whole;
    QString m_shown;
    bool m_applying = false;
};

} // namespace

FittedText fitText(const QFont& font, const QString& text, qreal width)
{
    if (text.isEmpty() || fits(font, text, width))
        return { font, text };
    const int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    QFont smaller = font;
    if (size > 0) {
        const int smallest = std::min(size, std::max(kSmallestPixels, int(std::ceil(size * kSmallestShare))));
        for (int pixels = size - 1; pixels >= smallest; --pixels) {
            smaller.setPixelSize(pixels);
            if (fits(smaller, text, width))
                return { smaller, text };
        }
        smaller.setPixelSize(smallest);
    }
    return { smaller, QFontMetricsF(smaller).elidedText(text, Qt::ElideRight, std::max<qreal>(0, width)) };
}

void drawFittedText(QPainter& painter, const QRectF& rect, int flags, const QString& text)
{
    const QFont before = painter.font();
    const FittedText fitted = fitText(before, text, rect.width());
    if (fitted.font != before)
        painter.setFont(fitted.font);
    painter.drawText(rect, flags, fitted.text);
    if (fitted.font != before)
        painter.setFont(before);
}

void setFittedText(QLabel* label, const QString& text)
{
    if (!label)
        return;
    LabelFit* fit = nullptr;
    for (QObject* child : label->children()) {
        if ((fit = dynamic_cast<LabelFit*>(child)))
            break;
    }
    if (!fit)
        fit = new LabelFit(label);
    fit->show(text);
}

} // namespace platform
