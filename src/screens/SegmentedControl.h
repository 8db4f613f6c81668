#pragma once

#include <QButtonGroup>
#include <QStringList>
#include <QWidget>

class QAbstractButton;

// A row of exclusive segments. Pressing a segment (also the selected one)
// selects it and emits `pressed`; selecting from code emits nothing.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& labels, QWidget* parent = nullptr);

    int segmentCount() const;
    // -1 when no segment is selected.
    int selectedSegment() const;
    // A number outside the segments clears the selection.
    void setSelectedSegment(int segment);
    QAbstractButton* segment(int index) const;

Q_SIGNALS:
    void pressed();

private:
    QButtonGroup m_group;
};
