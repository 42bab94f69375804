#include "pass/file_feed.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <utility>

#include "checksum/block_folds.h"
#include "platform/error_text.h"

namespace vellum {

int FilesInFlightWanted() {
    static const int wanted = [] {
        const char* value = std::getenv("VELLUM_IN_FLIGHT");
        const int n = value != nullptr ? std::atoi(value) : 0;
        return n >= 1 ? std::min(n, kMaxInFlight) : kMaxInFlight;
    }();
    return wanted;
}

namespace {

// The start value of a CRC-16 variant (0, 1 or 2) and of a CRC-32 variant (0 or 1).
std::uint16_t Crc16Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFF : 0x0000;
}

std::uint32_t Crc32Start(std::uint8_t variant) {
    return variant == 1 ? 0xFFFFFFFFu : 0u;
}

}  // namespace

FileFeed::FileFeed(const FeedSource& source) : source_(source) {
    setFilesInFlight(FilesInFlightWanted());
}

FileFeed::~FileFeed() {
    for (int t = 0; t < kMaxInFlight; ++t)
        if (files_[static_cast<std::size_t>(t)].state != State::Free) Abandon(t);
    Rest();
}

void FileFeed::setFilesInFlight(int files) {
    capacity_ = std::clamp(files, 1, std::min(kMaxInFlight, lanes_.Lanes()));
    // Half of those in flight are read in a round, so that small files read in one round leave
    // room for as many to be taken up while they are hashed in the next.
    readsPerRound_ = std::clamp(capacity_ / 2, 1, kMaxReadsPerRound);
    banks_.Reserve(readsPerRound_, kBlockSize);
}

const FileFeed::CalcState& FileFeed::file(int ticket) const {
    return files_[static_cast<std::size_t>(ticket)];
}

FileFeed::CalcState& FileFeed::file(int ticket) {
    return files_[static_cast<std::size_t>(ticket)];
}

bool FileFeed::NeedsJob(const CalcState& f) const {
    // A span read to its limit wants no more, as a file read to its end does.
    return f.state == State::Opening || (f.state == State::Reading && !f.ended && f.left != 0);
}

int FileFeed::JobsWanted() const {
    return static_cast<int>(std::count_if(files_.begin(), files_.end(),
                                          [this](const CalcState& f) { return NeedsJob(f); }));
}

bool FileFeed::Room() const {
    const auto held = std::count_if(files_.begin(), files_.end(),
                                    [](const CalcState& f) { return f.state != State::Free; });
    return held < capacity_ && JobsWanted() < readsPerRound_;
}

bool FileFeed::Busy() const {
    return std::any_of(files_.begin(), files_.end(), [](const CalcState& f) {
        return f.state == State::Opening || f.state == State::Reading;
    });
}

std::int64_t FileFeed::BytesInFlight() const {
    std::int64_t bytes = 0;
    for (const CalcState& f : files_)
        if (f.state == State::Reading) bytes += f.values.size;
    return bytes;
}

int FileFeed::TakeUp(std::string_view path, std::uint8_t crc16Variant, std::uint8_t crc32Variant,
                     ValueSet wanted, ReadSpan span, bool seen) {
    const auto free = std::find_if(files_.begin(), files_.end(),
                                   [](const CalcState& f) { return f.state == State::Free; });
    CalcState& f = *free;
    f.state = State::Opening;
    f.path.assign(path);
    f.folder = folders_.Enter(Files(), path);
    f.seen = seen;
    f.fd = -1;
    f.lane = -1;
    f.wanted = wanted;
    f.crc16 = Crc16Start(crc16Variant);
    f.crc32 = Crc32Start(crc32Variant);
    f.xsum = 0;
    f.crc16Reflected = crc16Variant == 2;
    f.invertCrc32 = crc32Variant == 1;
    f.values = {};
    f.error.clear();
    f.ended = false;
    f.chunkDue = false;
    f.chunkStops = false;
    f.readSoFar = 0;
    f.opened = {};
    f.spanned = span.offset > 0 || span.limit >= 0;
    f.position = span.offset;
    f.left = span.limit;
    f.resumed = span.resume != nullptr;
    if (f.resumed) {
        // The open's job folds the first block of the span already: the running values must be
        // in place before it.
        f.resume = *span.resume;
        f.crc16 = f.resume.crc16;
        f.crc32 = f.resume.crc32;
        f.xsum = f.resume.xsum;
        f.values.size = f.resume.bytes;
    }
    return static_cast<int>(free - files_.begin());
}

