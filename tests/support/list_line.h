// A list line, or the text of one of its fields, fed a character at a time to the folds the
// list reader feeds as the file streams past.
#pragma once

#include <string_view>

#include "interchange/csv_line.h"

namespace vellum::test {

template <typename Fold>
Fold Folded(std::string_view text) {
    Fold fold;
    for (const char c : text) fold.Add(c);
    return fold;
}

// The row a comma-separated list line gives; false, with row untouched, when it does not pass.
inline bool ReadCsvLine(std::string_view line, FileEntry& row) {
    return Folded<CsvLineScan>(line).Finish(row);
}

}  // namespace vellum::test
