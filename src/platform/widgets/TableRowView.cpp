#include "platform/widgets/TableRowView.h"

#include <QPainter>

namespace platform {

TableRowView::TableRowView(QWidget* parent)
    : QWidget(parent)
{
}

void TableRowView::setBackgroundColor(const QColor& color)
{
    m_background = color;
    update();
}

void TableRowView::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

void TableRowView::setSelectionColor(const QColor& color)
{
    m_selection = color;
    update();
}

void TableRowView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    if (m_selected)
        p.fillRect(rect(), m_selection);
}

} // namespace platform
