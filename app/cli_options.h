// The command line of vellum-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "filelist/file_table.h"

namespace vellum::cli {

struct Options {
    ListState variants;  // only the CRC variants are taken from it
    std::string mask = "*.*";
    bool tabbed = false;
    bool duplicates = false;
    std::optional<bool> progress;  // unset: on when standard error is a terminal
    bool help = false;
    bool version = false;
    std::vector<std::string> paths;
    std::optional<std::string> verifyList;  // --verify: check the files of this list file
};

// The options, or the text of a usage error.
struct Parsed {
    Options options;
    std::string error;
};
[[nodiscard]] Parsed ParseOptions(const std::vector<std::string>& args);

[[nodiscard]] std::string UsageText();

}  // namespace vellum::cli
