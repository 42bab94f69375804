#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace vellum::platform {

std::int64_t LocalMilliseconds() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::int64_t utc_ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
    // The offset of this very second, so that a change to or from summer time shows at once.
    const std::time_t seconds =
        static_cast<std::time_t>(floor<std::chrono::seconds>(now.time_since_epoch()).count());
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return utc_ms;
    return utc_ms + static_cast<std::int64_t>(local.tm_gmtoff) * 1000;
}

}  // namespace vellum::platform
