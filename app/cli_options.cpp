#include "app/cli_options.h"

#include "filelist/command_line.h"
#include "interchange/list_file.h"

namespace vellum::cli {

std::string UsageText() {
    return "usage: vellum-cli [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b] [--mask PATTERN]\n"
           "                  [--format csv|tab|md5sum|sfv] [--duplicates [--keep-first]]\n"
           "                  [--progress|--no-progress] PATH...\n"
           "       vellum-cli [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b]\n"
           "                  [--progress|--no-progress] --verify LIST\n"
           "\n"
           "Calculates CRC-16, CRC-32, xsum and MD5 of every file named or found under a folder\n"
           "and prints one list line per file, as the window's export writes it.\n"
           "With --verify, reads a list file (Vellum's comma-separated list, or md5sum, MD5 tag\n"
           "or SFV lines, whose relative paths are taken against the list's folder), calculates\n"
           "the files it names and prints UNCHANGED, CHANGED, MISSING or FAILED, a tab and the\n"
           "path for each; give the CRC variants the list was written with. SFV holds the\n"
           "CRC-32 of -crc32b: its lines are not checked under -crc32a.\n"
           "\n"
           "  -crc16a|b|c     CRC-16 variant (default b); -crc32a|b CRC-32 variant (default b)\n"
           "  --mask PATTERN  which files a folder walk adds (default *.*)\n"
           "  --format F      csv (default; CR LF), tab (tab-separated), md5sum or sfv (LF)\n"
           "  --tab           the same as --format tab\n"
           "  --duplicates    print only the files that have an identical copy in the list\n"
           "  --keep-first    with --duplicates, leave out the first of each group of copies\n"
           "                  (sorted by md5, then path): what is printed can be deleted\n"
           "  --progress      progress on standard error (default when it is a terminal)\n"
           "  --verify LIST   check the files of a list file against its values\n"
           "  --              the arguments after it are paths\n"
           "\n"
           "Exit status: 0 all files calculated, 1 some could not be, 2 usage error.\n"
           "With --duplicates only files that share their size with another are read, and\n"
           "only they count.\n"
           "With --verify: 0 every file unchanged, 1 some changed, missing or not read, or\n"
           "no usable line in the list, 2 usage error or the list cannot be read.\n";
}

namespace {

// The value that follows the option at k, which moves past it; false at the end of args.
bool TakeValue(const std::vector<std::string>& args, std::size_t& k, std::string& value) {
    if (k + 1 == args.size()) return false;
    value = args[++k];
    return true;
}

std::optional<ExportLayout> LayoutNamed(const std::string& name) {
    if (name == "csv") return ExportLayout::Csv;
    if (name == "tab") return ExportLayout::Tabbed;
    if (name == "md5sum") return ExportLayout::Md5sum;
    if (name == "sfv") return ExportLayout::Sfv;
    return std::nullopt;
}

// The checks that concern the options together rather than one at a time.
std::string ModeError(const Options& o, bool listingOption) {
    if (o.verifyList) {
        if (!o.paths.empty() || listingOption)
            return "--verify takes no PATH, --mask, --format, --tab, --duplicates or --keep-first";
        return {};
    }
    if (o.keepFirst && !o.duplicates) return "--keep-first goes with --duplicates";
    if (auto refusal = LayoutRefusal(o.layout, o.variants)) return *refusal;
    if (!o.help && !o.version && o.paths.empty()) return "no PATH given";
    return {};
}

}  // namespace

Parsed ParseOptions(const std::vector<std::string>& args) {
    Parsed p;
    Options& o = p.options;
    bool pathsOnly = false;
    bool listingOnly = false;  // an option that only the listing mode knows
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (pathsOnly || a.empty() || a[0] != '-' || a == "-") {
            o.paths.push_back(a);
        } else if (a == "--") {
            pathsOnly = true;
        } else if (a == "--mask" || a == "--verify" || a == "--format") {
            std::string value;
            if (!TakeValue(args, k, value)) {
                p.error = a + " needs a value";
                return p;
            }
            if (a == "--verify") {
                o.verifyList = value;
                continue;
            }
            listingOnly = true;
            if (a == "--mask") {
                o.mask = value;
            } else if (const auto layout = LayoutNamed(value)) {
                o.layout = *layout;
            } else {
                p.error = "--format takes csv, tab, md5sum or sfv, not " + value;
                return p;
            }
        } else if (a == "--tab") {
            o.layout = ExportLayout::Tabbed;
            listingOnly = true;
        } else if (a == "--duplicates" || a == "--keep-first") {
            (a == "--duplicates" ? o.duplicates : o.keepFirst) = true;
            listingOnly = true;
        } else if (a == "--progress" || a == "--no-progress") {
            o.progress = a == "--progress";
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (!ApplySwitch(o.variants, a)) {
            p.error = "unknown option " + a;
            return p;
        }
    }
    if (o.mask.empty()) o.mask = "*.*";
    p.error = ModeError(o, listingOnly);
    return p;
}

}  // namespace vellum::cli
