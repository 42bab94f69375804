#include "app/cli_verify.h"

#include <cstdio>
#include <string_view>

#include "app/cli_host.h"
#include "filelist/list_context.h"
#include "interchange/list_file.h"
#include "pass/list_pass.h"

namespace vellum::cli {
namespace {

constexpr int kExitUnchanged = 0;
constexpr int kExitNotAllUnchanged = 1;
constexpr int kExitUnreadable = 2;

// The pass leaves a row it could not finish CALCING: it was not verified.
std::string_view Verdict(const FileEntry& row) {
    if (row.status == EntryStatus::INVALID) return "MISSING";
    if (row.status != EntryStatus::OKAY) return "FAILED";
    return row.band == EntryBand::UNCHANGED ? "UNCHANGED" : "CHANGED";
}

// Prints rows first to the end; true when every one is unchanged.
bool PrintVerdicts(const ListContext& ctx, std::int32_t first) {
    bool allUnchanged = true;
    for (std::int32_t i = first; i < ctx.state.RowCount; ++i) {
        const FileEntry& row = ctx.table[i];
        const std::string_view verdict = Verdict(row);
        allUnchanged = allUnchanged && verdict == "UNCHANGED";
        const std::string line = std::string(verdict) + "\t" + std::string(row.path.view()) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return allUnchanged;
}

}  // namespace

int RunVerify(const Options& o) {
    const std::string& list = *o.verifyList;
    CliSession session(o);
    ListContext& ctx = session.ctx;
    CliHost& host = session.host;

    const std::int32_t first = ctx.state.RowCount;
    ImportCounts counts;
    if (const auto error = ImportFileList(ctx, list, &counts)) {
        std::fprintf(stderr, "vellum-cli: cannot read %s: %s\n", list.c_str(), error->c_str());
        return kExitUnreadable;
    }
    if (const auto notice = ImportNotice(counts, list))
        std::fprintf(stderr, "vellum-cli: %s\n", notice->c_str());
    if (ctx.state.RowCount == first) return kExitNotAllUnchanged;
    ctx.updatefilez();
    host.EndProgress();
    const bool allUnchanged = PrintVerdicts(ctx, first);
    std::fflush(stdout);
    return allUnchanged ? kExitUnchanged : kExitNotAllUnchanged;
}

}  // namespace vellum::cli
