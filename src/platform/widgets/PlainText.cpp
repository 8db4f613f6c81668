#include "platform/widgets/PlainText.h"

#include <QLabel>
#include <QTextDocument>

namespace platform {

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QString plainToolTip(const QString& text)
{
    // Tool tips have no plain-text mode: the text goes in escaped.
    return text.isEmpty() ? QString() : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

} // namespace platform
