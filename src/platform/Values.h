#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <tuple>
#include <type_traits>

namespace platform {

// The number rule used everywhere a record's text is read as a number:
// leading blanks skipped, the longest numeric prefix taken, 0 when there is
// none, single precision. Overflow reads as +/-HUGE_VALF like strtof.
float floatValue(QStringView text);
float floatValue(const QVariant& value);
double doubleValue(QStringView text);
double doubleValue(const QVariant& value);

// Leading blanks, optional sign, decimal digits; 0 when there are none.
long long integerValue(QStringView text);
long long integerValue(const QVariant& value);

// A QString converts to both QStringView and QVariant; these pick the text.
inline float floatValue(const QString& text)
{
    return floatValue(QStringView(text));
}
inline double doubleValue(const QString& text)
{
    return doubleValue(QStringView(text));
}
inline long long integerValue(const QString& text)
{
    return integerValue(QStringView(text));
}

// True when the text starts (after blanks) with a number.
bool startsWithNumber(QStringView text);

namespace detail {
template <typename T> auto keepArg(const T& value)
{
    if constexpr (std::is_convertible_v<T, QString> && !std::is_arithmetic_v<T>)
        return QString(value).toUtf8();
    else
        return value;
}
template <typename T> auto passArg(const T& value)
{
    if constexpr (std::is_same_v<T, QByteArray>)
        return value.constData();
    else
        return value;
}
// The format with each "%@" turned into "%s".
QByteArray cFormatOf(const char* format);
// C printf of a cFormatOf format, the text decoded as UTF-8.
QString cFormat(const char* format, ...);
} // namespace detail

// printf formats as the screens give them; "%@" takes a QString. Numbers
// come out exactly as C printf writes them ("%.2f" of 0.125 is "0.12"),
// with a '.' whatever the system's locale.
// Example: stringWithFormat("%.2f亿", v), stringWithFormat("%@%%", text).
template <typename... Args> QString stringWithFormat(const char* format, const Args&... args)
{
    const QByteArray fmt = detail::cFormatOf(format);
    auto kept = std::make_tuple(detail::keepArg(args)...);
    return std::apply(
        [&](const auto&... k) { return detail::cFormat(fmt.constData(), detail::passArg(k)...); }, kept);
}

} // namespace platform
