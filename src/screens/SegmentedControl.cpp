#include "screens/SegmentedControl.h"

#include <QHBoxLayout>
#include <QPushButton>

SegmentedControl::SegmentedControl(const QStringList& labels, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_group.setExclusive(true);
    for (int i = 0; i < labels.size(); ++i) {
        auto* button = new QPushButton(labels.at(i), this);
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        m_group.addButton(button, i);
        row->addWidget(button);
    }
    connect(&m_group, &QButtonGroup::idClicked, this, [this](int) { Q_EMIT pressed(); });
}

int SegmentedControl::segmentCount() const
{
    return int(m_group.buttons().size());
}

int SegmentedControl::selectedSegment() const
{
    return m_group.checkedId();
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (QAbstractButton* button = m_group.button(segment)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    if (QAbstractButton* checked = m_group.checkedButton()) {
        m_group.setExclusive(false);
        checked->setChecked(false);
        m_group.setExclusive(true);
    }
}

QAbstractButton* SegmentedControl::segment(int index) const
{
    return m_group.button(index);
}
