#include "pass/link_copies.h"

#include <cstdlib>
#include <vector>

#include "filelist/counted.h"
#include "filelist/identical_runs.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "pass/replace_copy.h"

namespace vellum {

namespace {

constexpr std::int32_t kTallyTicks = 10;

struct CopyAndKept {
    std::int32_t copy = 0;
    std::int32_t kept = 0;
};

// Every flagged row paired with the kept copy of its run; a flagged row outside every run, or
// in a run that keeps nothing, has no pair.
std::vector<CopyAndKept> FlaggedWithKeptCopy(ListContext& ctx) {
    std::vector<CopyAndKept> pairs;
    ForEachIdenticalRun(ctx, [&](std::int32_t first, std::int32_t last) {
        const KeptCopy kept = FirstKeepable(ctx, first, last, Keepable::UnflaggedInPlace);
        if (kept.row == 0) return;
        for (std::int32_t k = first; k <= last; ++k)
            if (ctx.table[k].status == EntryStatus::FLAGGED) pairs.push_back({k, kept.row});
    });
    return pairs;
}

std::int32_t FlaggedRows(const ListContext& ctx) {
    std::int32_t flagged = 0;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        if (ctx.table[i].status == EntryStatus::FLAGGED) ++flagged;
    return flagged;
}

class Replacing {
  public:
    Replacing(ListContext& ctx, ListPass& pass) : ctx_(ctx), pass_(pass) {}

    // Replaces each pair's copy the one way; those whose file system cannot share blocks are
    // handed back. False when Halt stopped it.
    bool Run(const std::vector<CopyAndKept>& pairs, LinkWay way,
             std::vector<CopyAndKept>& cannotShare) {
        ListState& s = ctx_.state;
        s.Updating = true;
        s.Processing = true;
        ctx_.host->ShowStatus();
        bool halted = false;
        for (const CopyAndKept& pair : pairs) {
            if (!pass_.RefreshIfDue()) {
                halted = true;
                break;
            }
            if (Replace(pair, way) == CopyReplaced::CannotShare) cannotShare.push_back(pair);
        }
        s.Processing = false;
        s.Updating = false;
        return !halted;
    }

    [[nodiscard]] const LinkTally& tally() const { return tally_; }

  private:
    CopyReplaced Replace(const CopyAndKept& pair, LinkWay way) {
        FileEntry& copy = ctx_.table[pair.copy];
        const FileEntry& kept = ctx_.table[pair.kept];
        CopyOutcome outcome;
        if (SameFile(ctx_, copy, kept)) {
            outcome.replaced = CopyReplaced::Yes;  // a link to it already: nothing held twice
        } else {
            const std::string copyPath(copy.path.view());
            const std::string keptPath(kept.path.view());
            outcome = way == LinkWay::Dedupe ? DedupeOnto(*ctx_.fs, keptPath, copyPath)
                                             : HardLinkOver(*ctx_.fs, keptPath, copyPath);
        }
        tally_.freed += outcome.freed;
        if (outcome.replaced == CopyReplaced::Yes) {
            copy.status = EntryStatus::OKAY;
            ++tally_.replaced;
        }
        return outcome.replaced;
    }

    ListContext& ctx_;
    ListPass& pass_;
    LinkTally tally_;
};

}  // namespace

LinkTally ReplaceFlaggedWithLinks(ListContext& ctx, ListPass& pass, const LinkRequest& request) {
    if (ctx.state.Updating) return {};
    const std::int32_t flagged = FlaggedRows(ctx);
    Replacing replacing(ctx, pass);
    std::vector<CopyAndKept> cannotShare;
    const bool done = replacing.Run(FlaggedWithKeptCopy(ctx), request.way, cannotShare);
    if (done && !cannotShare.empty() && request.hardLinksInstead &&
        request.hardLinksInstead(static_cast<std::int32_t>(cannotShare.size()))) {
        std::vector<CopyAndKept> none;
        (void)replacing.Run(cannotShare, LinkWay::Hard, none);
    }
    LinkTally tally = replacing.tally();
    tally.left = flagged - tally.replaced;
    PostStatusMessage(ctx, LinkTallyText(tally, request.thousandsSeparator), "Bold",
                      tally.left > 0 ? "Red" : "Blue", kTallyTicks);
    ctx.RunPass();
    return tally;
}

std::string LinkTallyText(const LinkTally& tally, std::string_view separator) {
    return Counted(tally.replaced, "file") + " replaced with links to the kept copy, " +
           std::to_string(tally.left) + " left, " +
           Counted(tally.freed, "byte", FormatThousands(tally.freed, separator)) + " freed";
}

std::string HardLinkQuestion(std::int32_t copies) {
    const char* them = copies == 1 ? "it" : "them";
    return Counted(copies, "flagged file") +
           " could not share blocks with the kept copy on this file system. Replace " + them +
           " with hard links to the kept copy instead? Each name then leads to one and the same "
           "file: the names share its permissions and times, and a change made through one name "
           "shows through every other.";
}

}  // namespace vellum
