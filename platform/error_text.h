// How an errno value is put into words for the user, in the two wordings Vellum shows: the
// system's own sentence where a named file could not be read, and the short wording of the
// run-time that the list file's export and import have always given.
#pragma once

#include <string>

namespace vellum::platform {

// The system's text of an errno value ("Permission denied").
[[nodiscard]] std::string ErrorText(int code);

// The run-time's wording: "File access denied", "Disk full", "File not found", otherwise
// "I/O error %d".
[[nodiscard]] std::string IoErrorText(int code);

}  // namespace vellum::platform
