#include "pass/list_pass.h"

#include <cstdlib>
#include <utility>

#include "filelist/list_context.h"
#include "platform/clock.h"

namespace vellum {

namespace {

bool SameValues(const FileEntry& a, const FileEntry& b) {
    return a.size == b.size && a.crc16 == b.crc16 && a.crc32 == b.crc32 && a.xsum == b.xsum &&
           DigestsEqual(a.md5, b.md5);
}

void ZeroTotals(ListState& s) {
    s.FlaggedBytes = 0;
    s.TotalBytes = 0;
    s.FlaggedCount = 0;
}

void AddToTotals(ListState& s, const FileEntry& row) {
    s.TotalBytes += row.size;
    if (row.status == EntryStatus::FLAGGED) {
        s.FlaggedBytes += row.size;
        ++s.FlaggedCount;
    }
}

// Clears the running flag however the pass ends.
struct RunningGuard {
    bool& flag;
    ~RunningGuard() { flag = false; }
};

}  // namespace

ListPass::ListPass(ListContext& ctx, Clock clock)
    : ctx_(ctx), clock_(clock ? std::move(clock) : Clock(platform::LocalMilliseconds)) {
    ctx_.pass = this;
}

ListPass::~ListPass() {
    if (ctx_.pass == this) ctx_.pass = nullptr;
}

platform::FileSystem& ListPass::Files() const {
    return *ctx_.fs;
}

std::int32_t ListPass::NextRowToCalculate(std::int32_t row) const {
    for (std::int32_t r = row + 1; r < ctx_.state.RowCount; ++r)
        if (AwaitsCalculation(ctx_.table[r].status)) return r;
    return 0;
}

std::string_view ListPass::PathOf(std::int32_t row) const {
    return ctx_.table[row].path.view();
}

std::int64_t ListPass::Now() const {
    return clock_();
}

void ListPass::updatefilez() {
    // The pass shares one CalcState and holds row numbers across its event pumps, so a pass
    // asked for from inside a pump waits for this one and then runs once.
    if (running_) {
        pending_ = true;
        return;
    }
    running_ = true;
    RunningGuard guard{running_};
    do {
        pending_ = false;
        RunPass();
    } while (pending_);
}

void ListPass::HaltOrResume(const std::function<void(bool halted)>& announce) {
    ListState& s = ctx_.state;
    s.HaltRequested = !s.HaltRequested;
    announce(s.HaltRequested);
    if (s.HaltRequested) {
        // A running pass ends after one more block and clears the flags itself; until then
        // they keep the menu and the row-moving commands away from the rows it holds.
        if (!running_) {
            s.Processing = false;
            s.Updating = false;
        }
        return;
    }
    updatefilez();
}

void ListPass::RunPass() {
    ListState& s = ctx_.state;
    ListHost& host = *ctx_.host;
    s.Updating = true;
    s.Processing = true;
    host.ShowStatus();
    host.FitRows(s.RowCount);
    host.RepaintGrid(s.RowCount);
    ZeroTotals(s);
    for (std::int32_t i = 1; i < s.RowCount && !s.HaltRequested; ++i) {
        currentRow_ = i;
        if (!CalculateRow(i)) {
            EndWithError();
            return;
        }
        AddToTotals(s, ctx_.table[i]);
    }
    feed_.EndOfPass();
    currentRow_ = 0;
    s.Processing = false;
    if (!s.HaltRequested) host.ShowStatus();
    s.Updating = false;
    host.RepaintGrid(s.RowCount);
    host.PumpEvents();
    host.RepaintHeaderAndHexView();
}

bool ListPass::CalculateRow(std::int32_t i) {
    FileEntry& row = ctx_.table[i];
    if (!AwaitsCalculation(row.status)) return true;
    const std::string path(row.path.view());
    const platform::FileSystem::Opened opened = feed_.Open(i, path);
    if (!opened.isFile) {
        row.status = EntryStatus::INVALID;
        return true;
    }
    row.status = EntryStatus::CALCING;
    const bool imported = row.band == EntryBand::IMPORTED;
    const FileEntry stored = row;
    const ListState& s = ctx_.state;
    if (!feed_.init_processfile(path, opened.fd, s.Crc16Variant, s.Crc32Variant)) {
        PostFailed(ctx_, path);
        return true;  // stays CALCING
    }

    FileFeed::Block block = FileFeed::Block::More;
    while (block == FileFeed::Block::More && !s.HaltRequested) {
        RefreshIfDue();
        block = feed_.processfile();
    }
    if (block == FileFeed::Block::Error) return false;
    if (!feed_.end_processfile()) return false;
    if (s.HaltRequested) return true;  // the values read so far are dropped

    // Handlers ran during the pumps; take the row afresh rather than trust an old reference.
    const CalcState& calc = feed_.calc();
    FileEntry& done = ctx_.table[i];
    done.size = calc.bytesRead;
    done.crc16 = calc.crc16;
    done.crc32 = calc.crc32;
    done.xsum = calc.xsum;
    done.md5 = calc.finalDigest;
    done.status = EntryStatus::OKAY;
    if (!imported)
        done.band = EntryBand::NEW;
    else
        done.band = SameValues(done, stored) ? EntryBand::UNCHANGED : EntryBand::CHANGED;
    return true;
}

void ListPass::RefreshIfDue() {
    if (std::llabs(Now() - LastRefresh) <= kRefreshMilliseconds) return;
    feed_.BeforeEvents();
    ctx_.host->RepaintGrid(ctx_.state.RowCount);
    ctx_.host->ShowStatus();
    ctx_.host->PumpEvents();
    LastRefresh = Now();
}

void ListPass::RecountTotals() {
    ListState& s = ctx_.state;
    ZeroTotals(s);
    for (std::int32_t i = 1; i < s.RowCount; ++i) AddToTotals(s, ctx_.table[i]);
}

void ListPass::EndWithError() {
    // The file is closed and its row left CALCING with its old values, so the next pass
    // takes it up again from its first byte; the rest of the table is as it was.
    feed_.Abandon();
    currentRow_ = 0;
    RecountTotals();
    ListState& s = ctx_.state;
    s.Processing = false;
    s.Updating = false;
    ListHost& host = *ctx_.host;
    host.ShowStatus();
    host.RepaintGrid(s.RowCount);
    host.RepaintHeaderAndHexView();
    host.ShowError(feed_.error());
}

}  // namespace vellum
