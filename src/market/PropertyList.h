#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// XML property lists of dictionaries, arrays and strings (other plist types
// read as their text), so the cache files stay readable by the usual tools.
namespace market {

QByteArray writePropertyList(const QVariant& root);
std::optional<QVariant> readPropertyList(const QByteArray& xml, QString* error = nullptr);

// Written to a temporary file and renamed, so a crash never leaves half a file.
bool savePropertyList(const QString& path, const QVariant& root);
std::optional<QVariant> loadPropertyList(const QString& path, QString* error = nullptr);

} // namespace market