void FileFeed::Round() {
    if (!Busy()) return;
    jobs_.clear();
    // The digests of one file run one after the other over its blocks, a round apart; those of
    // different files, and the several digests of one, run side by side. They come first: a
    // digest of a block takes longer than its read, and the thread that starts the round
    // should not take every read before the other one is awake.
    for (int t = 0; t < kMaxInFlight; ++t) {
        const CalcState& f = file(t);
        if (!f.chunkDue) continue;
        ForEachKind(f.wanted.digests, [&](DigestKind kind) {
            jobs_.push_back({t, static_cast<int>(kind)});
        });
    }
    firstRead_ = jobs_.size();
    const std::int64_t block = kBlockSize / std::max(JobsWanted(), 1) & ~std::int64_t{63};
    for (int t = 0; t < kMaxInFlight; ++t) {
        CalcState& f = file(t);
        if (!NeedsJob(f)) continue;
        f.buffer =
            banks_.Buffer(round_, jobs_.size() - firstRead_, static_cast<std::size_t>(block));
        f.blockBytes = block;
        f.got = 0;
        f.failed = 0;
        f.closeFailed = false;
        jobs_.push_back({t, kReadJob});
    }
    // The file layer's calls run on both threads only where they may; a fake sees them one at
    // a time, on the helper.
    const bool bothRead = !helped_ || Files().CallsMayOverlap();
    helper_.Begin(static_cast<int>(jobs_.size()), RunJob, this, helped_);
    HashDueBlocks();
    if (bothRead)
        for (int job; helper_.Claim(job);) helper_.Run(job);
    helper_.AwaitRound();
    UseUpDueBlocks();
    for (std::size_t j = firstRead_; j < jobs_.size(); ++j) Absorb(file(jobs_[j].ticket));
    ++round_;
}

void FileFeed::RunJob(void* feed, int job) {
    auto& self = *static_cast<FileFeed*>(feed);
    const Job& run = self.jobs_[static_cast<std::size_t>(job)];
    CalcState& f = self.file(run.ticket);
    if (run.digest != kReadJob) {
        self.RunDigest(f, static_cast<DigestKind>(run.digest));
        return;
    }
    if (f.state == State::Opening) {
        self.OpenFile(f);
        if (f.fd < 0) return;
    }
    self.ReadNextBlock(f);
}

void FileFeed::RunDigest(CalcState& f, DigestKind kind) {
    DigestRun& run = f.runs[static_cast<std::size_t>(kind)];
    run.Add(f.chunk, f.chunkBytes);
    if (f.chunkLast) f.values.digests[static_cast<std::size_t>(kind)] = run.Finish();
}

void FileFeed::OpenFile(CalcState& f) {
    f.opened = f.seen ? Files().OpenSeenFileIn(f.folder.handle, f.path)
                      : Files().OpenIfFileIn(f.folder.handle, f.path);
    f.fd = f.opened.fd;
}

std::int64_t FileFeed::ReadSpanBlock(CalcState& f) {
    platform::FileSystem& files = Files();
    const std::int64_t want = f.left < 0 ? f.blockBytes : std::min(f.blockBytes, f.left);
    std::int64_t n = files.ReadAt(f.fd, f.buffer, static_cast<std::size_t>(want), f.position);
    if (n > 0) {
        f.position += n;
        if (f.left >= 0) f.left -= n;
    }
    // The limit reached: the span is read, whatever follows it.
    if (n > 0 && f.left == 0) return n;
    if (n > 0 && n < want) {
        const std::int64_t more =
            files.ReadAt(f.fd, f.buffer + n, static_cast<std::size_t>(1), f.position);
        if (more == 0) f.ended = true;
        // A byte after a short read: the file grew under the read; it is read on next round.
        if (more > 0) return n;
        return more < 0 ? more : n;
    }
    if (n == 0) f.ended = true;
    return n;
}

void FileFeed::ReadNextBlock(CalcState& f) {
    const std::int64_t n = f.spanned ? ReadSpanBlock(f) : ReadWholeBlock(f);
    if (n < 0) {
        f.failed = static_cast<int>(n);
        (void)Files().Close(f.fd);
        f.fd = -1;
        return;
    }
    f.got = n;
    // The CRCs and the sum are folded together or not at all: apart they would cost as much.
    constexpr std::uint8_t kFolded = kHeldCrc16 | kHeldCrc32 | kHeldXsum;
    if ((f.wanted.values & kFolded) != 0)
        FoldBlock({f.crc16, f.crc32, f.xsum, f.crc16Reflected}, f.buffer,
                  static_cast<std::int32_t>(n));
    if (f.ended || f.left == 0) CloseFile(f);
}

std::int64_t FileFeed::ReadWholeBlock(CalcState& f) {
    platform::FileSystem& files = Files();
    const std::int64_t block = f.blockBytes;
    std::int64_t n = files.ReadSome(f.fd, f.buffer, static_cast<std::size_t>(block));
    if (n > 0) f.readSoFar += n;
    // A short block that brings the file to the size its open saw is its end: the read that
    // would find the end is left out. After other short blocks that read most likely follows at
    // once; it goes into the rest of the same buffer, so that a small file is read, hashed and
    // closed in one round.
    if (n > 0 && n < block && f.readSoFar == f.opened.size) {
        f.ended = true;
    } else if (n > 0 && n < block) {
        const std::int64_t more =
            files.ReadSome(f.fd, f.buffer + n, static_cast<std::size_t>(block - n));
        if (more == 0) f.ended = true;
        n = more < 0 ? more : n + more;
    } else if (n == 0) {
        f.ended = true;
    }
    return n;
}

