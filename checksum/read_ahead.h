// Reads ahead on a helper thread while the list pass folds the current block: MD5 is one long
// chain that keeps a core busy, and the other core is idle meanwhile. The helper reads the next
// block of the file; when that read finds the end of the file, it can also close the file and
// take up the next one the pass will calculate, as the pass would (is it a file, open it, read
// its first block), so that over many small files the file layer's calls run beside MD5 too.
//
// The helper only calls the file layer. It never touches the table, the pass's state or the
// host, and it decides nothing: the pass takes up what it found in row order and makes every
// status decision itself. The pass waits for the helper before it lets events through, before
// it takes a block and before it calls the file layer itself, so no two calls of the file layer
// ever run at the same time and nothing runs beside an event handler.
#pragma once

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

// What the helper does once a read has found the end of the current file (it gave 0 bytes),
// and what came of it. The caller fills in the path (empty: only close) before handing it over
// and reads the rest after the helper settled.
struct AfterTheEnd {
    std::string nextPath;  // the next file to take up; its capacity is kept from file to file
    // The current file's close: done, and its result (0, or -errno).
    bool closed = false;
    int closeResult = 0;
    // The next file, taken up only when the close succeeded: OpenIfFile, then the first
    // ReadSome into the same buffer (bytes or -errno) when that gave a descriptor.
    bool looked = false;
    platform::FileSystem::Opened opened;
    std::int64_t firstRead = 0;
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

class ReadAhead final {
  public:
    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Hands over a read of up to count bytes of fd into buffer through fs, as fs.ReadSome would
    // do it. At most one read is out at a time: a read not yet taken must be taken first. The
    // thread is started at the first read. With then, a read that gives 0 bytes goes on as
    // AfterTheEnd says; then must stay untouched until the read is taken. With beside, the
    // bytes read are folded into the CRCs and the sum there (FoldBesideDigest), so those values
    // too belong to the helper until the read is taken.
    void Start(platform::FileSystem& fs, int fd, std::uint8_t* buffer, std::size_t count,
               AfterTheEnd* then = nullptr, const RunningValues* beside = nullptr);
    // Waits until the read handed over has finished, if one has; its result stays to be taken.
    void Settle();
    // Whether a read was handed over and its result not yet taken.
    [[nodiscard]] bool holds() const { return holds_; }
    // Settles and gives the read's result: the byte count, or -errno.
    [[nodiscard]] std::int64_t Take();

  private:
    void Run();
    void GoOnAfterTheEnd();

    std::thread thread_;
    Handover request_;
    Handover done_;
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
