// The hex view's five-block cache.
#include "ui/block_cache.h"

#include "filelist/list_context.h"
#include "platform/error_text.h"
#include "platform/files.h"

namespace vellum::ui {

BlockCache::BlockCache(ListContext& ctx) : ctx_(ctx) {}

std::optional<std::uint8_t> BlockCache::ReadCachedByte(const std::string& path,
                                                       std::int64_t offset) {
    if (ctx_.state.Processing) return 0;
    if (offset < 0) return std::nullopt;
    for (const CacheSlot& slot : slots_) {
        if (slot.slotStart >= 0 && slot.slotPath == path && slot.slotStart <= offset &&
            offset < slot.slotStart + kCacheBlockSize) {
            return slot.slotData[static_cast<std::size_t>(offset - slot.slotStart)];
        }
    }
    if (path.empty()) return 0;
    // Without this, a vanished file would be opened again for every cell of every repaint.
    if (failedPath_ == path) return std::nullopt;
    return Fill(path, offset);
}

std::optional<std::uint8_t> BlockCache::Fill(const std::string& path, std::int64_t offset) {
    const int fd = ctx_.fs->OpenForReading(path);
    if (fd < 0) {
        Fail(path, -fd);
        return std::nullopt;
    }
    const std::int64_t start = offset - offset % kCacheBlockSize;
    // A file that shrank since it was selected reads short; its missing tail must read as
    // zeros, not as whatever block this slot held before.
    incoming_.fill(0);
    const std::int64_t got = ctx_.fs->ReadAt(fd, incoming_.data(), incoming_.size(), start);
    (void)ctx_.fs->Close(fd);
    if (got < 0) {
        Fail(path, static_cast<int>(-got));
        return std::nullopt;
    }
    nextSlot_ = (nextSlot_ + 1) % kCacheSlotCount;
    CacheSlot& slot = slots_[static_cast<std::size_t>(nextSlot_)];
    slot.slotPath = path;
    slot.slotStart = start;
    slot.slotData.swap(incoming_);
    return slot.slotData[static_cast<std::size_t>(offset - start)];
}

void BlockCache::Fail(const std::string& path, int code) {
    failedPath_ = path;
    if (hook_) hook_(path, platform::ErrorText(code));
}

void BlockCache::ForgetFailure() {
    failedPath_.reset();
}

void BlockCache::NoteFailureReported(const std::string& path) {
    failedPath_ = path;
}

}  // namespace vellum::ui
