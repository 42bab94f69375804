// A list line fed a character at a time to the scan the list reader feeds as the file streams
// past.
#pragma once

#include <string_view>

#include "interchange/csv_line.h"

namespace vellum::test {

// The row a comma-separated list line gives; false, with row untouched, when it does not pass.
inline bool ReadCsvLine(std::string_view line, FileEntry& row) {
    return FoldText<CsvLineScan>(line).Finish(row);
}

}  // namespace vellum::test
