#include "platform/Values.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace platform {

namespace {

// Length of the longest prefix of s that strtod accepts as a decimal number
// (no hex, no inf/nan words: the feeds never send them as numbers).
qsizetype numericPrefix(const QByteArray& s, qsizetype start)
{
    qsizetype i = start;
    const qsizetype n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == '.') {
        qsizetype j = i + 1;
        qsizetype frac = 0;
        while (j < n && s[j] >= '0' && s[j] <= '9') {
            ++j;
            ++frac;
        }
        if (digits + frac > 0) {
            i = j;
            digits += frac;
        }
    }
    if (digits == 0)
        return 0;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-'))
            ++j;
        qsizetype expDigits = 0;
        while (j < n && s[j] >= '0' && s[j] <= '9') {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            i = j;
    }
    return i - start;
}

qsizetype skipBlanks(const QByteArray& s)
{
    qsizetype i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
    return i;
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

// The number `text` starts with after blanks, empty when there is none.
QByteArray leadingNumber(QStringView text)
{
    // The numeric prefix is pure ASCII, so Latin-1 is exact for it.
    const QByteArray s = text.left(400).toLatin1();
    const qsizetype start = skipBlanks(s);
    return s.mid(start, numericPrefix(s, start));
}

} // namespace

double doubleValue(QStringView text)
{
    const QByteArray number = leadingNumber(text);
    if (number.isEmpty())
        return 0.0;
    return std::strtod(number.constData(), nullptr);
}

float floatValue(QStringView text)
{
    const QByteArray number = leadingNumber(text);
    if (number.isEmpty())
        return 0.0f;
    return std::strtof(number.constData(), nullptr);
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
    const QByteArray s = text.left(400).toLatin1();
    qsizetype i = skipBlanks(s);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    long long result = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        const int digit = s[i] - '0';
        if (result > (LLONG_MAX - digit) / 10)
            return negative ? LLONG_MIN : LLONG_MAX;
        result = result * 10 + digit;
        ++i;
    }
    return negative ? -result : result;
}

long long integerValue(const QVariant& value)
{
    return integerValue(QStringView(textOf(value)));
}

bool startsWithNumber(QStringView text)
{
    const QByteArray s = text.left(400).toLatin1();
    return numericPrefix(s, skipBlanks(s)) > 0;
}

} // namespace platform
