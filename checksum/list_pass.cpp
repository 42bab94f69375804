#include "checksum/list_pass.h"

#include <algorithm>
#include <cstdlib>

#include "checksum/fold_all.h"
#include "filelist/list_context.h"
#include "platform/clock.h"

namespace vellum {

namespace {

// Rows of 20 pixels with 1-pixel lines, plus the bottom bar of 25 and a margin of 50.
int WantedWindowHeight(std::int32_t rowCount) {
    return static_cast<int>(std::min<std::int64_t>(21LL * rowCount + 75, 600));
}

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

std::uint16_t Crc16Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFF : 0x0000;
}

std::uint32_t Crc32Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFFFFFFu : 0u;
}

ListPass::ListPass(ListContext& ctx, Clock clock)
    : ctx_(ctx), clock_(clock ? std::move(clock) : Clock(platform::LocalMilliseconds)) {
    calc_.ReadBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    calc_.AheadBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    ctx_.pass = this;
}

ListPass::~ListPass() {
    if (ctx_.pass == this) ctx_.pass = nullptr;
    (void)TakeAhead();
    ahead_.Settle();  // never close a file under a read
    if (calc_.file >= 0) (void)ctx_.fs->Close(calc_.file);
    DropPrefetch();
}

std::int64_t ListPass::Now() const {
    return clock_();
}

