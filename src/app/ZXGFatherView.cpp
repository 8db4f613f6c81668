#include "app/ZXGFatherView.h"

#include <QVBoxLayout>

ZXGFatherView::ZXGFatherView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

QWidget* ZXGFatherView::listView() const
{
    return m_list;
}

void ZXGFatherView::setListView(QWidget* view)
{
    if (m_list == view)
        return;
    delete m_list;
    m_list = view;
    if (view)
        layout()->addWidget(view);
}
