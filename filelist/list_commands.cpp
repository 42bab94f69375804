#include "filelist/list_commands.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "filelist/identical_runs.h"
#include "filelist/list_context.h"
#include "platform/beside.h"

namespace vellum {

namespace {

template <class Change>
void ForEachFileRow(ListContext& ctx, Change&& change) {
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) change(ctx.table[i]);
}

void SetIf(FileEntry& row, EntryStatus from, EntryStatus to) {
    if (row.status == from) row.status = to;
}

// Rows kept by the removal commands close up from w on; the rows left over are emptied.
void CloseUp(ListContext& ctx, std::int32_t w) {
    for (std::int32_t i = w; i < ctx.state.RowCount; ++i) EmptyRow(ctx.table[i]);
    ctx.state.RowCount = w;
    ctx.host->RepaintGrid(ctx.state.RowCount);
    ctx.RunPass();
}

void Keep(ListContext& ctx, std::int32_t from, std::int32_t& w) {
    if (from != w) ctx.table[w] = ctx.table[from];
    ++w;
}

// A run of identical neighbours, and where its rows' identities start in the list of them.
struct IdenticalRun {
    std::int32_t first;
    std::int32_t last;
    std::size_t identities;
};

// The file every row of the runs names, each row looked up once, on two threads where the file
// layer's calls may overlap (the second half beside the first).
std::vector<std::optional<platform::FileIdentity>> IdentitiesOf(
    ListContext& ctx, const std::vector<IdenticalRun>& runs) {
    std::vector<std::int32_t> rows;
    for (const IdenticalRun& run : runs)
        for (std::int32_t k = run.first; k <= run.last; ++k) rows.push_back(k);
    std::vector<std::optional<platform::FileIdentity>> identities(rows.size());
    const auto lookUp = [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) identities[k] = IdentityOf(ctx, ctx.table[rows[k]]);
    };
    const std::size_t half = rows.size() / 2;
    auto second =
        platform::Beside(ctx.fs->CallsMayOverlap() && half >= platform::kCallsWorthAThread,
                         [&] { lookUp(half, rows.size()); });
    lookUp(0, half);
    second.get();
    return identities;
}

// SameFile for each pair of neighbours in a run, from the identities of its rows.
void FlagNeighbourPairs(ListContext& ctx, const IdenticalRun& run,
                        const std::vector<std::optional<platform::FileIdentity>>& identities) {
    for (std::int32_t i = run.first + 1; i <= run.last; ++i) {
        FileEntry& a = ctx.table[i - 1];
        FileEntry& b = ctx.table[i];
        const std::size_t at = run.identities + static_cast<std::size_t>(i - run.first);
        if (SameFile(a, identities[at - 1], b, identities[at])) continue;
        a.status = EntryStatus::FLAGGED;
        b.status = EntryStatus::FLAGGED;
    }
}

// Rows that name the kept file are the kept copy too: trashing a hard link of it would do no
// harm, but trashing the target of a kept symbolic link would lose the content.
void FlagAllButTheFirst(ListContext& ctx, std::int32_t first, std::int32_t last) {
    // The copy kept is the first row of the run whose file is in place: not in the trash, and
    // still there.
    const KeptCopy kept = FirstKeepable(ctx, first, last, Keepable::InPlace);
    if (kept.row == 0) return;
    for (std::int32_t k = first; k <= last; ++k) {
        FileEntry& row = ctx.table[k];
        if (row.status == EntryStatus::DELETED) continue;
        if (NamesKeptFile(ctx, row, kept))
            SetIf(row, EntryStatus::FLAGGED, EntryStatus::OKAY);
        else
            row.status = EntryStatus::FLAGGED;
    }
}

}  // namespace

void FlagAll(ListContext& ctx) {
    ForEachFileRow(ctx, [](FileEntry& r) { SetIf(r, EntryStatus::OKAY, EntryStatus::FLAGGED); });
    ctx.RunPass();
}

void FlagNone(ListContext& ctx) {
    ForEachFileRow(ctx, [](FileEntry& r) { SetIf(r, EntryStatus::FLAGGED, EntryStatus::OKAY); });
    ctx.RunPass();
}

void InvertFlags(ListContext& ctx) {
    ForEachFileRow(ctx, [](FileEntry& r) {
        if (r.status == EntryStatus::OKAY)
            r.status = EntryStatus::FLAGGED;
        else if (r.status == EntryStatus::FLAGGED)
            r.status = EntryStatus::OKAY;
    });
    ctx.RunPass();
}

