#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "filelist/list_context.h"

namespace vellum {

const FileEntry& FileTable::operator[](std::int32_t i) const {
    static const FileEntry kEmpty{};
    const auto slot = static_cast<std::size_t>(i);
    return i >= 0 && slot < rowsMade() ? chunks_[slot / kChunkRows][slot % kChunkRows] : kEmpty;
}

std::size_t FileTable::Slot(std::int32_t i) {
    const auto slot = static_cast<std::size_t>(i);
    // The append rule keeps every row it writes inside the table; anything else is a fault
    // that must not scribble past the end.
    if (i < 0 || static_cast<std::int64_t>(i) >= length_)
        throw std::out_of_range("file table row " + std::to_string(i));
    while (slot >= rowsMade()) chunks_.push_back(std::make_unique<FileEntry[]>(kChunkRows));
    return slot;
}

void FileTable::SetLength(std::int64_t length) {
    // Rows past the new end read as never written, should the table grow again; rows past the
    // old end were never written.
    const auto oldEnd = static_cast<std::size_t>(length_);
    length_ = std::max<std::int64_t>(length, 1);
    const auto kept = static_cast<std::size_t>(length_);
    while (rowsMade() >= kept + kChunkRows) chunks_.pop_back();
    for (std::size_t slot = kept; slot < std::min(oldEnd, rowsMade()); ++slot)
        chunks_[slot / kChunkRows][slot % kChunkRows] = FileEntry{};
}

void EmptyRow(FileEntry& row) {
    row = FileEntry{};
}

ListContext::ListContext() {
    SizeFileTable(*this);
}

void SizeFileTable(ListContext& ctx) {
    ctx.table.SetLength(static_cast<std::int64_t>(ctx.state.MaxFiles) + 1);
}

void GrowFileTable(ListContext& ctx) {
    // Doubling past the 32-bit range would wrap; the limit then simply stays where it is.
    if (ctx.state.MaxFiles <= std::numeric_limits<std::int32_t>::max() / 2) ctx.state.MaxFiles *= 2;
    SizeFileTable(ctx);
}

std::int32_t AppendRow(ListContext& ctx, const FileEntry& entry) {
    ListState& s = ctx.state;
    if (s.RowCount == s.MaxFiles) GrowFileTable(ctx);
    if (s.MaxFiles < s.RowCount) return 0;
    const std::int32_t row = s.RowCount;
    ctx.table[row] = entry;
    ++s.RowCount;
    return row;
}

void MarkRowsOld(ListContext& ctx) {
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) ctx.table[i].band = EntryBand::OLD;
}

void Clear(ListContext& ctx) {
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) EmptyRow(ctx.table[i]);
    ctx.state.RowCount = 1;
    ctx.host->RepaintGrid(ctx.state.RowCount);
    ctx.RunPass();
}

void SetMaxFiles(ListContext& ctx, std::int64_t value) {
    ctx.state.MaxFiles = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace vellum
