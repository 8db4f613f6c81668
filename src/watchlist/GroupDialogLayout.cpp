#include "watchlist/GroupDialogLayout.h"

#include "market/GroupWrites.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/PlainText.h"
#include "watchlist/ZXGView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>
#include <QValidator>

namespace watchlist {

namespace {
class GroupNameLimit : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        const QString kept = firstGraphemes(input, kGroupNameMaxLength);
        if (kept.size() != input.size()) {
            input = kept;
            pos = qMin(pos, int(kept.size()));
        }
        return Acceptable;
    }
};
} // namespace

int graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QString firstGraphemes(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

void limitGroupName(QLineEdit* field)
{
    field->setValidator(new GroupNameLimit(field));
}

QString elidedTitle(const QWidget* widget, const QString& title, int width)
{
    return widget->fontMetrics().elidedText(title, Qt::ElideRight, qMax(0, width));
}

ElidedLabel::ElidedLabel(QWidget* parent)
    : QLabel(parent)
{
    // The layout gives the label its room; the text follows, not the reverse.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(0);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text)
{
    m_full = text;
    elide();
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedLabel::elide()
{
    const QString shown = elidedTitle(this, m_full, contentsRect().width());
    setToolTip(shown == m_full ? QString() : platform::plainToolTip(m_full));
    if (shown != text())
        setText(shown);
}

void applyPanelLook(QWidget* widget)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(24, 26, 31));
    palette.setColor(QPalette::WindowText, platform::Colors::white());
    palette.setColor(QPalette::Base, QColor(40, 43, 50));
    palette.setColor(QPalette::Text, platform::Colors::white());
    widget->setPalette(palette);
}

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    if (palette.color(QPalette::WindowText) == color)
        return;
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void layOutGroupDialog(QWidget* dialog, const QString& caption, QLineEdit** nameField, QPushButton** okButton,
    QPushButton** cancelButton)
{
    dialog->resize(300, 120);
    applyPanelLook(dialog);

    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addWidget(new QLabel(caption, dialog));
    *nameField = new QLineEdit(dialog);
    (*nameField)->setObjectName(QStringLiteral("nameTextField"));
    limitGroupName(*nameField);
    layout->addWidget(*nameField);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    *cancelButton = new QPushButton(QStringLiteral("取消"), dialog);
    (*cancelButton)->setObjectName(QStringLiteral("cancelButton"));
    *okButton = new QPushButton(QStringLiteral("确定"), dialog);
    (*okButton)->setObjectName(QStringLiteral("okButton"));
    (*okButton)->setDefault(true);
    buttons->addWidget(*cancelButton);
    buttons->addWidget(*okButton);
    layout->addLayout(buttons);
}

QString groupFailureText(int code, const QString& otherwise)
{
    if (code == -1051)
        return QStringLiteral("分组名称不能重复!");
    const QString refusal = market::GroupWrites::refusalText(code);
    return refusal.isNull() ? otherwise : refusal;
}

} // namespace watchlist
