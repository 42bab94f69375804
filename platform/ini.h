// The settings file: a small private-profile (INI) reader and writer with the Windows rules.
// Section and key names match without regard to ASCII case, every other line is kept as it
// was, and the file is replaced atomically so that a crash never leaves half of it behind.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellum::platform {

// A settings file larger than this is not ours: it reads as empty and is never rewritten.
inline constexpr std::size_t kMaxIniBytes = 1024 * 1024;

// The value of key in section, blanks around it and one pair of enclosing quotes removed.
// A missing, unreadable, oversized or non-regular file, section or key reads as empty.
[[nodiscard]] std::string IniRead(const std::string& path, std::string_view section,
                                  std::string_view key);

// Sets key in section to value and replaces the file atomically, keeping all else and the
// file's mode. 0 when written; else an errno value that says why not, for the user: that of the
// call that failed, EISDIR or EINVAL for a folder or another file that is not a regular one,
// EFBIG for a file too large to be ours, EINVAL when a name or the value would break the line
// structure (a line break, "]" in a section name, "=" in a key, an empty key).
[[nodiscard]] int IniStore(const std::string& path, std::string_view section, std::string_view key,
                           std::string_view value);

// IniStore(...) == 0.
[[nodiscard]] bool IniWrite(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view value);

// The same rules on text in memory; the file functions are these plus the file handling.
[[nodiscard]] std::string IniLookup(std::string_view text, std::string_view section,
                                    std::string_view key);
[[nodiscard]] std::string IniReplace(std::string_view text, std::string_view section,
                                     std::string_view key, std::string_view value);

}  // namespace vellum::platform