std::string_view ListPass::ButtonCaption(bool halted) {
    return halted ? "Resume Calculation" : "Halt Calculation";
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

void ListPass::Button1Click(const std::function<void(std::string_view)>& setCaption) {
    ListState& s = ctx_.state;
    s.HaltRequested = !s.HaltRequested;
    setCaption(ButtonCaption(s.HaltRequested));
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
    host.GrowWindow(WantedWindowHeight(s.RowCount));
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
    DropPrefetch();
    currentRow_ = 0;
    s.Processing = false;
    if (!s.HaltRequested) host.ShowStatus();
    s.Updating = false;
    host.RepaintGrid(s.RowCount);
    host.PumpEvents();
    host.RepaintHeaderAndHexView();
}

bool ListPass::CalculateRow(std::int32_t i) {
    // What the helper took up stands for this row only if no event handler ran since it was
    // told which rows come next: a handler may have changed the row's status.
    if (prefetched_ &&
        (thenPumps_ != pumps_ || thenAt_ >= then_.count || i > thenRows_[thenAt_]))
        DropPrefetch();
    FileEntry& row = ctx_.table[i];
    if (!AwaitsCalculation(row.status)) return true;
    const std::string path(row.path.view());
    platform::FileSystem::Opened opened;
    const bool taken = prefetched_ && i == thenRows_[thenAt_] && TakeFromChain(opened);
    if (!taken) {
        ahead_.Settle();
        opened = ctx_.fs->OpenIfFile(path);
    }
    if (!opened.isFile) {
        row.status = EntryStatus::INVALID;
        return true;
    }
    row.status = EntryStatus::CALCING;
    const bool imported = row.band == EntryBand::IMPORTED;
    const FileEntry stored = row;
    if (!init_processfile(path, opened.fd)) return true;  // stays CALCING; "%s failed" was posted
    if (taken) {
        const std::size_t j = static_cast<std::size_t>(thenAt_ - 1);
        const NextFile& next = then_.next[j];
        // The first row's block is in ReadBuffer already (it took AheadBuffer's place with the
        // read that found the end before it); the others' are in their own buffers.
        if (j > 0) std::swap(calc_.ReadBuffer, chainBuffers_[j]);
        firstReady_ = true;
        firstRead_ = next.firstRead;
        againReady_ = next.readAgain;
        againRead_ = next.secondRead;
        againBuffer_ = j + 1;
        if (next.closed) {
            closedAhead_ = true;
            closeAhead_ = next.closeResult;
            calc_.file = -1;
        }
    }

    Block block = Block::More;
    while (block == Block::More && !ctx_.state.HaltRequested) {
        RefreshIfDue();
        block = processfile();
    }
    if (block == Block::Error) return false;
    if (!end_processfile()) return false;
    if (ctx_.state.HaltRequested) return true;  // the values read so far are dropped

    // Handlers ran during the pumps; take the row afresh rather than trust an old reference.
    FileEntry& done = ctx_.table[i];
    done.size = calc_.bytesRead;
    done.crc16 = calc_.crc16;
    done.crc32 = calc_.crc32;
    done.xsum = calc_.xsum;
    done.md5 = calc_.finalDigest;
    done.status = EntryStatus::OKAY;
    if (!imported)
        done.band = EntryBand::NEW;
    else
        done.band = SameValues(done, stored) ? EntryBand::UNCHANGED : EntryBand::CHANGED;
    return true;
}

void ListPass::RefreshIfDue() {
    if (std::llabs(Now() - LastRefresh) <= kRefreshMilliseconds) return;
    // Event handlers may use the file layer (and tests count its calls there): let the read
    // out finish first, so that none of them ever runs beside it.
    ahead_.Settle();
    ++pumps_;
    ctx_.host->RepaintGrid(ctx_.state.RowCount);
    ctx_.host->ShowStatus();
    ctx_.host->PumpEvents();
    LastRefresh = Now();
}

bool ListPass::init_processfile(const std::string& path, int fd) {
    const ListState& s = ctx_.state;
    calc_.crc16 = Crc16Start(s.Crc16Variant);
    calc_.crc32 = Crc32Start(s.Crc32Variant);
    calc_.bytesRead = 0;
    calc_.xsum = 0;
    DigestStart(calc_.digest);
    path_ = path;
    closedAhead_ = false;
    firstReady_ = false;
    againReady_ = false;
    if (fd < 0) {
        PostFailed(ctx_, path);
        return false;
    }
    calc_.file = fd;
    return true;
}

ListPass::Block ListPass::processfile() {
    std::int64_t n;
    bool besideFolded = false;  // the CRCs and the sum have this block already
    if (firstReady_) {
        firstReady_ = false;
        n = firstRead_;
    } else if (againReady_) {
        againReady_ = false;
        n = againRead_;
        if (n > 0) std::swap(calc_.ReadBuffer, chainBuffers_[againBuffer_]);
    } else if (ahead_.holds()) {
        n = TakeAhead();
        std::swap(calc_.ReadBuffer, calc_.AheadBuffer);
        besideFolded = true;
    } else {
        ahead_.Settle();
        n = ctx_.fs->ReadSome(calc_.file, calc_.ReadBuffer.get(), kBlockSize);
    }
    if (n < 0) return ReadFailed(n);
    const std::uint8_t* buffer = calc_.ReadBuffer.get();
    const auto count = static_cast<std::int32_t>(n);
    // DigestAdd, the variant's CRC-16, Crc32Update and XsumUpdate.
    const RunningValues values{calc_.digest, calc_.crc16, calc_.crc32, calc_.xsum,
                               ctx_.state.Crc16Variant == 2};
    if (n > 0 && readAhead_) {
        // The helper folds the next block into the CRCs and the sum while MD5 runs here, so
        // this block has to be in them first.
        if (!besideFolded) FoldBesideDigest(values, buffer, count);
        besideFolded = true;
        // Unless the helper has made the next read already: after a short block the read that
        // follows most likely finds the end, and the helper then also closes the file and
        // takes up the rows that wait after it.
        if (!againReady_) {
            AfterTheEnd* then = nullptr;
            if (n < kBlockSize) {
                PlanNextRows();
                then = &then_;
            }
            ahead_.Start(*ctx_.fs, calc_.file, calc_.AheadBuffer.get(), kBlockSize, then, &values);
        }
    }
    calc_.lastBlockLength = count;
    calc_.bytesRead += count;
    if (besideFolded)
        DigestAdd(calc_.digest, buffer, count);
    else
        FoldAll(values, buffer, count);
    return count == 0 ? Block::End : Block::More;
}

ListPass::Block ListPass::ReadFailed(std::int64_t result) {
    error_ = "Cannot read " + path_ + ": " + platform::ErrorText(static_cast<int>(-result));
    return Block::Error;
}

bool ListPass::end_processfile() {
    // A read still out is the one more block that a halt reads: its values are dropped with the
    // rest, but its failure ends the pass as it would have if that block had been folded.
    const std::int64_t oneMore = ahead_.holds() ? TakeAhead() : againReady_ ? againRead_ : 0;
    againReady_ = false;
    if (oneMore < 0) {
        (void)ReadFailed(oneMore);
        return false;  // EndWithError closes the file
    }
    DigestFinish(calc_.digest, calc_.finalDigest);
    if (ctx_.state.Crc32Variant == 1) calc_.crc32 = ~calc_.crc32;
    int rc = closeAhead_;
    if (!closedAhead_) {
        ahead_.Settle();
        rc = ctx_.fs->Close(calc_.file);
    }
    calc_.file = -1;
    if (rc < 0) {
        error_ = "Cannot close " + path_ + ": " + platform::ErrorText(-rc);
        return false;
    }
    return true;
}

void ListPass::RecountTotals() {
    ListState& s = ctx_.state;
    ZeroTotals(s);
    for (std::int32_t i = 1; i < s.RowCount; ++i) AddToTotals(s, ctx_.table[i]);
}

void ListPass::EndWithError() {
    // The file is closed and its row left CALCING with its old values, so the next pass
    // takes it up again from its first byte; the rest of the table is as it was.
    (void)TakeAhead();
    ahead_.Settle();
    if (calc_.file >= 0) {
        (void)ctx_.fs->Close(calc_.file);
        calc_.file = -1;
    }
    DropPrefetch();
    firstReady_ = false;
    againReady_ = false;
    currentRow_ = 0;
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

std::int64_t ListPass::TakeAhead() {
    const std::int64_t n = ahead_.Take();
    if (thenOut_) {
        thenOut_ = false;
        // The close and the rows after it are the helper's until AwaitStep says otherwise; the
        // close is step 1, like the read.
        if (then_.closed) {
            closedAhead_ = true;
            closeAhead_ = then_.closeResult;
            calc_.file = -1;
        }
        prefetched_ = then_.closed && then_.closeResult >= 0 && then_.count > 0;
        thenAt_ = 0;
    }
    return n;
}

std::int32_t ListPass::NextRowToCalculate(std::int32_t row) const {
    for (std::int32_t r = row + 1; r < ctx_.state.RowCount; ++r)
        if (AwaitsCalculation(ctx_.table[r].status)) return r;
    return 0;
}

void ListPass::PlanNextRows() {
    ahead_.Settle();
    DropPrefetch();
    if (!chainBuffers_[1]) {
        for (std::size_t j = 1; j < chainBuffers_.size(); ++j)
            chainBuffers_[j] = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    }
    // Every buffer, not only those of the rows planned: the last row's read after its first
    // block goes into the one after it. ([0] is the read's own buffer.)
    for (std::size_t j = 1; j < chainBuffers_.size(); ++j) then_.buffers[j] = chainBuffers_[j].get();
    int count = 0;
    for (std::int32_t r = currentRow_; count < kChain; ++count) {
        r = NextRowToCalculate(r);
        if (r == 0) break;
        const auto j = static_cast<std::size_t>(count);
        thenRows_[j] = r;
        then_.next[j].path.assign(ctx_.table[r].path.view());
    }
    then_.count = count;
    thenPumps_ = pumps_;
    thenOut_ = true;
}

bool ListPass::TakeFromChain(platform::FileSystem::Opened& opened) {
    const int j = thenAt_;
    ahead_.AwaitStep(j + 2);
    const NextFile& next = then_.next[static_cast<std::size_t>(j)];
    if (!next.looked) {
        prefetched_ = false;  // the helper stopped before this row, and so before the rest
        return false;
    }
    ++thenAt_;
    opened = next.opened;
    return true;
}

void ListPass::DropPrefetch() {
    if (!prefetched_) return;
    prefetched_ = false;
    ahead_.Settle();
    for (int j = thenAt_; j < then_.count; ++j) {
        const NextFile& next = then_.next[static_cast<std::size_t>(j)];
        if (next.looked && next.opened.fd >= 0 && !next.closed) (void)ctx_.fs->Close(next.opened.fd);
    }
}

}  // namespace vellum
