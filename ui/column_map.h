// The list's columns as the two grids show them: the seven of every list, with the further
// digests the list shows between md5 and Status, in kind order. The one place that turns a
// grid's column into the core's column number (SortColumn) and back; with no digests shown
// the two are the same.
#pragma once

#include <array>
#include <cstdint>

#include "checksum/digests.h"
#include "filelist/sorting.h"

namespace vellum::ui {

class ColumnMap {
  public:
    explicit ColumnMap(DigestMask shown = 0);

    [[nodiscard]] DigestMask shown() const { return shown_; }
    [[nodiscard]] int count() const { return count_; }
    // The core's column in grid column view; kColumnNone outside the grid.
    [[nodiscard]] int CoreColumn(int view) const;
    // The grid column of the core's column; -1 when it is not shown.
    [[nodiscard]] int ViewColumn(int core) const;

    friend bool operator==(const ColumnMap& a, const ColumnMap& b) { return a.shown_ == b.shown_; }

  private:
    DigestMask shown_;
    int count_ = 0;
    std::array<std::int8_t, kSortColumnCount> core_{};
};

}  // namespace vellum::ui
