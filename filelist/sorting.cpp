#include "filelist/sorting.h"

#include <algorithm>
#include <utility>

#include "filelist/list_context.h"
#include "platform/files.h"

namespace vellum {

namespace {

// Byte by byte with a-z taken as A-Z; the first differing byte decides, unsigned; a prefix
// sorts first.
int CompareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
        int x = static_cast<unsigned char>(a[k]);
        int y = static_cast<unsigned char>(b[k]);
        if (x >= 'a' && x <= 'z') x -= 'a' - 'A';
        if (y >= 'a' && y <= 'z') y -= 'a' - 'A';
        if (x != y) return x - y;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

template <class T>
int Order(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareAscending(const FileEntry& a, const FileEntry& b, std::int32_t column,
                     bool fileNameOnly) {
    switch (column) {
        case kColumnFilename:
            if (fileNameOnly)
                return CompareFolded(platform::FileNamePart(a.path.view()),
                                     platform::FileNamePart(b.path.view()));
            return CompareFolded(a.path.view(), b.path.view());
        case kColumnSize: return Order(a.size, b.size);
        case kColumnCrc16: return Order(a.crc16, b.crc16);
        case kColumnCrc32: return Order(a.crc32, b.crc32);
        case kColumnXsum: return Order(a.xsum, b.xsum);
        case kColumnMd5: return CompareDigests(a.md5, b.md5);
        case kColumnStatus: return Order(a.status, b.status);
        default: return 0;
    }
}

// The quicksort with a copied middle pivot. The smaller part is sorted by recursion and the
// larger by the loop, which bounds the depth; the parts do not overlap, so the order in which
// they are sorted changes nothing.
void QuickSort(FileTable& t, std::int32_t first, std::int32_t last, const SortState& sort) {
    while (first < last) {
        std::int32_t i = first;
        std::int32_t j = last;
        const FileEntry pivot = t[first + (last - first) / 2];
        do {
            // The pivot's own value bounds both scans; the range tests only guard against a
            // comparison that is not a consistent order.
            while (i < last && CompareByKeys(t[i], pivot, sort) < 0) ++i;
            while (j > first && CompareByKeys(t[j], pivot, sort) > 0) --j;
            if (i <= j) {
                if (i != j) std::swap(t[i], t[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - first < last - i) {
            if (first < j) QuickSort(t, first, j, sort);
            first = i;
        } else {
            if (i < last) QuickSort(t, i, last, sort);
            last = j;
        }
    }
}

}  // namespace

int CompareEntries(const FileEntry& a, const FileEntry& b, std::int32_t column, bool descending,
                   bool fileNameOnly) {
    const int r = CompareAscending(a, b, column, fileNameOnly);
    return descending ? -r : r;
}

int CompareByKeys(const FileEntry& a, const FileEntry& b, const SortState& sort) {
    const int r =
        CompareEntries(a, b, sort.PrimaryColumn, sort.PrimaryDescending, sort.FileNameOnly);
    if (r != 0) return r;
    return CompareEntries(a, b, sort.SecondaryColumn, sort.SecondaryDescending,
                          sort.FileNameOnly);
}

void SortRows(ListContext& ctx, std::int32_t first, std::int32_t last) {
    if (last < first) return;
    QuickSort(ctx.table, first, last, ctx.sort);
}

std::string_view BaseCaption(int column) {
    static constexpr std::string_view kCaptions[kColumnCount] = {
        "Filename", "Size", "crc16", "crc32", "xsum", "md5", "Status"};
    return column >= 0 && column < kColumnCount ? kCaptions[column] : std::string_view{};
}

std::string HeaderCaption(std::string_view base, int column, const SortState& sort) {
    std::string text(base);
    if (column == kColumnFilename) text += sort.FileNameOnly ? " (file)" : " (path\\file)";
    if (column == sort.PrimaryColumn)
        text += sort.PrimaryDescending ? " ^" : " v";
    else if (column == sort.SecondaryColumn)
        text += " +";
    return text;
}

void DrawGrid3Click(ListContext& ctx, int column, int row) {
    if (ctx.state.Updating) return;
    if (column < 0 || column >= kColumnCount || row != 0) return;
    SortState& s = ctx.sort;
    if (column == s.PrimaryColumn) {
        s.PrimaryDescending = !s.PrimaryDescending;
        // Filename turning back to ascending switches between whole paths and names.
        if (column == kColumnFilename && !s.PrimaryDescending) s.FileNameOnly = !s.FileNameOnly;
    } else {
        // A newly chosen column starts descending; the old first key becomes the second.
        s.PrimaryDescending = true;
        s.SecondaryColumn = s.PrimaryColumn;
        s.SecondaryDescending = true;
    }
    s.PrimaryColumn = column;
    SortRows(ctx, 1, ctx.state.RowCount - 1);
    ctx.updatefilez();
}

void InPathOrder(ListContext& ctx, const std::function<void()>& add) {
    const std::int32_t n = ctx.state.RowCount;
    SortState& s = ctx.sort;
    const SortState saved = s;
    s.PrimaryColumn = kColumnFilename;
    s.PrimaryDescending = false;
    s.FileNameOnly = false;
    SortRows(ctx, 1, n - 1);
    add();
    s.PrimaryColumn = saved.PrimaryColumn;
    s.PrimaryDescending = saved.PrimaryDescending;
    s.FileNameOnly = saved.FileNameOnly;
    SortRows(ctx, 1, n - 1);
}

}  // namespace vellum
