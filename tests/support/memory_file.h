// One file held in memory, or made as it is read, served in pieces of the sizes a test picks:
// for readers that must give the same answer however the bytes arrive, and for lists too big
// to write to disk. Header-only, so that the fuzz targets share it.
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace vellum::test {

class MemoryFile final : public platform::FileSystem {
  public:
    // Writes up to count bytes of the file's next part into `into`; 0 at its end.
    using Source = std::function<std::size_t(char* into, std::size_t count)>;

    // The bytes are not copied: they must outlive the reads. Each read hands over the next
    // size of pieces (cycling) at most.
    explicit MemoryFile(std::string_view bytes, std::vector<std::size_t> pieces = {1 << 16})
        : MemoryFile(FromBytes(bytes), std::move(pieces)) {}
    MemoryFile(Source source, std::vector<std::size_t> pieces)
        : source_(std::move(source)), pieces_(std::move(pieces)) {}

    int OpenForReading(const std::string&) override { return kFd; }
    std::int64_t Read(int, void* buffer, std::size_t count) override {
        const std::size_t piece = pieces_[turn_++ % pieces_.size()];
        return static_cast<std::int64_t>(
            source_(static_cast<char*>(buffer), std::min(count, piece)));
    }
    int Close(int) override { return 0; }

    static constexpr int kFd = 3;

  private:
    static Source FromBytes(std::string_view bytes) {
        return [bytes, at = std::size_t{0}](char* into, std::size_t count) mutable {
            const std::size_t n = std::min(count, bytes.size() - at);
            if (n > 0) std::memcpy(into, bytes.data() + at, n);
            at += n;
            return n;
        };
    }

    Source source_;
    std::vector<std::size_t> pieces_;
    std::size_t turn_ = 0;
};

}  // namespace vellum::test
