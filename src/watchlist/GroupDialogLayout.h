#pragma once

#include <QLabel>
#include <QString>

class QColor;
class QLineEdit;
class QPushButton;
class QWidget;

namespace watchlist {

// A group name where it may not fit: shown whole when it does, else cut
// short with "…" (the whole name in the tool tip).
QString elidedTitle(const QWidget* widget, const QString& title, int width);

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void setFullText(const QString& text);
    QString fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString m_full;
};

// The dark look of the list and its windows: light text on a dark ground.
void applyPanelLook(QWidget* widget);
// Live rows repaint often, so an unchanged colour leaves the label alone.
void setTextColor(QLabel* label, const QColor& color);

// Group names are counted and cut by the characters a user sees (grapheme
// clusters), never inside one: an emoji or a letter with its accent is one.
int graphemeCount(const QString& text);
QString firstGraphemes(const QString& text, int count);
// Keeps what is typed or pasted into a name field within the longest group
// name, cutting whole characters.
void limitGroupName(QLineEdit* field);

// What a failed group write is called: a taken name, a group gone
// elsewhere, or else `otherwise`.
QString groupFailureText(int code, const QString& otherwise);

// The shared look of the add and rename dialogs: a caption, the name field
// and the "确定"/"取消" buttons.
void layOutGroupDialog(QWidget* dialog, const QString& caption, QLineEdit** nameField, QPushButton** okButton,
    QPushButton** cancelButton);
} // namespace watchlist
