// The row sort as first written down: the quicksort with a copied middle pivot, on whole rows,
// both parts sorted by plain recursion. The order it leaves tied rows in is the order the
// program has always produced, which SortRows must keep however it is made faster.
#pragma once

#include <utility>
#include <vector>

#include "filelist/sorting.h"

namespace vellum::test {

// The primary key, then the secondary where the primary ties.
inline int CompareByKeys(const FileEntry& a, const FileEntry& b, const SortState& sort) {
    const int r =
        CompareEntries(a, b, sort.PrimaryColumn, sort.PrimaryDescending, sort.FileNameOnly);
    if (r != 0) return r;
    return CompareEntries(a, b, sort.SecondaryColumn, sort.SecondaryDescending, sort.FileNameOnly);
}

inline void ReferenceSort(std::vector<FileEntry>& t, int first, int last, const SortState& s) {
    if (last < first) return;
    int i = first;
    int j = last;
    const FileEntry pivot = t[(first + last) / 2];
    do {
        while (CompareByKeys(t[i], pivot, s) < 0) ++i;
        while (CompareByKeys(t[j], pivot, s) > 0) --j;
        if (i <= j) {
            std::swap(t[i], t[j]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (first < j) ReferenceSort(t, first, j, s);
    if (i < last) ReferenceSort(t, i, last, s);
}

}  // namespace vellum::test
