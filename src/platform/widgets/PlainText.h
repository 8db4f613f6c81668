#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace platform {

// Names and texts from a server or a feed are shown as they stand: a label
// or a tool tip left to itself takes a text such as "<img src=…>" for markup
// and loads the file it names.

// A label that never reads its text as markup.
QLabel* plainLabel(const QString& text, QWidget* parent);

// `text` as a tool tip that shows it as written; an empty text stays empty
// (no tool tip).
QString plainToolTip(const QString& text);

// `text` as the text of a menu item or a button, where a lone "&" would
// mark a shortcut key and vanish; and the item's text back as written.
QString menuText(const QString& text);
QString fromMenuText(const QString& text);

} // namespace platform
