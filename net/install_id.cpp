#include "net/install_id.h"

#include <limits>

#include "checksum/md5.h"
#include "platform/error_text.h"
#include "platform/ini.h"

namespace vellum::net {

namespace {

// 2000-01-01 01:01:01.001 as local milliseconds since 1970: 10957 days, then 1 h 1 min 1.001 s.
constexpr std::int64_t kIdEpoch = 10957LL * 86'400'000 + 3'661'001;

// Any fixed pair serves; odd values with mixed bit patterns make neighbouring clock readings
// give unrelated-looking numbers.
constexpr std::uint64_t kMixAddend = 0x9E3779B97F4A7C15ULL;
constexpr std::uint64_t kMixMask = 0xD1B54A32D192ED03ULL;
constexpr std::uint64_t kLow63Bits = 0x7FFFFFFFFFFFFFFFULL;

}  // namespace

std::int64_t MillisecondsSince2000(std::int64_t localMs) {
    const auto now = static_cast<std::uint64_t>(localMs);
    const auto epoch = static_cast<std::uint64_t>(kIdEpoch);
    const std::uint64_t distance = localMs >= kIdEpoch ? now - epoch : epoch - now;
    constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(distance > kLargest ? kLargest : distance);
}

std::string MakeInstallId(std::int64_t t) {
    const auto u = static_cast<std::uint64_t>(t);
    const std::uint64_t m = ((u + kMixAddend) ^ ((u ^ kMixMask) << 17) ^ (u << 55)) & kLow63Bits;
    return std::to_string(m) + DigestToHex(DigestOfText(std::to_string(t)));
}

InstallIdOutcome LoadInstallId(const std::string& settingsPath, const LocalClock& clock) {
    InstallIdOutcome outcome;
    outcome.id = platform::IniRead(settingsPath, kSettingsSection, kInstallIdKey);
    if (!outcome.id.empty()) return outcome;
    outcome.made = true;
    outcome.id = MakeInstallId(MillisecondsSince2000(clock()));
    if (const int error =
            platform::IniStore(settingsPath, kSettingsSection, kInstallIdKey, outcome.id)) {
        outcome.writeError = "Unable to write to " + settingsPath;
        outcome.writeReason = platform::ErrorText(error);
    }
    return outcome;
}

std::string WriteFailureMessage(const InstallIdOutcome& outcome, bool checkSkipped) {
    return outcome.writeError + "\n" + outcome.writeReason +
           ": the installation identifier is not kept" +
           (checkSkipped ? ", and the version check is skipped this time." : ".");
}

}  // namespace vellum::net
