// The hex view's read cache: the last five 16 KiB blocks it read, whatever their files, so
// that a repaint or a scroll nearby touches no file and a miss costs exactly one block read.
// Plain C++ over platform::FileSystem; nothing of Qt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace vellum {
struct ListContext;
}

namespace vellum::ui {

inline constexpr std::int64_t kCacheBlockSize = 16384;
inline constexpr int kCacheSlotCount = 5;

struct CacheSlot {
    std::string slotPath;
    std::int64_t slotStart = -1;  // a multiple of kCacheBlockSize; -1 while the slot is empty
    std::array<std::uint8_t, kCacheBlockSize> slotData{};
};

class BlockCache final {
  public:
    // Told once that a file cannot be read: its path and the system's text for the error.
    using FailureHook = std::function<void(const std::string& path, const std::string& error)>;

    explicit BlockCache(ListContext& ctx);
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    // One byte of the file. 0 while a pass is in its file loop, without touching the file: the
    // pass owns the disk then. Nothing when the file cannot be opened or read; the hook hears
    // of it the first time only, and later misses on that file do not try it again.
    [[nodiscard]] std::optional<std::uint8_t> ReadCachedByte(const std::string& path,
                                                             std::int64_t offset);

    void SetFailureHook(FailureHook hook) { hook_ = std::move(hook); }
    // A file was selected anew: it may be readable again, and if not, that is news again.
    void ForgetFailure();
    // The selection already told the user that this file cannot be opened; painting it must
    // not tell them a second time.
    void NoteFailureReported(const std::string& path);

    [[nodiscard]] const CacheSlot& slot(int index) const { return slots_.at(index); }
    // The slot filled last; -1 until the first miss.
    [[nodiscard]] int NextSlot() const { return nextSlot_; }

  private:
    [[nodiscard]] std::optional<std::uint8_t> Fill(const std::string& path, std::int64_t offset);
    void Fail(const std::string& path, int code);

    ListContext& ctx_;
    std::array<CacheSlot, kCacheSlotCount> slots_;
    // A block is read here first, so that a failed read costs no cached block.
    std::array<std::uint8_t, kCacheBlockSize> incoming_{};
    int nextSlot_ = -1;
    std::optional<std::string> failedPath_;
    FailureHook hook_;
};

}  // namespace vellum::ui
