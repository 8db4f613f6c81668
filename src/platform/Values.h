#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <cmath>
#include <tuple>
#include <type_traits>
#include <utility>

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

// True when the whole text, blanks around it allowed, is one number as
// floatValue reads it ("12", "-0.5", "3.5e9", "1e-05") and that number is
// finite in single precision; "--", "", "nan", "1e39" and "12abc" are not.
bool isNumber(QStringView text);

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

// The argument at `index` of `fmt`, +0 instead of a negative value that
// its conversion writes as a zero ("-0.00" is shown as "0.00").
double unsignedZeroArg(double value, const QByteArray& fmt, int index);
template <typename T> auto keepArg(const T& value, const QByteArray& fmt, int index)
{
    if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float>)
        return std::signbit(value) && value > -1 ? unsignedZeroArg(double(value), fmt, index) : double(value);
    else
        return keepArg(value);
}
template <typename... Args, std::size_t... I>
QString formatArgs(const QByteArray& fmt, std::index_sequence<I...>, const Args&... args)
{
    auto kept = std::make_tuple(keepArg(args, fmt, int(I))...);
    return std::apply([&](const auto&... k) { return cFormat(fmt.constData(), passArg(k)...); }, kept);
}
} // namespace detail

// printf formats as the screens give them; "%@" takes a QString. Numbers
// come out exactly as C printf writes them ("%.2f" of 0.125 is "0.12"),
// with a '.' whatever the system's locale, except that a zero is never
// written with a minus sign ("%.2f" of -0.001 is "0.00").
// Example: stringWithFormat("%.2f亿", v), stringWithFormat("%@%%", text).
template <typename... Args> QString stringWithFormat(const char* format, const Args&... args)
{
    const QByteArray fmt = detail::cFormatOf(format);
    return detail::formatArgs(fmt, std::index_sequence_for<Args...> {}, args...);
}

} // namespace platform
