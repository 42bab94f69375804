#include "filelist/path_index.h"

#include <functional>

#include "filelist/file_table.h"

namespace vellum {

namespace {

std::uint32_t HashOf(std::string_view path) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(path));
}

}  // namespace

void PathIndex::Build(const FileTable& table, std::int32_t rowCount) {
    // Twice as many slots as rows keeps the probe runs short without a rehash while building.
    std::size_t slotCount = 64;
    while (slotCount < static_cast<std::size_t>(rowCount) * 2) slotCount *= 2;
    used_ = 0;
    slots_.assign(slotCount, Slot{});
    active_ = true;
    for (std::int32_t row = 1; row < rowCount; ++row) Note(table, row);
}

void PathIndex::Note(const FileTable& table, std::int32_t row) {
    if (!active_) return;
    const std::string_view path = table[row].path.view();
    const std::uint32_t hash = HashOf(path);
    if (Find(table, path, hash) != 0) return;  // the first row keeps the path
    if ((used_ + 1) * 2 > slots_.size()) Rehash(slots_.size() * 2);
    Insert(Slot{row, hash});
}

void PathIndex::Drop() {
    active_ = false;
    used_ = 0;
    slots_.clear();
    slots_.shrink_to_fit();
}

std::int32_t PathIndex::Find(const FileTable& table, std::string_view path) const {
    return Find(table, path, HashOf(path));
}

std::int32_t PathIndex::Find(const FileTable& table, std::string_view path,
                             std::uint32_t hash) const {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = hash & mask;; k = (k + 1) & mask) {
        const Slot& slot = slots_[k];
        if (slot.row == 0) return 0;
        // The row itself is looked at only when the hashes agree.
        if (slot.hash == hash && table[slot.row].path.view() == path) return slot.row;
    }
}

void PathIndex::Insert(Slot slot) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t k = slot.hash & mask;
    while (slots_[k].row != 0) k = (k + 1) & mask;
    slots_[k] = slot;
    ++used_;
}

void PathIndex::Rehash(std::size_t slotCount) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(slotCount, Slot{});
    used_ = 0;
    for (const Slot& slot : old)
        if (slot.row != 0) Insert(slot);
}

}  // namespace vellum
