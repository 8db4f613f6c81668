#include "screens/SingleIndexViewController.h"

#include "screens/SegmentedControl.h"

SingleIndexViewController::SingleIndexViewController(QWidget* parent)
    : SecurityViewController(Family::Index, parent)
{
}

void SingleIndexViewController::bindCode(const QString& code, QuilorSDK* sdk)
{
    InitIndexByCode(code, sdk);
}

void SingleIndexViewController::layoutSwitches()
{
    // The deal and warning boxes are the quote panel's own switches.
    if (!onlyDayKLine())
        return;
    kSeg->hide();
    kSeg->setSelectedSegment(2);
    if (!m_kViewEnlarged) {
        m_kViewEnlarged = true;
        const QRect frame = KView->geometry();
        KView->setGeometry(frame.x(), frame.y(), frame.width(), frame.height() + kOwnIndexExtraHeight);
    }
}
