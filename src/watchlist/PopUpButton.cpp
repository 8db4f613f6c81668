#include "watchlist/PopUpButton.h"

#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "watchlist/GroupDialogLayout.h"

#include <QAction>
#include <QMenu>

namespace watchlist {

PopUpButton::PopUpButton(QWidget* parent)
    : QPushButton(parent)
{
    // A long group name must not push the buttons beside it away.
    setSizePolicy(QSizePolicy::Ignored, sizePolicy().verticalPolicy());
    setMinimumWidth(48);
    connect(this, &QPushButton::clicked, this, &PopUpButton::showPopUp);
}

PopUpButton::~PopUpButton()
{
    delete m_menu;
}

void PopUpButton::setPopUpMenu(QMenu* menu)
{
    if (m_menu == menu)
        return;
    if (m_menu)
        m_menu->deleteLater();
    m_menu = menu;
    m_selected = -1;
    showTitle(m_placeholder);
}

QList<QAction*> PopUpButton::itemArray() const
{
    return m_menu ? m_menu->actions() : QList<QAction*>();
}

void PopUpButton::selectItemAtIndex(int index)
{
    const QList<QAction*> items = itemArray();
    for (int i = 0; i < items.size(); ++i) {
        items[i]->setCheckable(true);
        items[i]->setChecked(i == index);
    }
    m_selected = index >= 0 && index < items.size() ? index : -1;
    showTitle(m_selected >= 0 ? platform::fromMenuText(items[m_selected]->text()) : m_placeholder);
}

QString PopUpButton::titleOfSelectedItem() const
{
    const QList<QAction*> items = itemArray();
    return m_selected >= 0 && m_selected < items.size() ? platform::fromMenuText(items[m_selected]->text())
                                                        : QString();
}

void PopUpButton::setPlaceholderTitle(const QString& title)
{
    m_placeholder = title;
    if (m_selected < 0)
        showTitle(title);
}

void PopUpButton::showTitle(const QString& title)
{
    m_title = title;
    // Room for the style's padding and border on both sides.
    const QString shown = elidedTitle(this, title, width() - 20);
    setToolTip(shown == title ? QString() : platform::plainToolTip(title));
    setText(platform::menuText(shown));
}

void PopUpButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    showTitle(m_title);
}

void PopUpButton::showPopUp()
{
    if (m_menu)
        platform::popUpMenu(m_menu, mapToGlobal(rect().bottomLeft()), this);
}

} // namespace watchlist
