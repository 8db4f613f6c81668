#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>

#include <array>
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

// True when the whole text, blanks around it allowed, is one number as
// floatValue reads it ("12", "-0.5", "3.5e9", "1e-05") and that number is
// finite in single precision; "--", "", "nan", "1e39" and "12abc" are not.
bool isNumber(QStringView text);

namespace detail {
// One argument of stringWithFormat: a number or a text, whatever the
// conversion asks for; the formatter converts between them.
struct FormatArg {
    enum Kind { Signed, Unsigned, Real, Text };
    Kind kind = Signed;
    long long i = 0;
    unsigned long long u = 0;
    double d = 0;
    QString text;
};
template <typename T> FormatArg formatArg(const T& value)
{
    FormatArg arg;
    if constexpr (std::is_enum_v<T>) {
        arg.i = static_cast<long long>(value);
    } else if constexpr (std::is_integral_v<T> && std::is_signed_v<T>) {
        arg.i = value;
    } else if constexpr (std::is_integral_v<T>) {
        arg.kind = FormatArg::Unsigned;
        arg.u = value;
    } else if constexpr (std::is_floating_point_v<T>) {
        arg.kind = FormatArg::Real;
        arg.d = static_cast<double>(value);
    } else if constexpr (std::is_convertible_v<const T&, const char*>) {
        arg.kind = FormatArg::Text;
        arg.text = QString::fromUtf8(static_cast<const char*>(value));
    } else {
        static_assert(
            std::is_convertible_v<const T&, QString> || std::is_convertible_v<const T&, QStringView>,
            "stringWithFormat takes numbers and texts only");
        arg.kind = FormatArg::Text;
        if constexpr (std::is_convertible_v<const T&, QString>)
            arg.text = QString(value);
        else
            arg.text = QStringView(value).toString();
    }
    return arg;
}
QString formatArgs(const char* format, const FormatArg* args, qsizetype count);
} // namespace detail

// printf formats as the screens give them; "%@" takes a text. Numbers come
// out exactly as C printf writes them ("%.2f" of 0.125 is "0.12"), with a
// '.' whatever the system's locale, except that a zero is never written with
// a minus sign ("%.2f" of -0.001 is "0.00"). Only numbers and texts are taken (any
// other argument does not compile), and an argument of the other kind than
// its conversion is converted: a number given to "%@" is its decimal text,
// a text given to "%d" or "%f" is read as a number. A text is never cut at
// a NUL, and a conversion without an argument writes nothing.
// Example: stringWithFormat("%.2f亿", v), stringWithFormat("%@%%", text).
template <typename... Args> QString stringWithFormat(const char* format, const Args&... args)
{
    const std::array<detail::FormatArg, sizeof...(Args)> list { detail::formatArg(args)... };
    return detail::formatArgs(format, list.data(), qsizetype(list.size()));
}

} // namespace platform
