// The file feed: opens the files the list pass takes up, reads them block by block, folds the
// CRCs and the sum of every block, runs MD5 over many files at once (one lane each) and the
// further digests file by file, and closes them. It works in rounds: a round reads one more
// block of every file in flight and opens the files taken up since the round before, while MD5
// and the further digests run over the blocks the round before read; a helper thread and the
// feed's own take the reads and the digests of a round between them. Each file gets only the
// values it is taken up for. The feed keeps no rows, statuses, totals or messages: the pass
// decides all of that from what it reports.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/digests.h"
#include "checksum/md5.h"
#include "checksum/md5_lanes.h"
#include "filelist/file_entry.h"
#include "pass/feed_helper.h"
#include "pass/folder_cache.h"
#include "platform/files.h"

namespace vellum {

// The bytes a round reads: as one block of a file read alone, else shared out evenly between
// the files read in it. Blocks that small are still in the processor's cache when they are
// folded and hashed: sixteen files read from the page cache 1 MiB each at a time take half as
// long again as in blocks of 64 KiB, while a file read alone goes quickest in large blocks, with
// fewer rounds to hand over.
inline constexpr std::int32_t kBlockSize = 0x100000;

// At most this many files in flight, and this many being read in one round: a large file is
// read every round and holds a block in each of the two banks, a small one is read whole in
// one round and hashed in the next, so the banks hold kMaxReadsPerRound large files or twice as
// many small ones.
inline constexpr int kMaxInFlight = 32;
inline constexpr int kMaxReadsPerRound = 16;

// How many files may be in flight: VELLUM_IN_FLIGHT=N in the environment (1 reads one file at
// a time, as a single loop would), else kMaxInFlight. Read once.
[[nodiscard]] int FilesInFlightWanted();

// The values of a file, as its row stores them: those of calculated; the others stay zero.
struct FileValues {
    std::int64_t size = 0;
    std::uint16_t crc16 = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t xsum = 0;
    Md5Digest md5{};
    std::array<DigestValue, kDigestKindCount> digests{};
    ValueSet calculated;
};

// A file's running values where a read in goes stopped: what the next go starts from.
struct MidwayValues {
    std::int64_t bytes = 0;
    std::uint16_t crc16 = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t xsum = 0;
    Md5Midway md5;
};

// Which bytes of a file a take-up reads, for the duplicate search that reads a file in goes:
// from offset (where an earlier go stopped, with its midway values) to the end, or no more
// than limit bytes (a multiple of 64, so that MD5 can stop on a block of its own).
struct ReadSpan {
    std::int64_t offset = 0;
    std::int64_t limit = -1;  // -1: to the end
    const MidwayValues* resume = nullptr;
};

// The file layer the feed reads through: the one the list uses at the moment.
class FeedSource {
  public:
    virtual ~FeedSource() = default;
    [[nodiscard]] virtual platform::FileSystem& Files() const = 0;
};

class FileFeed final {
  public:
    // What became of a file taken up. Opening and Reading are in flight; the others are settled
    // and wait for the pass to release them.
    enum class State : std::uint8_t {
        Free,
        Opening,     // its open waits for the next round
        Reading,     // open and read block by block; its MD5 may still be running
        NotAFile,    // no regular file at the path
        OpenFailed,  // a regular file that could not be opened
        Done,        // read to its end and closed: values() holds its values
        Stopped,     // read as far as its span's limit and closed: midway() holds where
        Failed,      // a read or close failed (error() says how); the file is closed
    };

    explicit FileFeed(const FeedSource& source);
    ~FileFeed();
    FileFeed(const FileFeed&) = delete;
    FileFeed& operator=(const FileFeed&) = delete;

    // Whether one more file can be taken up before the next round.
    [[nodiscard]] bool Room() const;
    // Takes up the file at path for the values wanted, the whole of it or a span; its open
    // comes with the next round. Returns the file's ticket. A span that resumes an earlier go
    // wants neither more than that go's values nor further digests. seen: an open or a look-up in
    // the same command found the path a regular file a moment ago (see OpenSeenFileIn).
    int TakeUp(std::string_view path, std::uint8_t crc16Variant, std::uint8_t crc32Variant,
               ValueSet wanted = kFourValues, ReadSpan span = {}, bool seen = false);
    // One round; does nothing when no file is in flight.
    void Round();
    // Whether a file is in flight (opening, or being read or hashed).
    [[nodiscard]] bool Busy() const;

    [[nodiscard]] State state(int ticket) const { return file(ticket).state; }
    [[nodiscard]] const FileValues& values(int ticket) const { return file(ticket).values; }
    [[nodiscard]] const MidwayValues& midway(int ticket) const { return file(ticket).midway; }
    [[nodiscard]] const std::string& error(int ticket) const { return file(ticket).error; }
    // Bytes read so far of the files in flight, for a progress display.
    [[nodiscard]] std::int64_t BytesInFlight() const;

