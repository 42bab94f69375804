// The anonymous installation identifier: made once from the clock, kept in the settings file
// beside the program, and sent with every version check.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace vellum::net {

inline constexpr std::string_view kSettingsSection = "Software\\Tarnwick\\Vellum";
inline constexpr std::string_view kInstallIdKey = "UniqueSerialNumber";

// Local-time milliseconds since 1970-01-01, as platform::LocalMilliseconds gives them.
using LocalClock = std::function<std::int64_t()>;

struct InstallIdOutcome {
    std::string id;           // the identifier to use this run, stored or not
    bool made = false;        // there was none and a new one was made
    std::string writeError;   // "Unable to write to PATH" when a new one could not be stored
    std::string writeReason;  // then the system's words for why ("Permission denied")
};

// Reads the identifier from the settings file; makes and stores a new one when there is none.
// A failed store is reported in writeError and the new identifier is still returned.
[[nodiscard]] InstallIdOutcome LoadInstallId(const std::string& settingsPath,
                                             const LocalClock& clock = platform::LocalMilliseconds);

// What the user is told when the identifier could not be stored: writeError, then on a line of
// its own the reason and what follows from it, the identifier not kept and, when the start-up
// would have checked, no version check this time.
[[nodiscard]] std::string WriteFailureMessage(const InstallIdOutcome& outcome, bool checkSkipped);

// Whole milliseconds between 2000-01-01 01:01:01.001 and localMs, as a distance (never
// negative; clamped to the largest signed value).
[[nodiscard]] std::int64_t MillisecondsSince2000(std::int64_t localMs);

// The identifier for clock reading t: a mixed form of t in decimal (1 to 19 digits), then the
// 32 lower-case hex digits of the MD5 of t's decimal text.
[[nodiscard]] std::string MakeInstallId(std::int64_t t);

}  // namespace vellum::net
