#include "pass/file_feed.h"

#include <utility>

#include "checksum/fold_all.h"

namespace vellum {

std::uint16_t Crc16Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFF : 0x0000;
}

std::uint32_t Crc32Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFFFFFFu : 0u;
}

FileFeed::FileFeed(const FeedSource& source) : source_(source) {
    calc_.ReadBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    calc_.AheadBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
}

FileFeed::~FileFeed() {
    (void)TakeAhead();
    ahead_.Settle();  // never close a file under a read
    if (calc_.file >= 0) (void)Files().Close(calc_.file);
    DropPrefetch();
}

platform::FileSystem::Opened FileFeed::Open(std::int32_t row, const std::string& path) {
    // What the helper took up stands for this row only if no event handler ran since it was
    // told which rows come next: a handler may have changed the row's status.
    if (prefetched_ && (thenPumps_ != pumps_ || thenAt_ >= then_.count || row > thenRows_[thenAt_]))
        DropPrefetch();
    row_ = row;
    platform::FileSystem::Opened opened;
    takenFromChain_ = prefetched_ && row == thenRows_[thenAt_] && TakeFromChain(opened);
    if (!takenFromChain_) {
        ahead_.Settle();
        opened = Files().OpenIfFile(path);
    }
    return opened;
}

bool FileFeed::init_processfile(const std::string& path, int fd, std::uint8_t crc16Variant,
                                std::uint8_t crc32Variant) {
    calc_.crc16 = Crc16Start(crc16Variant);
    calc_.crc32 = Crc32Start(crc32Variant);
    crc16Reflected_ = crc16Variant == 2;
    invertCrc32_ = crc32Variant == 1;
    calc_.bytesRead = 0;
    calc_.xsum = 0;
    DigestStart(calc_.digest);
    path_ = path;
    closedAhead_ = false;
    firstReady_ = false;
    againReady_ = false;
    if (fd < 0) return false;
    calc_.file = fd;
    if (takenFromChain_) TakeChainedStart();
    return true;
}

void FileFeed::TakeChainedStart() {
    const std::size_t j = static_cast<std::size_t>(thenAt_ - 1);
    const NextFile& next = then_.next[j];
    // The first row's block is in ReadBuffer already (it took AheadBuffer's place with the read
    // that found the end before it); the others' are in their own buffers.
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

FileFeed::Block FileFeed::processfile() {
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
        n = Files().ReadSome(calc_.file, calc_.ReadBuffer.get(), kBlockSize);
    }
    if (n < 0) return ReadFailed(n);
    const std::uint8_t* buffer = calc_.ReadBuffer.get();
    const auto count = static_cast<std::int32_t>(n);
    // DigestAdd, the variant's CRC-16, Crc32Update and XsumUpdate.
    const RunningValues values{calc_.digest, calc_.crc16, calc_.crc32, calc_.xsum, crc16Reflected_};
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
            ahead_.Start(Files(), calc_.file, calc_.AheadBuffer.get(), kBlockSize, then, &values);
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

FileFeed::Block FileFeed::ReadFailed(std::int64_t result) {
    error_ = "Cannot read " + path_ + ": " + platform::ErrorText(static_cast<int>(-result));
    return Block::Error;
}

bool FileFeed::end_processfile() {
    // A read still out is the one more block that a halt reads: its values are dropped with the
    // rest, but its failure ends the pass as it would have if that block had been folded.
    const std::int64_t oneMore = ahead_.holds() ? TakeAhead() : againReady_ ? againRead_ : 0;
    againReady_ = false;
    if (oneMore < 0) {
        (void)ReadFailed(oneMore);
        return false;  // Abandon closes the file
    }
    DigestFinish(calc_.digest, calc_.finalDigest);
    if (invertCrc32_) calc_.crc32 = ~calc_.crc32;
    int rc = closeAhead_;
    if (!closedAhead_) {
        ahead_.Settle();
        rc = Files().Close(calc_.file);
    }
    calc_.file = -1;
    if (rc < 0) {
        error_ = "Cannot close " + path_ + ": " + platform::ErrorText(-rc);
        return false;
    }
    return true;
}

void FileFeed::Abandon() {
    (void)TakeAhead();
    ahead_.Settle();
    if (calc_.file >= 0) {
        (void)Files().Close(calc_.file);
        calc_.file = -1;
    }
    DropPrefetch();
    firstReady_ = false;
    againReady_ = false;
}

void FileFeed::BeforeEvents() {
    // Event handlers may use the file layer (and tests count its calls there): let the read
    // out finish first, so that none of them ever runs beside it.
    ahead_.Settle();
    ++pumps_;
}

void FileFeed::EndOfPass() {
    DropPrefetch();
}

std::int64_t FileFeed::TakeAhead() {
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

void FileFeed::PlanNextRows() {
    ahead_.Settle();
    DropPrefetch();
    if (!chainBuffers_[1]) {
        for (std::size_t j = 1; j < chainBuffers_.size(); ++j)
            chainBuffers_[j] = std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize);
    }
    // Every buffer, not only those of the rows planned: the last row's read after its first
    // block goes into the one after it. ([0] is the read's own buffer.)
    for (std::size_t j = 1; j < chainBuffers_.size(); ++j)
        then_.buffers[j] = chainBuffers_[j].get();
    int count = 0;
    for (std::int32_t r = row_; count < kChain; ++count) {
        r = source_.NextRowToCalculate(r);
        if (r == 0) break;
        const auto j = static_cast<std::size_t>(count);
        thenRows_[j] = r;
        then_.next[j].path.assign(source_.PathOf(r));
    }
    then_.count = count;
    thenPumps_ = pumps_;
    thenOut_ = true;
}

bool FileFeed::TakeFromChain(platform::FileSystem::Opened& opened) {
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

void FileFeed::DropPrefetch() {
    if (!prefetched_) return;
    prefetched_ = false;
    ahead_.Settle();
    for (int j = thenAt_; j < then_.count; ++j) {
        const NextFile& next = then_.next[static_cast<std::size_t>(j)];
        if (next.looked && next.opened.fd >= 0 && !next.closed) (void)Files().Close(next.opened.fd);
    }
}

}  // namespace vellum
