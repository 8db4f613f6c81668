#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>

class QWidget;

namespace app {

// The text shown when a server code is not in the table.
inline const char* const kUnknownErrorText = "An unknown error occurred, please upgrade the app.";

// The server error table, keyed by the code as decimal text, in Chinese or
// English by the system language.
QVariantMap errorDict();
// Replaces the table (a newer one from the server, or tests).
void setErrorDict(const QVariantMap& table);

// The text for a server code: the table's entry, else the unknown-error text.
QString errorText(int code);

// The error alert with the single button "确定" showing errorText(code).
void showServerError(QWidget* parent, int code, std::function<void(int)> done = {});

} // namespace app
