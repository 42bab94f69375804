// The command line of vellum-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "filelist/file_table.h"
#include "interchange/export_line.h"
#include "pass/link_copies.h"

namespace vellum::cli {

struct Options {
    ListState variants;  // only the CRC variants are taken from it
    std::string mask = "*.*";
    ExportLayout layout = ExportLayout::Csv;  // --format, --tab, --tag
    bool duplicates = false;
    bool keepFirst = false;  // --keep-first: of each group of copies, all but the first
    // --keep-in: of each group of copies with one in these folders, all outside them.
    std::vector<std::string> keepIn;
    std::optional<LinkWay> link;   // --link: the copies printed become links to the kept one
    std::optional<bool> progress;  // unset: on when standard error is a terminal
    bool help = false;
    bool version = false;
    std::vector<std::string> paths;
    std::optional<std::string> verifyList;  // --verify: check the files of this list ("-": stdin)
    // How --verify reports, as users of the checking tools know them: unreadable lines fail the
    // run, files that are missing pass unsaid, only failures are printed, nothing is printed.
    bool strict = false;
    bool ignoreMissing = false;
    bool quiet = false;
    bool status = false;
    std::optional<std::string> checkDigest;  // --check DIGEST FILE: FILE is paths[0]
};

// The options, or the text of a usage error.
struct Parsed {
    Options options;
    std::string error;
};
[[nodiscard]] Parsed ParseOptions(const std::vector<std::string>& args);

[[nodiscard]] std::string UsageText();

}  // namespace vellum::cli
