#include "platform/Values.h"

#include "platform/Logging.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <locale.h>

namespace platform {

namespace {

// Only this many characters of a text are looked at, as the feeds' numbers
// are short; longer texts read the same as their first 400 characters.
constexpr qsizetype kReadLimit = 400;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Where the leading number of a text lies: after the blanks, the longest
// prefix strtod accepts as a decimal number (no hex, no inf/nan words: the
// feeds never send them as numbers). Read straight from the UTF-16, so a
// full-width digit is no digit.
struct NumberSpan {
    const char16_t* begin = nullptr;
    qsizetype length = 0;
};

const char16_t* afterBlanks(const char16_t* s, const char16_t* end)
{
    while (s < end && isBlank(*s))
        ++s;
    return s;
}

NumberSpan leadingNumber(QStringView text)
{
    const char16_t* const start = text.utf16();
    const char16_t* const end = start + std::min(text.size(), kReadLimit);
    const char16_t* const begin = afterBlanks(start, end);
    const char16_t* s = begin;
    if (s < end && (*s == u'+' || *s == u'-'))
        ++s;
    qsizetype digits = 0;
    while (s < end && isDigit(*s)) {
        ++s;
        ++digits;
    }
    if (s < end && *s == u'.') {
        const char16_t* t = s + 1;
        while (t < end && isDigit(*t))
            ++t;
        if (digits + (t - s - 1) > 0) {
            digits += t - s - 1;
            s = t;
        }
    }
    if (digits == 0)
        return {};
    if (s < end && (*s == u'e' || *s == u'E')) {
        const char16_t* t = s + 1;
        if (t < end && (*t == u'+' || *t == u'-'))
            ++t;
        const char16_t* const expDigits = t;
        while (t < end && isDigit(*t))
            ++t;
        if (t > expDigits)
            s = t;
    }
    return { begin, s - begin };
}

// The span as a C string for strtof_l/strtod_l; it is ASCII and at most
// kReadLimit long, so it fits the caller's stack buffer.
using NumberBuffer = std::array<char, kReadLimit + 1>;
const char* cString(const NumberSpan& span, NumberBuffer& buffer)
{
    for (qsizetype i = 0; i < span.length; ++i)
        buffer[i] = char(span.begin[i]);
    buffer[span.length] = '\0';
    return buffer.data();
}

// Most feed numbers have at most seven significant digits and a small
// scale. Then mantissa and power of ten are exact floats and one IEEE
// multiplication or division rounds exactly as strtof does; anything else
// goes to strtof.
std::optional<float> exactShortFloat(const NumberSpan& span)
{
    static constexpr float kPowers[] = { 1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f };
    const char16_t* s = span.begin;
    const char16_t* const end = s + span.length;
    const bool negative = *s == u'-';
    if (*s == u'+' || *s == u'-')
        ++s;
    quint32 mantissa = 0;
    int significant = 0;
    int scale = 0;
    bool fraction = false;
    for (; s < end; ++s) {
        if (*s == u'.') {
            fraction = true;
            continue;
        }
        if (!isDigit(*s))
            break;
        if (mantissa != 0 || *s != u'0') {
            if (++significant > 7)
                return std::nullopt;
            mantissa = mantissa * 10 + (*s - u'0');
        }
        if (fraction)
            --scale;
    }
    if (s < end) { // the exponent
        ++s;
        const bool negativeExponent = *s == u'-';
        if (*s == u'+' || *s == u'-')
            ++s;
        int exponent = 0;
        for (; s < end; ++s) {
            if (exponent > 100)
                return std::nullopt;
            exponent = exponent * 10 + (*s - u'0');
        }
        scale += negativeExponent ? -exponent : exponent;
    }
    float value = 0.0f;
    if (mantissa != 0) {
        if (scale < -10 || scale > 10)
            return std::nullopt;
        value = scale < 0 ? float(mantissa) / kPowers[-scale] : float(mantissa) * kPowers[scale];
    }
    return negative ? -value : value;
}

QString textOf(const QVariant& value)
{
    if (value.metaType().id() == QMetaType::QString)
        return value.toString();
    if (value.canConvert<double>() && value.metaType().id() != QMetaType::QVariantMap
        && value.metaType().id() != QMetaType::QVariantList)
        return value.toString();
    return QString();
}

// The "C" locale: numbers in the texts and in the formats always use '.',
// whatever locale the application runs in.
locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return locale;
}

// Runs C printf on this thread in the "C" locale while it lives.
class CNumericLocale {
public:
    CNumericLocale()
        : previous(uselocale(cLocale()))
    {
    }
    ~CNumericLocale() { uselocale(previous); }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t previous;
};

} // namespace

