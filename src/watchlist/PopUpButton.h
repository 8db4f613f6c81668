#pragma once

#include <QList>
#include <QPushButton>

class QAction;
class QMenu;

namespace watchlist {

// A button that shows its chosen item and offers the others in a menu.
class PopUpButton : public QPushButton {
    Q_OBJECT
public:
    explicit PopUpButton(QWidget* parent = nullptr);
    ~PopUpButton() override;

    // Takes the menu over; the previous one goes.
    void setPopUpMenu(QMenu* menu);
    QMenu* popUpMenu() const { return m_menu; }
    QList<QAction*> itemArray() const;
    // -1 selects nothing.
    void selectItemAtIndex(int index);
    int indexOfSelectedItem() const { return m_selected; }
    QString titleOfSelectedItem() const;
    // Shown while nothing is selected.
    void setPlaceholderTitle(const QString& title);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPopUp();
    // Shows `title`, cut short with "…" when the button is too narrow.
    void showTitle(const QString& title);
    QString m_title;

    QMenu* m_menu = nullptr;
    int m_selected = -1;
    QString m_placeholder;
};

} // namespace watchlist
