// How an errno value is put into words for the user, in the two wordings Vellum shows: the
// system's own sentence where a named file could not be read, and the short wording of the
// run-time that the list file's export and import have always given; and how either is tied to
// the file it is about, so that no message leaves the user guessing which file failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellum::platform {

// The system's text of an errno value ("Permission denied").
[[nodiscard]] std::string ErrorText(int code);

// The run-time's wording: "File access denied", "Disk full", "File not found", otherwise
// "I/O error %d".
[[nodiscard]] std::string IoErrorText(int code);

// "PATH: reason".
[[nodiscard]] std::string AboutFile(std::string_view path, std::string_view reason);
// "PATH, line N: reason", for one line of a list file.
[[nodiscard]] std::string AboutLine(std::string_view path, std::int64_t line,
                                    std::string_view reason);

}  // namespace vellum::platform
