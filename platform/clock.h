// Local wall-clock time in milliseconds, for refresh intervals and the installation identifier.
#pragma once

#include <cstdint>

namespace vellum::platform {

// Milliseconds since 1970-01-01 00:00:00 local time (the UTC offset of now applied).
[[nodiscard]] std::int64_t LocalMilliseconds();

}  // namespace vellum::platform
