#pragma once

namespace charts {
// Registers this library's controllers and views with the controller
// registry under their identifiers.
void registerControllers();
} // namespace charts
