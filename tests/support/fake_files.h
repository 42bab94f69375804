// The tests' one fake file system: every call goes on to the real file layer unless the test has
// named it to fail, and every call is counted, by kind and by path. For what root could not be
// refused, a disk that fills up half-way, and a count of what the core asks of the disk.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vellum::test {

class FakeFiles final : public platform::FileSystem {
  public:
    // The calls a test can count, upset or watch. Open is OpenForReading (also under OpenIfFile
    // and SizeOfFile); Create is CreateForWriting; Write is WriteAll. Of the link side, Dedupe
    // is counted on the target's path, Link (LinkBeside) on the path it makes a name beside,
    // Rename on the name it replaces, Unlink on the name it removes.
    enum class Call {
        IsFile,
        Open,
        Read,
        ReadAt,
        Close,
        Create,
        Write,
        Dedupe,
        Link,
        Rename,
        Unlink
    };

    // The calls of one kind on one path ("" for any path) that fail with error: the from-th to
    // the to-th, counted on that path (or on all). A failing IsFile says no; a failing Write
    // first lets `partial` bytes of its own in, as a disk that fills up half-way does; a failing
    // Close lets the descriptor go all the same.
    struct Fault {
        Call call;
        std::string path;
        int error;
        int from = 1;
        int to = std::numeric_limits<int>::max();
        std::size_t partial = 0;
    };
    void Fail(Fault fault) { faults_.push_back(std::move(fault)); }
    // From now on every call goes through.
    void Heal() { faults_.clear(); }

    // Runs before each call that names a path (IsFile, Open, Create), to change the disk
    // between the caller's looks.
    std::function<void(Call, const std::string& path)> before;
    // How long each read waits, so that a read running beside something else is seen.
    std::chrono::microseconds dawdle{0};

    // The calls of a kind so far, failed ones included: on every path, on one, by path.
    [[nodiscard]] int Calls(Call call) const;
    [[nodiscard]] int Calls(Call call, const std::string& path) const;
    [[nodiscard]] std::map<std::string, int> CallsByPath(Call call) const;
    // The bytes that Read and ReadAt delivered from the file at path.
    [[nodiscard]] std::int64_t BytesRead(const std::string& path) const;
    // Descriptors handed out and not closed yet, and the most there were at once.
    [[nodiscard]] int OpenNow() const { return openNow_; }
    [[nodiscard]] int MostOpen() const { return mostOpen_; }
    // Whether a read is running now, and whether a close ever came while one ran.
    [[nodiscard]] bool Reading() const { return reading_; }
    [[nodiscard]] bool ClosedUnderARead() const { return closedUnderARead_; }

    bool IsFile(const std::string& path) override;
    int OpenForReading(const std::string& path) override;
    std::int64_t Read(int fd, void* buffer, std::size_t count) override;
    std::int64_t ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) override;
    int Close(int fd) override;
    int CreateForWriting(const std::string& path) override;
    int WriteAll(int fd, std::string_view bytes) override;
    platform::DedupeAnswer Dedupe(int source, std::int64_t sourceOffset, int target,
                                  std::int64_t targetOffset, std::int64_t length) override;
    platform::MadeLink LinkBeside(const std::string& existing, const std::string& beside) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Unlink(const std::string& path) override;

  private:
    // Counts the call; the fault that upsets it, or null.
    const Fault* Upset(Call call, const std::string& path);
    // The path fd was opened by, and the bookkeeping of a new descriptor (or -errno).
    [[nodiscard]] std::string PathOf(int fd) const;
    int Opened(int fd, const std::string& path);

    std::vector<Fault> faults_;
    std::map<Call, std::map<std::string, int>> calls_;
    std::map<std::string, std::int64_t> bytesRead_;
    std::map<int, std::string> paths_;
    int openNow_ = 0;
    int mostOpen_ = 0;
    std::atomic<bool> reading_ = false;
    std::atomic<bool> closedUnderARead_ = false;
};

}  // namespace vellum::test
