// Reads the next block of a file on a helper thread while the list pass folds the current one:
// MD5 is one long chain that keeps a core busy, and the other core is idle meanwhile.
//
// The helper only reads. It never touches the table, the pass's state or the host; the pass
// waits for its read before it lets events through, before it takes the block and before it
// closes the file, so nothing else ever runs on the file or its buffer at the same time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <semaphore>
#include <thread>

#include "platform/files.h"

namespace vellum {

// Whether the list pass reads ahead: VELLUM_READ_AHEAD=1 or 0 in the environment decides;
// otherwise with two processors or more. Reading ahead hides the read's time (about 0.1 s per
// GiB of cached file) behind MD5: on the two-vCPU development machine, quiet, a 1 GiB file took
// 1.38 s instead of 1.52 s (medians of five). When the other vCPU is busy with other work the
// gain turns into a loss of a few percent; a desktop's spare core is the common case. Read once.
[[nodiscard]] bool ReadAheadPays();

class ReadAhead final {
  public:
    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Hands over a read of up to count bytes of fd into buffer through fs, as fs.Read would do
    // it. At most one read is out at a time: a read not yet taken must be taken first. The
    // thread is started at the first read, so a pass over small files never has one.
    void Start(platform::FileSystem& fs, int fd, std::uint8_t* buffer, std::size_t count);
    // Waits until the read handed over has finished, if one has; its result stays to be taken.
    void Settle();
    // Whether a read was handed over and its result not yet taken.
    [[nodiscard]] bool holds() const { return holds_; }
    // Settles and gives the read's result: the byte count, or -errno.
    [[nodiscard]] std::int64_t Take();

  private:
    void Run();

    std::thread thread_;
    std::binary_semaphore request_{0};
    std::binary_semaphore done_{0};
    // Written by the caller before request_ is released, read by the helper after it acquired
    // it; the result the other way round through done_. The semaphores order every access.
    platform::FileSystem* fs_ = nullptr;
    int fd_ = -1;
    std::uint8_t* buffer_ = nullptr;
    std::size_t count_ = 0;
    std::int64_t result_ = 0;
    bool stop_ = false;
    // The caller's own bookkeeping, never seen by the helper.
    bool holds_ = false;
    bool inFlight_ = false;
};

}  // namespace vellum