    // The pass is done with a settled file.
    void Release(int ticket);
    // Stops a file wherever it is (a halt, or a read error before it): it is closed, its MD5
    // dropped, and its ticket free again.
    void Abandon(int ticket);
    // The pass is over: the folders held open for looking names up are let go.
    void Rest();

    // Whether the feed has a helper thread; ReadAheadPays() at first.
    void setHelper(bool on) { helped_ = on; }
    // How many files may be in flight (1 to kMaxInFlight, and no more than there are MD5 lanes);
    // FilesInFlightWanted() at first. Only between passes.
    void setFilesInFlight(int files);

  private:
    // The working values of one file, from its take-up to its release.
    struct CalcState {
        State state = State::Free;
        std::string path;
        FolderCache::Entry folder;  // while it waits for its open
        bool seen = false;
        int fd = -1;
        int lane = -1;  // its MD5 lane, when MD5 is wanted
        ValueSet wanted;
        std::uint16_t crc16 = 0;
        std::uint32_t crc32 = 0;
        std::uint16_t xsum = 0;
        bool crc16Reflected = false;
        bool invertCrc32 = false;
        FileValues values;
        MidwayValues midway;
        std::string error;
        // A span: reads go by offset from position on, and stop after left bytes (-1: never).
        bool spanned = false;
        std::int64_t position = 0;
        std::int64_t left = -1;
        MidwayValues resume;
        bool resumed = false;
        // The round's job and what came of it: the block read into buffer (got bytes; ended
        // when a read found the end and the file was closed), or the -errno of the read or
        // close that failed.
        std::uint8_t* buffer = nullptr;
        std::int64_t blockBytes = kBlockSize;  // how much of it this round's read may fill
        platform::FileSystem::Opened opened;
        std::int64_t got = 0;
        std::int64_t readSoFar = 0;  // bytes its whole-file reads have brought so far
        bool ended = false;
        int failed = 0;
        bool closeFailed = false;
        // The block MD5 takes in the next round.
        std::uint8_t* chunk = nullptr;
        std::size_t chunkBytes = 0;
        std::size_t chunkRoom = 0;  // the bytes from chunk on that MD5 may write its padding in
        bool chunkLast = false;
        bool chunkStops = false;  // the span's last block: MD5 stops there rather than ends
        bool chunkDue = false;
        // The further digests, each started when the file opens.
        std::array<DigestRun, kDigestKindCount> runs;
    };

    // One job of a round: a file's next block (its open first, and its close at the end), or
    // one further digest over the block the round before read.
    static constexpr int kReadJob = -1;
    struct Job {
        int ticket = 0;
        int digest = kReadJob;  // a DigestKind
    };

    [[nodiscard]] const CalcState& file(int ticket) const;
    [[nodiscard]] CalcState& file(int ticket);
    [[nodiscard]] platform::FileSystem& Files() const { return source_.Files(); }
    [[nodiscard]] bool NeedsJob(const CalcState& f) const;
    [[nodiscard]] int JobsWanted() const;

    // A job, on either thread: open the file if it was just taken up, read and fold its next
    // block (and, after a short one, make the read that finds the end), close it at its end;
    // or run one further digest over its due block.
    static void RunJob(void* feed, int job);
    void RunDigest(CalcState& f, DigestKind kind);
    void OpenFile(CalcState& f);
    void ReadNextBlock(CalcState& f);
    // The block of a whole file, and of a span (by offset, stopping at the span's limit): the
    // bytes read, or the -errno of the read that failed.
    [[nodiscard]] std::int64_t ReadWholeBlock(CalcState& f);
    [[nodiscard]] std::int64_t ReadSpanBlock(CalcState& f);
    void StartValues(CalcState& f);
    void CloseFile(CalcState& f);
    // After the round, on the feed's thread: what the job did becomes the file's state.
    void Absorb(CalcState& f);
    void Fail(CalcState& f, std::string text);
    // MD5 over the blocks the round before read, until every lane has used its input.
    void HashDueBlocks();
    void TakeMd5(int lane);
    // After the round: the blocks it hashed are used up; a file whose last one it was is done.
    void UseUpDueBlocks();
    void Finish(CalcState& f);
    void Stop(CalcState& f);
    void LeaveFolder(CalcState& f);

    const FeedSource& source_;
    Md5Lanes lanes_;
    FeedHelper helper_;
    bool helped_ = ReadAheadPays();
    int capacity_ = 1;
    int readsPerRound_ = 1;
    std::uint64_t round_ = 0;
    std::array<CalcState, kMaxInFlight> files_;
    std::vector<Job> jobs_;  // this round's: the digests, then the reads from firstRead_ on
    std::size_t firstRead_ = 0;
    FolderCache folders_;
    BlockBanks banks_;
};

}  // namespace vellum
