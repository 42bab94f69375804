// Ordering the list: the two-key sort state, the row comparison, the quicksort that moves whole
// rows, the header captions with their sort marks, and the header click.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"

namespace vellum {

struct ListContext;

enum SortColumn : std::int32_t {
    kColumnNone = -1,
    kColumnFilename = 0,
    kColumnSize = 1,
    kColumnCrc16 = 2,
    kColumnCrc32 = 3,
    kColumnXsum = 4,
    kColumnMd5 = 5,
    kColumnStatus = 6,
    // The further digests, each a column of its own when shown; the window draws them between
    // md5 and Status.
    kColumnFirstDigest = 7,
};
// The seven columns every list has.
inline constexpr int kColumnCount = 7;
// Those and the further digests'.
inline constexpr int kSortColumnCount = kColumnFirstDigest + kDigestKindCount;

[[nodiscard]] constexpr std::int32_t ColumnOfDigest(DigestKind kind) {
    return kColumnFirstDigest + static_cast<std::int32_t>(kind);
}
// The digest a column stands for, if it is one of the further digests'.
[[nodiscard]] std::optional<DigestKind> DigestOfColumn(std::int32_t column);

struct SortState {
    std::int32_t PrimaryColumn = kColumnFilename;
    std::int32_t SecondaryColumn = kColumnFilename;
    bool PrimaryDescending = false;
    bool SecondaryDescending = false;
    bool FileNameOnly = false;
};

// Negative, zero or positive by one column; negated when descending. A row that does not hold
// a digest sorts before every row that does. Columns outside 0..kSortColumnCount - 1 (-1
// included) tie.
[[nodiscard]] int CompareEntries(const FileEntry& a, const FileEntry& b, std::int32_t column,
                                 bool descending, bool fileNameOnly);

// Sorts rows first..last (table indices, inclusive) by CompareEntries on the primary key, then
// on the secondary where the primary ties. The order of rows that tie on both keys is that of
// this particular quicksort, which callers may rely on. The selected row follows its file.
void SortRows(ListContext& ctx, std::int32_t first, std::int32_t last);

// The base captions of the seven columns and of the digests'.
[[nodiscard]] std::string_view BaseCaption(int column);
// The caption with its name-mode and sort marks.
[[nodiscard]] std::string HeaderCaption(std::string_view base, int column, const SortState& sort);

// A click on the header strip's cell (column, row): changes the sort state, sorts and runs a
// pass; does nothing while a pass runs or for a cell outside row 0 and the columns the list
// shows (the seven, and the digests of ctx.calculate).
void SortByHeaderClick(ListContext& ctx, int column, int row);

// Runs add, which appends rows, with the existing rows first sorted by whole path ascending
// and afterwards put back in the user's order; the appended rows stay after them.
void InPathOrder(ListContext& ctx, const std::function<void()>& add);

}  // namespace vellum
