// One line of a list file as the export writes it. Vellum's own layout holds path, size,
// crc16, crc32, xsum and md5, comma-separated with quoted text fields ("csv") or tab-separated
// without quotes, each line ended by CR LF; the md5sum and SFV layouts are those of the tools
// that read them, ended by LF as those tools end them.
#pragma once

#include <string>
#include <string_view>

#include "filelist/file_entry.h"

namespace vellum {

enum class ExportLayout { Csv, Tabbed, Md5sum, Sfv };

// The save dialog's file type: index 1 is "csv", 3 "md5sum list", 4 "SFV", any other
// "tabbed txt".
[[nodiscard]] ExportLayout LayoutForFilterIndex(int filterIndex);

// What the file starts with: SFV's comment, nothing for the others.
[[nodiscard]] std::string_view ExportHeader(ExportLayout layout);

// The line's bytes, line end included. Nothing in a field of Vellum's own layout is escaped;
// md5sum escapes as md5sum does. Empty when the layout cannot hold the row: the value it
// writes is not held (a row imported from another tool's list and not yet verified), or the
// name has a line break and the layout is SFV.
[[nodiscard]] std::string ExportLine(const FileEntry& row, ExportLayout layout);

// The row as one comma-separated line without its line end, for the clipboard: the values it
// does not hold are empty fields.
[[nodiscard]] std::string ShownLine(const FileEntry& row);

}  // namespace vellum
