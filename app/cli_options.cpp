#include "app/cli_options.h"

#include "filelist/command_line.h"
#include "interchange/list_file.h"

namespace vellum::cli {

std::string UsageText() {
    return "usage: vellum-cli [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b] [--mask PATTERN]\n"
           "                  [--format F [--tag]]\n"
           "                  [--duplicates [--keep-first|--keep-in DIR...] [--link WAY]]\n"
           "                  [--progress|--no-progress] PATH...\n"
           "       vellum-cli [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b] [--strict]\n"
           "                  [--ignore-missing] [--quiet|--status] [--progress|--no-progress]\n"
           "                  --verify LIST\n"
           "       vellum-cli --check DIGEST FILE\n"
           "\n"
           "Calculates CRC-16, CRC-32, xsum and MD5 of every file named or found under a folder\n"
           "and prints one list line per file, as the window's export writes it; or, with a\n"
           "--format of another tool, only the value that tool's list holds.\n"
           "With --verify, reads a list file (Vellum's comma-separated list; md5sum, sha1sum,\n"
           "sha224sum, sha256sum, sha384sum, sha512sum or b2sum lines, plain or --tag; SFV),\n"
           "whose relative paths are taken against the list's folder, calculates the files it\n"
           "names in the list's order and prints UNCHANGED, CHANGED, MISSING or FAILED, a tab\n"
           "and the path for each; a path with a backslash or a line break is escaped as md5sum\n"
           "escapes it, and its line starts with a backslash. Lines that cannot be read are\n"
           "counted on standard error. Give the CRC variants the list was written with; SFV\n"
           "holds the CRC-32 of -crc32b: its lines are not checked under -crc32a.\n"
           "With --check, tells whether FILE's digest of DIGEST's length (MD5, SHA-1, SHA-224,\n"
           "SHA-256, SHA-384, SHA-512 or BLAKE2b-512) is DIGEST.\n"
           "\n"
           "  -crc16a|b|c     CRC-16 variant (default b); -crc32a|b CRC-32 variant (default b)\n"
           "  --mask PATTERN  which files a folder walk adds (default *.*)\n"
           "  --format F      csv (default; CR LF), tab (tab-separated), md5sum, sha1sum,\n"
           "                  sha224sum, sha256sum, sha384sum, sha512sum, b2sum or sfv (LF)\n"
           "  --tag           with a format of a digest tool: its BSD tag lines\n"
           "  --tab           the same as --format tab\n"
           "  --duplicates    print only the files that have an identical copy in the list\n"
           "  --keep-first    with --duplicates, leave out the first of each group of copies\n"
           "                  (sorted by md5, then path): what is printed can be deleted\n"
           "  --keep-in DIR   with --duplicates, leave out the copies inside DIR (repeatable)\n"
           "                  and print those outside it, of every group with a copy inside\n"
           "  --link WAY      with --keep-first or --keep-in, replace what they print by links\n"
           "                  to the copy kept: dedupe (shared blocks, where the file system\n"
           "                  can) or hard (one file under both names); print what is left\n"
           "  --progress      progress on standard error (default when it is a terminal)\n"
           "  --verify LIST   check the files of a list file against its values (- reads\n"
           "                  standard input)\n"
           "  --strict        with --verify, fail when a line of the list cannot be read\n"
           "  --ignore-missing  with --verify, say nothing of files that are missing\n"
           "  --quiet         with --verify, print only the files that are not UNCHANGED\n"
           "  --status        with --verify, print nothing: the exit status tells\n"
           "  --check DIGEST  check one FILE against a published digest\n"
           "  --              the arguments after it are paths\n"
           "\n"
           "Exit status: 0 all files calculated, 1 some could not be (or, with --link, some\n"
           "copy was left as it was), 2 usage error.\n"
           "With --duplicates only files that share their size with another are read, and\n"
           "only they count.\n"
           "With --verify: 0 every file unchanged, 1 some changed, missing or not read, no\n"
           "usable line in the list, or (with --strict) a line that cannot be read, 2 usage\n"
           "error or the list cannot be read.\n"
           "With --check: 0 the digest matches, 1 it does not or FILE cannot be read, 2 usage\n"
           "error.\n";
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
    for (const DigestInfo& info : AllDigestInfo())
        if (name == info.tool) return ExportLayout{ExportLayout::Shape::Sums, info.kind};
    return std::nullopt;
}

// What the options of one mode may not be mixed with.
struct Mixed {
    // --mask, --format, --tab, --tag, --duplicates, --keep-first, --keep-in, --link
    bool listing = false;
    bool verifying = false;  // --strict, --ignore-missing, --quiet, --status
};

std::string ModeError(const Options& o, const Mixed& mixed) {
    if (o.checkDigest) {
        if (o.verifyList || mixed.listing || mixed.verifying)
            return "--check takes no other mode's options";
        if (o.paths.size() != 1) return "--check takes one FILE";
        return {};
    }
    if (o.verifyList) {
        if (!o.paths.empty() || mixed.listing)
            return "--verify takes no PATH, --mask, --format, --tab, --tag, --duplicates, "
                   "--keep-first, --keep-in or --link";
        return {};
    }
    if (mixed.verifying) return "--strict, --ignore-missing, --quiet and --status go with --verify";
    if (o.keepFirst && !o.duplicates) return "--keep-first goes with --duplicates";
    if (!o.keepIn.empty() && !o.duplicates) return "--keep-in goes with --duplicates";
    if (!o.keepIn.empty() && o.keepFirst) return "--keep-in and --keep-first do not go together";
    if (o.link && !o.keepFirst && o.keepIn.empty())
        return "--link goes with --duplicates and --keep-first or --keep-in";
    if (auto refusal = LayoutRefusal(o.layout, o.variants)) return *refusal;
    if (!o.help && !o.version && o.paths.empty()) return "no PATH given";
    return {};
}

// --tag turns a digest tool's format into its tag lines.
std::string ApplyTag(Options& o) {
    if (o.layout.shape != ExportLayout::Shape::Sums)
        return "--tag goes with the format of a digest tool (md5sum, sha256sum, b2sum, ...)";
    o.layout.shape = ExportLayout::Shape::Tags;
    return {};
}

}  // namespace

