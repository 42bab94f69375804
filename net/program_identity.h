// The program's name and version, shared by the captions, the About box and the version check.
#pragma once

#include <string>
#include <string_view>

namespace vellum {

inline constexpr std::string_view kProgramName = "Vellum";
inline constexpr std::string_view kProgramVersion = "1.420";

// "Vellum v1.420": the window caption and the User-Agent of the version check.
[[nodiscard]] inline std::string ProgramTitle() {
    return std::string(kProgramName) + " v" + std::string(kProgramVersion);
}

}  // namespace vellum
