#pragma once

#include <QString>
#include <QVariant>

// Figures of the feeds as the screens show them. A feed sends plain
// decimals; anything else ("--" for a suspended stock, "nan", "1e308", a
// figure beyond single precision) has no value to show and reads "--".
namespace feedtext {

inline QString dash()
{
    return QStringLiteral("--");
}

// A plain decimal (optional sign, digits, optional fraction; blanks around
// it allowed) whose single-precision value is finite, or a finite number.
bool isNumber(const QVariant& value);

// The feed's text unchanged when it is a number, a zero without its minus
// sign, "--" otherwise.
QString asIs(const QVariant& value);

} // namespace feedtext
