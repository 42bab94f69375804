// The command line of vellum-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "filelist/file_table.h"
#include "interchange/export_line.h"

namespace vellum::cli {

struct Options {
    ListState variants;  // only the CRC variants are taken from it
    std::string mask = "*.*";
    ExportLayout layout = ExportLayout::Csv;  // --format, --tab, --tag
    bool duplicates = false;
    bool keepFirst = false;        // --keep-first: of each group of copies, all but the first
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
