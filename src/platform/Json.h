#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

namespace platform {

inline constexpr int kJsonMaxDepth = 32;

// JSON text to dictionaries and arrays: null becomes "", numbers become their
// decimal text, true/false become "1"/"0"; texts and keys lose their control
// characters (see withoutControlCharacters). Nesting deeper than 32 is refused.
// Answers nothing (and an error text) for a body that does not parse.
std::optional<QVariant> parseJson(const QByteArray& text, QString* error = nullptr);

// Compact JSON of dictionaries, arrays and strings.
QByteArray writeJson(const QVariant& value);

} // namespace platform
