// Where the program file lives, and the settings file that sits beside it.
#pragma once

#include <string>
#include <string_view>

namespace vellum::platform {

// The running program file, from /proc/self/exe; empty when the link cannot be read.
[[nodiscard]] std::string ProgramPath();

// programPath with the extension of its last component replaced by ".INI", or ".INI" added
// when that component has none. A leading dot (a hidden name) does not start an extension.
[[nodiscard]] std::string SettingsPathFor(std::string_view programPath);

}  // namespace vellum::platform
