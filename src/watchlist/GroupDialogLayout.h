#pragma once

#include <QString>

class QColor;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace watchlist {
// The dark look of the list and its windows: light text on a dark ground.
void applyPanelLook(QWidget* widget);
// Live rows repaint often, so an unchanged colour leaves the label alone.
void setTextColor(QLabel* label, const QColor& color);

// The shared look of the add and rename dialogs: a caption, the name field
// and the "确定"/"取消" buttons.
void layOutGroupDialog(QWidget* dialog, const QString& caption, QLineEdit** nameField, QPushButton** okButton,
    QPushButton** cancelButton);
} // namespace watchlist
