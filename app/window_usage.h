// What `vellum` answers before any window or display is needed, as Linux programs answer:
// --help and --version on standard output, and an option it does not know with its usage on
// standard error. Every other argument goes to the window.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vellum::app {

// What to print, where, and the exit status, instead of starting.
struct EarlyAnswer {
    std::string text;
    bool toStandardError = false;
    int status = 0;
};

// Whether a path names something on disk: an argument that looks like an option but names a
// file or folder is taken as that file, as it always was.
using PathExists = std::function<bool(const std::string& path)>;

// The answer the arguments ask for, if any: --help, --version, or an unknown option (exit 2).
// Vellum's own options (without regard to letter case), -f with anything after it, Qt's own
// options and everything after "--" are known.
[[nodiscard]] std::optional<EarlyAnswer> AnswerEarly(const std::vector<std::string>& args,
                                                     const PathExists& exists);

}  // namespace vellum::app
