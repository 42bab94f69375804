// The folders of the files the feed opens, held open while files in them wait for their open,
// so that each file is looked up by its name in its folder rather than by walking its whole path
// again. Rows of one folder mostly come one after the other, so the last folder is looked at
// first; a folder nobody waits for any more gives its place to the next one.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace vellum {

class FolderCache final {
  public:
    // A file's place in the cache: its folder's slot (-1 for a path without a folder) and the
    // folder's handle (-1 where the file layer keeps none).
    struct Entry {
        int slot = -1;
        int handle = -1;
    };

    // The folder of path, opened if need be, with one user more.
    [[nodiscard]] Entry Enter(platform::FileSystem& files, std::string_view path);
    // The user of slot has opened its file (or given up): one user less.
    void Leave(int slot);
    // Every folder let go: the pass is over.
    void Rest(platform::FileSystem& files);

  private:
    struct Folder {
        std::string path;
        int handle = -1;
        int users = 0;
    };
    [[nodiscard]] int SlotFor(platform::FileSystem& files, std::string_view folder);

    std::vector<Folder> folders_;
    int last_ = -1;
};

// Two banks of block buffers, allocated once and touched only as far as reads write: a round
// reads into one while MD5 and the digests run over the other, which the round before read. A
// round's blocks lie one after the other in its bank, each kStagger bytes past a multiple of the
// block size more than the one before: MD5 loads the same offset of every lane's block at once,
// and blocks a power of two apart would all fall into the same cache sets.
class BlockBanks final {
  public:
    static constexpr std::size_t kStagger = 256;
    // Room in every bank for any count of blocks whose bytes add up to no more than bytes, with
    // up to blocks blocks.
    void Reserve(int blocks, std::size_t bytes);
    // The k-th block of bytes in the round's bank. Its data may be followed by kStagger bytes of
    // the bank's own (the room MD5 pads a last block in).
    [[nodiscard]] std::uint8_t* Buffer(std::uint64_t round, std::size_t k,
                                       std::size_t bytes) const {
        return banks_[round & 1].get() + k * (bytes + kStagger);
    }

  private:
    std::size_t size_ = 0;
    std::array<std::unique_ptr<std::uint8_t[]>, 2> banks_;
};

}  // namespace vellum
