// The growable table of rows and the list state that every command reads and writes.
//
// Row 0 never holds a file; rows 1 to RowCount - 1 hold the files in display order; rows from
// RowCount up are free and read as zero-filled. The table's length is MaxFiles + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/file_entry.h"

namespace vellum {

inline constexpr std::int32_t kDefaultMaxFiles = 16384;

struct ListState {
    std::int32_t MaxFiles = kDefaultMaxFiles;
    std::uint8_t Crc16Variant = 1;
    std::uint8_t Crc32Variant = 1;
    std::int32_t RowCount = 1;
    bool Updating = false;
    bool Processing = false;
    bool HaltRequested = false;
    std::int64_t FlaggedBytes = 0;
    std::int64_t TotalBytes = 0;
    std::int32_t FlaggedCount = 0;
    std::int32_t MessageTicks = 0;
    std::int32_t SelectedRow = 0;
    bool NoAutoCheck = false;
};

class FileTable {
  public:
    // Index 0 up to length() - 1. Rows never written read as zero-filled.
    [[nodiscard]] FileEntry& operator[](std::int32_t i) {
        const std::size_t slot = Slot(i);
        return chunks_[slot / kChunkRows][slot % kChunkRows];
    }
    [[nodiscard]] const FileEntry& operator[](std::int32_t i) const;

    // MaxFiles + 1 as last sized.
    [[nodiscard]] std::int64_t length() const { return length_; }

    // Sets the length to maxFiles + 1 (never below 1), keeping the rows. Memory is taken only
    // for the rows actually used, so a large configured maximum costs nothing up front.
    void SetLength(std::int64_t length);

  private:
    // Rows live in chunks that never move once made: a growing list costs no copies of the rows
    // already in it, and memory is taken a chunk at a time as rows are used.
    static constexpr std::size_t kChunkRows = 1024;

    std::size_t Slot(std::int32_t i);
    [[nodiscard]] std::size_t rowsMade() const { return chunks_.size() * kChunkRows; }

    std::vector<std::unique_ptr<FileEntry[]>> chunks_;
    std::int64_t length_ = 1;
};

// Empties one row: the same as a never-used row.
void EmptyRow(FileEntry& row);

}  // namespace vellum
