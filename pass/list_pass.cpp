#include "pass/list_pass.h"

#include <cstdlib>
#include <utility>

#include "filelist/list_context.h"
#include "platform/clock.h"

namespace vellum {

namespace {

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

std::int64_t ListPass::Now() const {
    return clock_();
}

void ListPass::RunPass() {
    // The pass holds row numbers and files in flight across its event pumps, so a pass asked
    // for from inside a pump waits for this one and then runs once.
    if (running_) {
        pending_ = true;
        return;
    }
    running_ = true;
    RunningGuard guard{running_};
    do {
        pending_ = false;
        RunOnePass();
    } while (pending_);
}

void ListPass::HaltOrResume(const std::function<void(bool halted)>& announce) {
    ListState& s = ctx_.state;
    s.HaltRequested = !s.HaltRequested;
    announce(s.HaltRequested);
    if (s.HaltRequested) {
        // A running pass ends after one more block of each file in flight and clears the flags
        // itself; until then they keep the menu and the row-moving commands away from the rows
        // it holds.
        if (!running_) {
            s.Processing = false;
            s.Updating = false;
        }
        return;
    }
    RunPass();
}

void ListPass::RunOnePass() {
    ListState& s = ctx_.state;
    ListHost& host = *ctx_.host;
    s.Updating = true;
    s.Processing = true;
    host.ShowStatus();
    host.FitRows(s.RowCount);
    host.RepaintGrid(s.RowCount);
    ZeroTotals(s);
    commitRow_ = 1;
    takeRow_ = 1;
    error_.clear();
    // A halt before the pass leaves every row as it is; one that comes in a pump lets the
    // files in flight read one more block.
    for (bool halting = s.HaltRequested; !halting;) {
        SettleRows(false);
        if (error_.empty()) TakeUpRows();
        if (!feed_.Busy()) break;
        (void)RefreshIfDue();
        halting = s.HaltRequested;
        feed_.Round();
        AfterRound();
    }
    SettleRows(s.HaltRequested);
    feed_.Rest();
    if (!error_.empty()) {
        EndWithError();
        return;
    }
    EndPass();
}

void ListPass::TakeUpRows() {
    const ListState& s = ctx_.state;
    // The feed's room changes only with a take-up: rows that only want their totals counted
    // pass by without asking it again.
    bool room = feed_.Room();
    while (takeRow_ < s.RowCount && room) {
        const std::int32_t row = takeRow_++;
        const FileEntry& e = ctx_.table[row];
        if (!TakesUp(e.status)) continue;  // only its totals, when it is settled
        Entry entry{
            .row = row,
            .ticket = feed_.TakeUp(e.path.view(), s.Crc16Variant, s.Crc32Variant, ValuesFor(e)),
            .original = e.status,
            .stored = e};
        entries_.push_back(std::move(entry));
        room = feed_.Room();
    }
}

ValueSet ListPass::ValuesFor(const FileEntry& row) const {
    ValueSet wanted = ctx_.calculate;
    // An imported row is verified on every value it holds, shown or not.
    if (row.band == EntryBand::IMPORTED) {
        wanted.values |= row.held & static_cast<std::uint8_t>(~kHeldSize);
        wanted.digests |= row.digests.mask();
    }
    return wanted;
}

bool ListPass::TakesUp(EntryStatus status) const {
    // An earlier pass left the row CALCING: its file failed there (or a halt stopped it).
    const bool failedBefore = status == EntryStatus::CALCING;
    return AwaitsCalculation(status) && !(failedBefore && failedFiles_ == FailedFiles::TryOnce);
}

void ListPass::AfterRound() {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        const FileFeed::State state = feed_.state(e.ticket);
        // A row whose file exists is CALCING from its open on, as long as no event handler
        // has changed it since it was taken up.
        FileEntry& row = ctx_.table[e.row];
        if (!e.marked && state != FileFeed::State::NotAFile && row.status == e.original) {
            row.status = EntryStatus::CALCING;
            e.marked = true;
        }
        if (state != FileFeed::State::Failed || failedFiles_ == FailedFiles::TryOnce) continue;
        // The first failed file ends the pass once the rows before it are settled; the rows
        // after it are left as they were.
        error_ = feed_.error(e.ticket);
        takeRow_ = e.row + 1;
        PutBackFrom(i + 1);
        return;
    }
}

void ListPass::PutBackFrom(std::size_t first) {
    for (std::size_t i = first; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        feed_.Abandon(e.ticket);
        FileEntry& row = ctx_.table[e.row];
        if (e.marked && row.status == EntryStatus::CALCING) row.status = e.original;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end());
}

void ListPass::SettleRows(bool all) {
    ListState& s = ctx_.state;
    while (commitRow_ < takeRow_) {
        if (!entries_.empty() && entries_.front().row == commitRow_) {
            const Entry& e = entries_.front();
            const FileFeed::State state = feed_.state(e.ticket);
            const bool endsPass = failedFiles_ == FailedFiles::EndPassAndRetry;
            if (state == FileFeed::State::Failed && endsPass) return;  // for EndWithError
            const bool inFlight =
                state == FileFeed::State::Opening || state == FileFeed::State::Reading;
            if (inFlight && !all) return;
            if (inFlight) {
                feed_.Abandon(e.ticket);  // halted part-way: stays CALCING, old values kept
            } else {
                Settle(e);
                feed_.Release(e.ticket);
            }
            entries_.pop_front();
        }
        AddToTotals(s, ctx_.table[commitRow_]);
        ++commitRow_;
    }
}

void ListPass::Settle(const Entry& entry) {
    FileEntry& row = ctx_.table[entry.row];
    // An event handler that changed the row while its file was in flight has the last word.
    if (row.status != (entry.marked ? EntryStatus::CALCING : entry.original)) return;
    switch (feed_.state(entry.ticket)) {
        case FileFeed::State::NotAFile:
            row.status = EntryStatus::INVALID;
            break;
        case FileFeed::State::OpenFailed:  // stays CALCING, and every later pass tries again
            PostFailed(ctx_, std::string(row.path.view()));
            break;
        case FileFeed::State::Done:
            StoreValues(entry);
            break;
        case FileFeed::State::Failed:  // goes on: stays CALCING, old values kept
            ctx_.host->ShowError(feed_.error(entry.ticket));
            break;
        default:
            break;
    }
}

void StoreValues(FileEntry& done, const FileEntry& stored, const FileValues& v) {
    done.size = v.size;
    done.crc16 = v.crc16;
    done.crc32 = v.crc32;
    done.xsum = v.xsum;
    done.md5 = v.md5;
    done.status = EntryStatus::OKAY;
    done.held = kHeldSize | v.calculated.values;
    done.digests.clear();
    ForEachKind(v.calculated.digests, [&](DigestKind kind) {
        done.digests.set(kind, v.digests[static_cast<std::size_t>(kind)]);
    });
    if (stored.band != EntryBand::IMPORTED)
        done.band = EntryBand::NEW;
    else
        done.band = HeldValuesEqual(stored, done) ? EntryBand::UNCHANGED : EntryBand::CHANGED;
}

void ListPass::StoreValues(const Entry& entry) {
    vellum::StoreValues(ctx_.table[entry.row], entry.stored, feed_.values(entry.ticket));
}

bool ListPass::RefreshIfDue() {
    if (std::llabs(Now() - LastRefresh) > kRefreshMilliseconds) {
        ctx_.host->RepaintGrid(ctx_.state.RowCount);
        ctx_.host->ShowStatus();
        ctx_.host->PumpEvents();
        LastRefresh = Now();
    }
    return !ctx_.state.HaltRequested;
}

void ListPass::EndPass() {
    ListState& s = ctx_.state;
    ListHost& host = *ctx_.host;
    commitRow_ = 0;
    s.Processing = false;
    if (!s.HaltRequested) host.ShowStatus();
    s.Updating = false;
    host.RepaintGrid(s.RowCount);
    host.PumpEvents();
    host.RepaintHeaderAndHexView();
}

void ListPass::RecountTotals() {
    ListState& s = ctx_.state;
    ZeroTotals(s);
    for (std::int32_t i = 1; i < s.RowCount; ++i) AddToTotals(s, ctx_.table[i]);
}

void ListPass::EndWithError() {
    // The failed file is closed and its row left CALCING with its old values, so the next pass
    // takes it up again from its first byte; the rows after it are as they were.
    for (const Entry& e : entries_) feed_.Abandon(e.ticket);
    entries_.clear();
    commitRow_ = 0;
    RecountTotals();
    ListState& s = ctx_.state;
    s.Processing = false;
    s.Updating = false;
    ListHost& host = *ctx_.host;
    host.ShowStatus();
    host.RepaintGrid(s.RowCount);
    host.RepaintHeaderAndHexView();
    host.ShowError(error_);
}

}  // namespace vellum
