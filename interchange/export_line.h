// One line of a list file as the export writes it: path, size, crc16, crc32, xsum and md5,
// comma-separated with quoted text fields ("csv") or tab-separated without quotes.
#pragma once

#include <string>

#include "filelist/file_entry.h"

namespace vellum {

enum class ExportLayout { Csv, Tabbed };

// The save dialog's file type: index 1 is "csv", any other is "tabbed txt".
[[nodiscard]] ExportLayout LayoutForFilterIndex(int filterIndex);

// The line's bytes, carriage return and line feed included. Nothing in a field is escaped.
[[nodiscard]] std::string ExportLine(const FileEntry& row, ExportLayout layout);

}  // namespace vellum