Parsed ParseOptions(const std::vector<std::string>& args) {
    Parsed p;
    Options& o = p.options;
    bool pathsOnly = false;
    bool tag = false;
    Mixed mixed;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        if (pathsOnly || a.empty() || a[0] != '-' || a == "-") {
            o.paths.push_back(a);
        } else if (a == "--") {
            pathsOnly = true;
        } else if (a == "--mask" || a == "--verify" || a == "--format" || a == "--check" ||
                   a == "--keep-in" || a == "--link") {
            std::string value;
            if (!TakeValue(args, k, value)) {
                p.error = a + " needs a value";
                return p;
            }
            if (a == "--verify") {
                o.verifyList = value;
                continue;
            }
            if (a == "--check") {
                o.checkDigest = value;
                continue;
            }
            mixed.listing = true;
            if (a == "--mask") {
                o.mask = value;
            } else if (a == "--keep-in") {
                o.keepIn.push_back(value);
            } else if (a == "--link") {
                if (value != "dedupe" && value != "hard") {
                    p.error = "--link takes dedupe or hard, not " + value;
                    return p;
                }
                o.link = value == "dedupe" ? LinkWay::Dedupe : LinkWay::Hard;
            } else if (const auto layout = LayoutNamed(value)) {
                o.layout = *layout;
            } else {
                p.error =
                    "--format takes csv, tab, md5sum, sha1sum, sha224sum, sha256sum, "
                    "sha384sum, sha512sum, b2sum or sfv, not " +
                    value;
                return p;
            }
        } else if (a == "--tab") {
            o.layout = ExportLayout::Tabbed;
            mixed.listing = true;
        } else if (a == "--tag") {
            tag = true;
            mixed.listing = true;
        } else if (a == "--duplicates" || a == "--keep-first") {
            (a == "--duplicates" ? o.duplicates : o.keepFirst) = true;
            mixed.listing = true;
        } else if (a == "--strict" || a == "--ignore-missing" || a == "--quiet" ||
                   a == "--status") {
            (a == "--strict"           ? o.strict
             : a == "--ignore-missing" ? o.ignoreMissing
             : a == "--quiet"          ? o.quiet
                                       : o.status) = true;
            mixed.verifying = true;
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
    if (tag) p.error = ApplyTag(o);
    if (p.error.empty()) p.error = ModeError(o, mixed);
    return p;
}

}  // namespace vellum::cli
