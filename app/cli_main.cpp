// vellum-cli: lists the files named on the command line and those found under the folders
// named, calculates them with one list pass, and prints a list file on standard output (with
// --duplicates only the copies, which --link turns into links to the copy kept); or, with
// --verify, checks the files of such a list; or, with --check, one file against a digest.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli_host.h"
#include "app/cli_options.h"
#include "app/cli_text.h"
#include "app/cli_verify.h"
#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "filelist/reference_folders.h"
#include "interchange/export_line.h"
#include "pass/duplicate_search.h"
#include "pass/link_copies.h"
#include "pass/list_pass.h"
#include "program_identity.h"

namespace vellum::cli {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitUsage = 2;

// Adds every PATH as the window's commands would; false when one of them does not exist or a
// file named or found could not be opened (its "%s failed" has been said; it has no row).
bool AddPaths(ListContext& ctx, const Options& o) {
    bool allFound = true;
    AddingScope scope(ctx);
    AddProgress silent;
    for (const std::string& path : o.paths) {
        const std::uint32_t attrs = ctx.fs->Attributes(path);
        if (attrs == platform::kAttrFailure) {
            PostFailed(ctx, path);
            allFound = false;
        } else if ((attrs & platform::kAttrDirectory) != 0) {
            // The walk counts every file it hands over, added or not.
            AddCounters counters;
            const std::int32_t before = ctx.state.RowCount;
            ScanFolder(ctx, path, o.mask, counters, silent);
            if (ctx.state.RowCount - before < counters.AddedCount) allFound = false;
        } else if (AddChosenPath(ctx, path) == AddOutcome::Failed) {
            allFound = false;
        }
    }
    return allFound;
}

// Sorted by md5 and then by path, identical neighbours flagged: all but the first of each group
// with --keep-first, those outside the folders of --keep-in, else all.
void FlagDuplicates(ListContext& ctx, const Options& o) {
    ctx.sort = SortState{.PrimaryColumn = kColumnMd5,
                         .SecondaryColumn = kColumnFilename,
                         .PrimaryDescending = false,
                         .SecondaryDescending = false,
                         .FileNameOnly = false};
    SortRows(ctx, 1, ctx.state.RowCount - 1);
    if (o.keepFirst)
        FlagIdenticalsExceptFirst(ctx);
    else if (!o.keepIn.empty())
        FlagIdenticalsOutside(ctx, o.keepIn);
    else
        FlagIdenticals(ctx);
}

// A --keep-in that names no folder would keep nothing and flag nothing, silently.
bool KeepInFoldersExist(ListContext& ctx, const Options& o) {
    for (const std::string& folder : o.keepIn) {
        const std::uint32_t attrs = ctx.fs->Attributes(folder);
        if (attrs == platform::kAttrFailure || (attrs & platform::kAttrDirectory) == 0) {
            std::fprintf(stderr, "vellum-cli: --keep-in %s is no folder\n",
                         OneLine(folder).c_str());
            return false;
        }
    }
    return true;
}

// Prints the calculated rows (only the flagged ones with --duplicates); true when every row
// was calculated and printed. A row whose file was gone when the pass came to it, or whose
// name the layout cannot hold, is named on standard error, since no other message tells of it.
bool PrintRows(const ListContext& ctx, CliHost& host, const Options& o) {
    const std::string_view header = ExportHeader(o.layout);
    // An empty view may have no data at all, and fwrite must never be handed a null.
    if (!header.empty()) std::fwrite(header.data(), 1, header.size(), stdout);
    bool complete = true;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
        const FileEntry& row = ctx.table[i];
        if (row.status == EntryStatus::INVALID) host.Say(OneLine(row.path.view()) + " not found");
        const bool calculated = ValuesCalculated(row.status);
        complete = complete && calculated;
        if (!calculated || (o.duplicates && row.status != EntryStatus::FLAGGED)) continue;
        const std::string line = ExportLine(row, o.layout);
        if (line.empty()) {
            host.Say(OneLine(row.path.view()) + " left out: this list cannot hold a line break");
            complete = false;
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return complete;
}

int Run(const Options& o) {
    CliSession session(o);
    ListContext& ctx = session.ctx;
    CliHost& host = session.host;
    // Only what is printed, and what pairs copies, is calculated.
    ctx.calculate = ValuesOf(o.layout);
    if (o.duplicates) ctx.calculate.values = kHeldAll;

    if (!KeepInFoldersExist(ctx, o)) return kExitUsage;
    // The search opens every file that may have a copy and asks of the others whether they could
    // be read: the walk only looks the sizes up.
    ctx.sizesByLookUp = o.duplicates;
    bool allFound = AddPaths(ctx, o);
    // The commands end with a pass, as in the window: the first one calculates every row, the
    // later ones find nothing left to read.
    if (o.duplicates) {
        // Only the files that may have a copy are read whole, and the pass that flagging ends
        // with finds nothing left to read.
        allFound = FindDuplicateRows(ctx, session.pass, 1).unreadable == 0 && allFound;
        FlagDuplicates(ctx, o);
    } else {
        ctx.RunPass();
    }
    // The copies that became links are copies no longer: what is printed is what is left. The
    // tally is posted, and so said on standard error.
    bool allLinked = true;
    if (o.link) {
        const LinkTally tally =
            ReplaceFlaggedWithLinks(ctx, session.pass, LinkRequest{*o.link, {}, ","});
        allLinked = tally.left == 0;
    }
    host.EndProgress();
    const bool complete = PrintRows(ctx, host, o);
    std::fflush(stdout);
    return allFound && complete && allLinked ? kExitOk : kExitIncomplete;
}

}  // namespace
}  // namespace vellum::cli

int main(int argc, char** argv) {
    using namespace vellum::cli;
    const Parsed parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "vellum-cli: %s\n\n%s", parsed.error.c_str(), UsageText().c_str());
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (parsed.options.version) {
        std::printf("vellum-cli %s\n", std::string(vellum::kProgramVersion).c_str());
        return kExitOk;
    }
    if (parsed.options.verifyList) return RunVerify(parsed.options);
    if (parsed.options.checkDigest) return RunCheck(parsed.options);
    return Run(parsed.options);
}
