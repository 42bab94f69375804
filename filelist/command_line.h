// The program's command line: the CRC variant switches, -noautocheck, the file limit -fN, and
// the paths that start-up adds.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

struct ListContext;
struct ListState;

// -crc16a, -crc16b, -crc16c, -crc32a, -crc32b and -noautocheck, compared with the whole
// argument without regard to letter case. True when arg was one of them.
bool ApplySwitch(ListState& state, std::string_view arg);
// "-f" or "-F" as the first two characters.
[[nodiscard]] bool IsFOption(std::string_view arg);

// Both option sweeps of start-up, then the table is sized (also after a bad -f). Returns the
// error of a -f whose number is not a valid integer: "'%s' is not a valid integer value".
[[nodiscard]] std::optional<std::string> SweepOptions(ListContext& ctx,
                                                      const std::vector<std::string>& args);

// The paths start-up hands to the adding code: at most the first 15 arguments, without a
// leading -f argument.
[[nodiscard]] std::vector<std::string> StartupPaths(const std::vector<std::string>& args);

}  // namespace vellum