void FileFeed::CloseFile(CalcState& f) {
    const int rc = Files().Close(f.fd);
    f.fd = -1;
    if (rc < 0) {
        f.failed = rc;
        f.closeFailed = true;
    }
}

void FileFeed::Absorb(CalcState& f) {
    if (f.state == State::Opening) {
        LeaveFolder(f);
        if (!f.opened.isFile) {
            f.state = State::NotAFile;
            return;
        }
        if (f.opened.fd < 0) {
            f.state = State::OpenFailed;
            return;
        }
        f.state = State::Reading;
        StartValues(f);
    }
    if (f.failed < 0) {
        Fail(f, (f.closeFailed ? "Cannot close " : "Cannot read ") + f.path + ": " +
                    platform::ErrorText(-f.failed));
        return;
    }
    f.values.size += f.got;
    f.chunk = f.buffer;
    f.chunkBytes = static_cast<std::size_t>(f.got);
    f.chunkRoom = static_cast<std::size_t>(f.blockBytes) + BlockBanks::kStagger;
    f.chunkLast = f.ended;
    f.chunkStops = !f.ended && f.left == 0;
    // A file that wants neither MD5 nor a further digest is done with its read.
    f.chunkDue = f.lane >= 0 || f.wanted.digests != 0;
    if (f.chunkDue) return;
    if (f.ended) Finish(f);
    if (f.chunkStops) Stop(f);
}

void FileFeed::StartValues(CalcState& f) {
    if ((f.wanted.values & kHeldMd5) != 0) {
        f.lane = lanes_.IdleLane();
        const auto ticket = static_cast<std::size_t>(&f - files_.data());
        if (f.resumed)
            lanes_.Resume(f.lane, f.resume.md5, ticket);
        else
            lanes_.Start(f.lane, ticket);
    }
    ForEachKind(f.wanted.digests,
                [&](DigestKind kind) { f.runs[static_cast<std::size_t>(kind)].Start(kind); });
}

void FileFeed::Fail(CalcState& f, std::string text) {
    f.state = State::Failed;
    f.error = std::move(text);
    f.chunkDue = false;
    if (f.lane >= 0) lanes_.Drop(f.lane);
    f.lane = -1;
}

void FileFeed::HashDueBlocks() {
    for (CalcState& f : files_) {
        if (!f.chunkDue || f.lane < 0) continue;
        if (f.chunkLast)
            lanes_.AddLast(f.lane, f.chunk, f.chunkBytes, f.chunkRoom);
        else
            (void)lanes_.Add(f.lane, f.chunk, f.chunkBytes);
    }
    // Every lane uses up its input before the round ends: the next round reads into these
    // buffers again.
    while (lanes_.Busy() > 0) {
        for (LaneMask stopped = lanes_.Run(); stopped != 0; stopped &= stopped - 1) {
            const int lane = std::countr_zero(stopped);
            if (lanes_.State(lane) == Md5Lanes::Lane::Done) TakeMd5(lane);
        }
    }
}

void FileFeed::TakeMd5(int lane) {
    CalcState& f = file(static_cast<int>(lanes_.Owner(lane)));
    f.values.md5 = lanes_.Take(lane);
    f.lane = -1;
}

void FileFeed::UseUpDueBlocks() {
    for (CalcState& f : files_) {
        if (!f.chunkDue) continue;
        f.chunkDue = false;
        if (f.chunkLast) Finish(f);
        if (f.chunkStops) Stop(f);
    }
}

void FileFeed::Stop(CalcState& f) {
    f.midway.bytes = f.values.size;
    f.midway.crc16 = f.crc16;
    f.midway.crc32 = f.crc32;
    f.midway.xsum = f.xsum;
    if (f.lane >= 0) f.midway.md5 = lanes_.Suspend(f.lane);
    f.lane = -1;
    f.state = State::Stopped;
}

void FileFeed::Finish(CalcState& f) {
    if ((f.wanted.values & kHeldCrc16) != 0) f.values.crc16 = f.crc16;
    if ((f.wanted.values & kHeldCrc32) != 0) f.values.crc32 = f.invertCrc32 ? ~f.crc32 : f.crc32;
    if ((f.wanted.values & kHeldXsum) != 0) f.values.xsum = f.xsum;
    f.values.calculated = f.wanted;
    f.state = State::Done;
}

void FileFeed::Release(int ticket) {
    file(ticket).state = State::Free;
}

void FileFeed::Abandon(int ticket) {
    CalcState& f = file(ticket);
    LeaveFolder(f);
    if (f.fd >= 0) (void)Files().Close(f.fd);
    f.fd = -1;
    if (f.lane >= 0) lanes_.Drop(f.lane);
    f.lane = -1;
    f.chunkDue = false;
    f.state = State::Free;
}

void FileFeed::LeaveFolder(CalcState& f) {
    folders_.Leave(f.folder.slot);
    f.folder = {};
}

void FileFeed::Rest() {
    folders_.Rest(Files());
}

}  // namespace vellum
