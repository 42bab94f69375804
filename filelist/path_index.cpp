#include "filelist/path_index.h"

#include <functional>

#include "filelist/file_table.h"

namespace vellum {

namespace {

std::size_t HashOf(std::string_view path) { return std::hash<std::string_view>{}(path); }

}  // namespace

void PathIndex::Build(const FileTable& table, std::int32_t rowCount) {
    // Twice as many slots as rows keeps the probe runs short without a rehash while building.
    std::size_t slotCount = 64;
    while (slotCount < static_cast<std::size_t>(rowCount) * 2) slotCount *= 2;
    used_ = 0;
    slots_.assign(slotCount, 0);
    active_ = true;
    for (std::int32_t row = 1; row < rowCount; ++row) Note(table, row);
}

void PathIndex::Note(const FileTable& table, std::int32_t row) {
    if (!active_) return;
    if (Find(table, table[row].path.view()) != 0) return;  // the first row keeps the path
    if ((used_ + 1) * 2 > slots_.size()) Rehash(table, slots_.size() * 2);
    Insert(table, row);
}

void PathIndex::Drop() {
    active_ = false;
    used_ = 0;
    slots_.clear();
    slots_.shrink_to_fit();
}

std::int32_t PathIndex::Find(const FileTable& table, std::string_view path) const {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = HashOf(path) & mask;; k = (k + 1) & mask) {
        const std::int32_t row = slots_[k];
        if (row == 0) return 0;
        if (table[row].path.view() == path) return row;
    }
}

void PathIndex::Insert(const FileTable& table, std::int32_t row) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t k = HashOf(table[row].path.view()) & mask;
    while (slots_[k] != 0) k = (k + 1) & mask;
    slots_[k] = row;
    ++used_;
}

void PathIndex::Rehash(const FileTable& table, std::size_t slotCount) {
    std::vector<std::int32_t> old;
    old.swap(slots_);
    slots_.assign(slotCount, 0);
    used_ = 0;
    for (std::int32_t row : old)
        if (row != 0) Insert(table, row);
}

}  // namespace vellum
