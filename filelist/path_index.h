// An index from path to the first row that holds it, so that adding m files to n rows does
// not cost m x n comparisons. It stays true only while rows neither move nor change paths,
// which is the case while an add command runs; FindPath falls back to the scan otherwise.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vellum {

class FileTable;

class PathIndex {
  public:
    // Indexes rows 1 to rowCount - 1; a path met twice keeps its first row.
    void Build(const FileTable& table, std::int32_t rowCount);
    // Records a row just appended, unless its path is already indexed.
    void Note(const FileTable& table, std::int32_t row);
    void Drop();
    [[nodiscard]] bool active() const { return active_; }
    // The first row holding path, or 0.
    [[nodiscard]] std::int32_t Find(const FileTable& table, std::string_view path) const;

  private:
    // A row with its path's hash, which spares a look at the row for most probes and every
    // rehash; cut to 32 bits, enough for a table of any length the list can have.
    struct Slot {
        std::int32_t row = 0;  // 0 for an empty slot
        std::uint32_t hash = 0;
    };
    [[nodiscard]] std::int32_t Find(const FileTable& table, std::string_view path,
                                    std::uint32_t hash) const;
    void Insert(Slot slot);
    void Rehash(std::size_t slotCount);

    std::vector<Slot> slots_;  // open addressing
    std::size_t used_ = 0;
    bool active_ = false;
};

}  // namespace vellum
