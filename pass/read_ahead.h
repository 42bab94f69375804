// Reads ahead on a helper thread while the list pass folds the current block: MD5 is one long
// chain that keeps a core busy, and the other core is idle meanwhile. The helper reads the next
// block of the file; when that read finds the end of the file, it can also close the file and
// take up the next ones the pass will calculate, as the pass would (is it a file, open it, read
// its first block, find its end, close it), so that over many small files the file layer's
// calls run beside MD5 too, and a few files ahead, so that a file whose MD5 is quick does not
// leave the pass waiting for the next one's calls.
//
// The helper only calls the file layer. It never touches the table, the pass's state or the
// host, and it decides nothing: the pass takes up what it found in row order and makes every
// status decision itself. The pass waits for the helper before it lets events through, before
// it takes a block and before it calls the file layer itself, so no two calls of the file layer
// ever run at the same time and nothing runs beside an event handler.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "checksum/fold_all.h"
#include "platform/files.h"

namespace vellum {

// Whether the list pass reads ahead: VELLUM_READ_AHEAD=1 or 0 in the environment decides;
// otherwise with two processors or more. Read once.
[[nodiscard]] bool ReadAheadPays();

// How many rows the helper may take up, one after the other, once the current file has ended:
// over small files the two threads then seldom wait for each other, although each file's MD5
// and each file's calls take different times.
inline constexpr int kChain = 8;

// One row the helper takes up after the file before it ended, as the pass would: OpenIfFile;
// the first ReadSome; after a short first block the read that follows; after a read of 0
// bytes the close. It stops at the first call whose outcome would have the pass do anything
// else (no descriptor, a failed read or close, a full block, a read after the first that gave
// bytes), and it stops once a block would have no buffer left to go to.
struct NextFile {
    std::string path;     // filled in by the caller; its capacity is kept from file to file
    bool looked = false;  // OpenIfFile was called, and opened holds its result
    platform::FileSystem::Opened opened;
    std::int64_t firstRead = 0;  // when opened.fd >= 0: bytes, or -errno
    bool readAgain = false;      // the read after a short first block was made
    std::int64_t secondRead = 0;
    bool closed = false;  // the file was closed, with closeResult (0, or -errno)
    int closeResult = 0;
};

// What the helper does once a read has found the end of the current file (it gave 0 bytes),
// and what came of it. The caller fills in the paths of up to kChain rows (count of them; 0:
// only close) and the buffers before handing it over: next[j]'s first block goes into
// buffers[j], the read after it into buffers[j + 1]; buffers[0] is the read's own buffer. The
// caller may read the close and next[j] once ReadAhead::AwaitStep(j + 2) returned, and the
// whole of it after the helper settled.
struct AfterTheEnd {
    // The current file's close: done, and its result (0, or -errno).
    bool closed = false;
    int closeResult = 0;
    int count = 0;
    std::array<NextFile, kChain> next;
    std::array<std::uint8_t*, kChain> buffers{};
};

// One side tells the other that its part is done. The waiting side spins for a few tens of
// microseconds before it sleeps: over small files the two sides hand over every few
// microseconds, and waking a sleeping thread costs more than that.
class Handover final {
  public:
    void Raise();
    void Await();

  private:
    std::atomic<bool> raised_{false};
    std::atomic<bool> sleeping_{false};
};

// The steps of one request that the helper has finished, for a waiter that needs only the first
// few: the same spin, then sleep.
class Progress final {
  public:
    static constexpr int kAll = 1 << 30;
    void Reset() { steps_.store(0, std::memory_order_relaxed); }
    void Reach(int steps);
    void AwaitAtLeast(int steps);

  private:
    std::atomic<int> steps_{0};
    std::atomic<bool> sleeping_{false};
};

class ReadAhead final {
  public:
    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Hands over a read of up to count bytes of fd into buffer through fs, as fs.ReadSome would
    // do it. At most one request is out at a time: Start settles the one before. The thread is
    // started at the first read. With then, a read that gives 0 bytes goes on as AfterTheEnd
    // says; then must stay untouched until the helper settled, but for what AwaitStep has
    // handed back. With beside, the bytes read are folded into the CRCs and the sum there
    // (FoldBesideDigest), so those values too belong to the helper until the read is taken.
    void Start(platform::FileSystem& fs, int fd, std::uint8_t* buffer, std::size_t count,
               AfterTheEnd* then = nullptr, const RunningValues* beside = nullptr);
    // Waits until the request handed over has finished, if one is out; its read's result stays
    // to be taken.
    void Settle();
    // Waits until the helper finished the first steps of the request: 1 is the read and, after
    // the end, the close; j + 2 is AfterTheEnd::next[j]. Returns at once when none is out.
    void AwaitStep(int steps);
    // Whether a read was handed over and its result not yet taken.
    [[nodiscard]] bool holds() const { return holds_; }
    // Waits for the read (step 1) and gives its result: the byte count, or -errno. The rest of
    // the request may still be running.
    [[nodiscard]] std::int64_t Take();

  private:
    void Run();
    void GoOnAfterTheEnd();
    // Takes up then.next[j]; false where the pass would not simply go on to the next row.
    bool TakeUp(AfterTheEnd& then, int j);

    std::thread thread_;
    Handover request_;
    Progress done_;
    // Written by the caller before request_ is raised, read by the helper after it saw it; the
    // result the other way round through done_. The handovers order every access.
    platform::FileSystem* fs_ = nullptr;
    int fd_ = -1;
    std::uint8_t* buffer_ = nullptr;
    std::size_t count_ = 0;
    AfterTheEnd* then_ = nullptr;
    std::optional<RunningValues> beside_;
    std::int64_t result_ = 0;
    bool stop_ = false;
    // The caller's own bookkeeping, never seen by the helper.
    bool holds_ = false;
    bool inFlight_ = false;
};

}  // namespace vellum
