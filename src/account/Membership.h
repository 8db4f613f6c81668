#pragma once

#include <QString>
#include <QVariantMap>

// The membership questions the screens ask, answered in one place.
namespace membership {

// "vipmacopen" of the application settings: its integer value 0 or -1, or
// its absence, means the membership features are off.
bool featuresOn(const QVariantMap& appDict);

// A paying member: `power` above 4001 and below 5000. Missing, empty, "0"
// and "4001" are ordinary users.
bool isPayingMember(const QString& power);

} // namespace membership
