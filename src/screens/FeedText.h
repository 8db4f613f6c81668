#pragma once

#include <QString>
#include <QVariant>

// Figures of the feeds as the screens show them. A feed sends numbers
// ("12.5", "3.5e9"); anything else ("--" for a suspended stock, "nan", a
// figure beyond single precision such as "1e308") has no value to show and
// reads "--".
namespace feedtext {

inline QString dash()
{
    return QStringLiteral("--");
}

// A text that is one number by the floatValue rule (blanks around it
// allowed) with a finite single-precision value, or a finite number.
bool isNumber(const QVariant& value);

// The feed's text unchanged when it is a number, a zero without its minus
// sign, "--" otherwise.
QString asIs(const QVariant& value);

// A price as asIs, but "--" for one of 0 or below: the feeds send 0.00 for
// a price there is none of (an empty order-book level, the open before the
// auction, every level of an index's book).
QString price(const QVariant& value);

} // namespace feedtext
