#pragma once

#include <QColor>
#include <QWidget>

namespace platform {

// A table row that paints its own background and selection; cells are its
// children.
class TableRowView : public QWidget {
    Q_OBJECT
public:
    explicit TableRowView(QWidget* parent = nullptr);

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return m_background; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setSelectionColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_background = Qt::transparent;
    QColor m_selection = QColor(0x33, 0x66, 0xcc, 90);
    bool m_selected = false;
};

} // namespace platform
