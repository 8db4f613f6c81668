#include "platform/Values.h"

#include "platform/Logging.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

namespace {

// C printf of one conversion with one argument, in the "C" locale.
template <typename T> void appendPrintf(QByteArray& out, const QByteArray& pattern, T value)
{
    const CNumericLocale cLocale;
    std::array<char, 128> buffer;
    const int size = std::snprintf(buffer.data(), buffer.size(), pattern.constData(), value);
    if (size < 0)
        return;
    if (size_t(size) < buffer.size()) {
        out.append(buffer.data(), size);
        return;
    }
    QByteArray big(size, Qt::Uninitialized);
    std::snprintf(big.data(), size_t(size) + 1, pattern.constData(), value);
    out += big;
}

long long asInteger(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return arg.i;
    case FormatArg::Unsigned:
        return static_cast<long long>(arg.u);
    case FormatArg::Real:
        if (std::isnan(arg.d))
            return 0;
        if (arg.d >= 9.2e18)
            return LLONG_MAX;
        if (arg.d <= -9.2e18)
            return LLONG_MIN;
        return static_cast<long long>(arg.d);
    case FormatArg::Text:
        return integerValue(QStringView(arg.text));
    }
    return 0;
}

double asReal(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return double(arg.i);
    case FormatArg::Unsigned:
        return double(arg.u);
    case FormatArg::Real:
        return arg.d;
    case FormatArg::Text:
        return doubleValue(QStringView(arg.text));
    }
    return 0;
}

QString asText(const FormatArg& arg)
{
    switch (arg.kind) {
    case FormatArg::Signed:
        return QString::number(arg.i);
    case FormatArg::Unsigned:
        return QString::number(arg.u);
    case FormatArg::Real:
        return QString::number(arg.d, 'g', 15);
    case FormatArg::Text:
        return arg.text;
    }
    return QString();
}

bool isFlag(char c)
{
    return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0';
}

} // namespace

QString formatArgs(const char* format, const FormatArg* args, qsizetype count)
{
    QByteArray out;
    qsizetype next = 0;
    bool missing = false;
    const auto take = [&]() -> const FormatArg* {
        if (next < count)
            return &args[next++];
        missing = true;
        return nullptr;
    };
    const auto number = [&](const char*& c) {
        // A width or precision: digits, or '*' taking an argument.
        QByteArray digits;
        if (*c == '*') {
            ++c;
            const FormatArg* arg = take();
            const long long n = arg ? asInteger(*arg) : 0;
            return QByteArray::number(qBound(-4096LL, n, 4096LL));
        }
        while (*c >= '0' && *c <= '9')
            digits += *c++;
        return digits;
    };
    for (const char* c = format; c && *c; ++c) {
        if (*c != '%') {
            out += *c;
            continue;
        }
        const char* const start = c++;
        if (*c == '%') {
            out += '%';
            continue;
        }
        QByteArray flags;
        while (isFlag(*c))
            flags += *c++;
        const QByteArray width = number(c);
        bool hasPrecision = false;
        QByteArray precision;
        if (*c == '.') {
            ++c;
            hasPrecision = true;
            precision = number(c);
        }
        // Length modifiers say nothing here: every argument is widened.
        while (*c == 'h' || *c == 'l' || *c == 'L' || *c == 'q' || *c == 'j' || *c == 'z' || *c == 't')
            ++c;
        const char conversion = *c;
        if (!conversion) {
            out.append(start, c - start);
            break;
        }
        QByteArray pattern = '%' + flags + width;
        if (hasPrecision)
            pattern += '.' + (precision.startsWith('-') ? QByteArray() : precision);
        switch (conversion) {
        case 'd':
        case 'i':
            if (const FormatArg* arg = take())
                appendPrintf(out, pattern + "lld", asInteger(*arg));
            break;
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            if (const FormatArg* arg = take())
                appendPrintf(
                    out, pattern + "ll" + conversion, static_cast<unsigned long long>(asInteger(*arg)));
            break;
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (const FormatArg* arg = take()) {
                const double value = asReal(*arg);
                const qsizetype at = out.size();
                appendPrintf(out, pattern + conversion, value);
                // A zero reads the same whatever its sign: never "-0.00".
                const QByteArrayView written = QByteArrayView(out).sliced(at);
                const bool zero = std::none_of(written.begin(), written.end(), [](char c) { return c >= '1' && c <= '9'; });
                if (std::signbit(value) && value > -1 && zero) {
                    out.truncate(at);
                    appendPrintf(out, pattern + conversion, 0.0);
                }
            }
            break;
        case 'c':
            if (const FormatArg* arg = take())
                out += QString(QChar(char16_t(asInteger(*arg)))).toUtf8();
            break;
        case '@':
        case 's':
            if (const FormatArg* arg = take()) {
                QString text = asText(*arg);
                if (hasPrecision && !precision.startsWith('-'))
                    text.truncate(qsizetype(precision.toLongLong()));
                const qsizetype pad = width.toLongLong() - text.size();
                if (pad > 0 && flags.contains('-'))
                    text += QString(pad, u' ');
                else if (pad > 0)
                    text.prepend(QString(pad, u' '));
                out += text.toUtf8();
            }
            break;
        default:
            // "%n" and "%p" and anything unknown write nothing of memory.
            qCWarning(lcPlatform, "stringWithFormat: conversion %%%c not supported in \"%s\"", conversion, format);
            break;
        }
    }
    if (missing)
        qCWarning(lcPlatform, "stringWithFormat: \"%s\" has more conversions than arguments", format);
    return QString::fromUtf8(out);
}

} // namespace detail

} // namespace platform