void RemoveRowsIf(ListContext& ctx, const std::function<bool(const FileEntry&)>& remove) {
    RemoveRowsAt(ctx, [&](std::int32_t row) { return remove(std::as_const(ctx.table)[row]); });
}

void RemoveRowsAt(ListContext& ctx, const std::function<bool(std::int32_t row)>& remove) {
    if (ctx.state.Updating) return;
    std::int32_t w = 1;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        if (!remove(i)) Keep(ctx, i, w);
    CloseUp(ctx, w);
}

void RemoveRowsWithStatus(ListContext& ctx, EntryStatus status) {
    RemoveRowsIf(ctx, [status](const FileEntry& row) { return row.status == status; });
}

void RemoveFlagged(ListContext& ctx) {
    RemoveRowsWithStatus(ctx, EntryStatus::FLAGGED);
}

void RemoveDeleted(ListContext& ctx) {
    RemoveRowsWithStatus(ctx, EntryStatus::DELETED);
}

void RemoveAdjacentDuplicates(ListContext& ctx) {
    if (ctx.state.Updating) return;
    if (ctx.state.RowCount <= 2) {
        CloseUp(ctx, ctx.state.RowCount);
        return;
    }
    // Rows close up while the walk goes on, so the path above is remembered as it stood.
    PathText above = ctx.table[1].path;
    std::int32_t w = 2;
    for (std::int32_t j = 2; j < ctx.state.RowCount; ++j) {
        const PathText here = ctx.table[j].path;
        if (here != above) Keep(ctx, j, w);
        above = here;
    }
    CloseUp(ctx, w);
}

void FlagIdenticals(ListContext& ctx) {
    std::vector<IdenticalRun> runs;
    std::size_t rows = 0;
    ForEachIdenticalRun(ctx, [&](std::int32_t first, std::int32_t last) {
        runs.push_back({first, last, rows});
        rows += static_cast<std::size_t>(last - first + 1);
    });
    const auto identities = IdentitiesOf(ctx, runs);
    for (const IdenticalRun& run : runs) FlagNeighbourPairs(ctx, run, identities);
    ctx.RunPass();
}

void FlagIdenticalsExceptFirst(ListContext& ctx) {
    ForEachIdenticalRun(
        ctx, [&](std::int32_t first, std::int32_t last) { FlagAllButTheFirst(ctx, first, last); });
    ctx.RunPass();
}

void FlagBetweenMarkers(ListContext& ctx) {
    std::int32_t start = 0;
    std::int32_t end = 0;
    int markers = 0;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
        if (ctx.table[i].status != EntryStatus::MARKER) continue;
        ++markers;
        if (markers == 1) start = i;
        if (markers == 2) end = i;
        if (markers > 2) PostStatusMessage(ctx, "Exactly 2 markers must be set", 5);
    }
    if (markers == 2)
        for (std::int32_t i = start; i <= end; ++i) ctx.table[i].status = EntryStatus::FLAGGED;
    ctx.RunPass();
}

bool StatusClick(ListContext& ctx, std::int32_t row) {
    ListState& s = ctx.state;
    if (s.Updating || row < 1 || row >= s.RowCount) return false;
    FileEntry& r = ctx.table[row];
    if (r.status == EntryStatus::OKAY) {
        r.status = EntryStatus::FLAGGED;
        s.FlaggedBytes += r.size;
        ++s.FlaggedCount;
    } else if (r.status == EntryStatus::FLAGGED) {
        r.status = EntryStatus::OKAY;
        s.FlaggedBytes -= r.size;
        --s.FlaggedCount;
    }
    ctx.host->RepaintGrid(s.RowCount);
    ctx.host->ShowStatus();
    return true;
}

void ToggleMarker(ListContext& ctx, std::int32_t row) {
    if (ctx.state.RowCount <= 1 || row < 1 || row >= ctx.state.RowCount) return;
    FileEntry& r = ctx.table[row];
    if (r.status == EntryStatus::MARKER)
        r.status = EntryStatus::OKAY;
    else if (r.status == EntryStatus::OKAY || r.status == EntryStatus::FLAGGED)
        r.status = EntryStatus::MARKER;
    ctx.RunPass();
}

}  // namespace vellum