double doubleValue(QStringView text)
{
    const NumberSpan span = leadingNumber(text);
    if (span.length == 0)
        return 0.0;
    NumberBuffer buffer;
    return strtod_l(cString(span, buffer), nullptr, cLocale());
}

float floatValue(QStringView text)
{
    const NumberSpan span = leadingNumber(text);
    if (span.length == 0)
        return 0.0f;
    if (const std::optional<float> quick = exactShortFloat(span))
        return *quick;
    NumberBuffer buffer;
    return strtof_l(cString(span, buffer), nullptr, cLocale());
}

float floatValue(const QVariant& value)
{
    return floatValue(QStringView(textOf(value)));
}

double doubleValue(const QVariant& value)
{
    return doubleValue(QStringView(textOf(value)));
}

long long integerValue(QStringView text)
{
    const char16_t* const end = text.utf16() + std::min(text.size(), kReadLimit);
    const char16_t* s = afterBlanks(text.utf16(), end);
    bool negative = false;
    if (s < end && (*s == u'+' || *s == u'-')) {
        negative = *s == u'-';
        ++s;
    }
    long long result = 0;
    for (; s < end && isDigit(*s); ++s) {
        const int digit = *s - u'0';
        if (result > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        result = result * 10 + digit;
    }
    return negative ? -result : result;
}

long long integerValue(const QVariant& value)
{
    return integerValue(QStringView(textOf(value)));
}

bool startsWithNumber(QStringView text)
{
    return leadingNumber(text).length > 0;
}

bool isNumber(QStringView text)
{
    const NumberSpan span = leadingNumber(text);
    if (span.length == 0 || text.size() > kReadLimit)
        return false;
    const char16_t* const end = text.utf16() + text.size();
    if (afterBlanks(span.begin + span.length, end) != end)
        return false;
    return std::isfinite(floatValue(text));
}

namespace detail {

QByteArray cFormatOf(const char* format)
{
    QByteArray out;
    for (const char* c = format; *c; ++c) {
        out += *c;
        if (*c != '%' || !c[1])
            continue;
        ++c;
        out += *c == '@' ? 's' : *c; // "%%" stays as it is, so "%%@" is a '%' and a '@'
    }
    return out;
}

double unsignedZeroArg(double value, const QByteArray& fmt, int index)
{
    // Find the conversion that takes argument `index`; a '*' width or
    // precision takes an argument of its own.
    int arg = 0;
    for (const char* c = fmt.constData(); *c; ++c) {
        if (*c != '%')
            continue;
        if (c[1] == '%') {
            ++c;
            continue;
        }
        QByteArray conversion("%");
        ++c;
        while (*c && std::strchr("-+ #0", *c))
            conversion += *c++;
        for (; *c == '*' || (*c >= '0' && *c <= '9'); ++c) {
            if (*c == '*')
                ++arg;
        }
        if (*c == '.') {
            conversion += *c++;
            for (; *c == '*' || (*c >= '0' && *c <= '9'); ++c) {
                if (*c == '*')
                    ++arg;
                else
                    conversion += *c;
            }
        }
        while (*c && std::strchr("hlLqjzt", *c))
            ++c;
        if (!*c)
            break;
        if (arg++ != index)
            continue;
        if (!std::strchr("fFeEgGaA", *c))
            return value;
        conversion += *c;
        const CNumericLocale cLocale;
        std::array<char, 400> buffer;
        std::snprintf(buffer.data(), buffer.size(), conversion.constData(), value);
        for (const char* d = buffer.data(); *d; ++d) {
            if (*d >= '1' && *d <= '9')
                return value;
        }
        return 0.0;
    }
    return value;
}

QString cFormat(const char* format, ...)
{
    const CNumericLocale cLocale;
    std::array<char, 256> buffer;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    QString result;
    if (size < 0) {
        qCWarning(lcPlatform, "bad format \"%s\"", format);
    } else if (size_t(size) < buffer.size()) {
        result = QString::fromUtf8(buffer.data(), size);
    } else {
        QByteArray big(size, Qt::Uninitialized);
        std::vsnprintf(big.data(), size_t(size) + 1, format, again);
        result = QString::fromUtf8(big);
    }
    va_end(again);
    return result;
}

} // namespace detail

} // namespace platform
