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

QString menuText(const QString& text)
{
    QString escaped = text;
    return escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString fromMenuText(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // "&&" is one "&"; a lone "&" marks the next character as a shortcut.
        if (text[i] == QLatin1Char('&') && ++i >= text.size())
            break;
        plain += text[i];
    }
    return plain;
}

} // namespace platform
