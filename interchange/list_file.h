// The list file: the export of the FLAGGED rows and the import that reads a list back, of
// Vellum's own or another tool's, and queues every row for verification against its file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"
#include "filelist/file_table.h"
#include "interchange/export_line.h"
#include "interchange/list_reader.h"

namespace vellum {

struct ListContext;

// Writes one line per FLAGGED row, in list order, to path (created or truncated). The layout
// follows the save dialog's file type among those offered for the digests the list shows
// (LayoutForFilterIndex: 1 "csv", 3 "md5sum list", 4 "SFV", 5 on the digests' lists). On failure
// the lines already written stay and the result is the error in the run-time's wording ("File
// access denied", "Disk full", otherwise "I/O error %d"). Rows the layout cannot hold are left out
// and counted in the result (LeftOutText). SFV under -crc32a is refused before anything is written
// (LayoutRefusal).
[[nodiscard]] std::optional<std::string> ExportFlaggedList(const ListContext& ctx,
                                                           const std::string& path,
                                                           int filterIndex);

// SFV's CRC-32 is the common one; a list of -crc32a values would fail in every SFV reader.
inline constexpr std::string_view kSfvNeedsCommonCrc =
    "SFV holds the CRC-32 of -crc32b; it cannot be written under -crc32a";
[[nodiscard]] std::optional<std::string> LayoutRefusal(ExportLayout layout, const ListState& state);
// "N flagged rows were left out: ...".
[[nodiscard]] std::string LeftOutText(std::int32_t rows);

// Hexadecimal of either case, kept to bits (16 or 32) so extra leading digits are lost; an
// empty text is 0.
[[nodiscard]] std::optional<std::uint32_t> ReadHexText(std::string_view text, int bits);

// One message for the user about the import: the lines that could not be read (how many, and
// the first one's number), a list with no usable line, SFV lines refused under -crc32a; or
// nothing when every line that counts was of use.
[[nodiscard]] std::optional<std::string> ImportNotice(const ImportCounts& counts,
                                                      std::string_view listPath);

// Appends a RECHECK row with band IMPORTED for every line that passes (ListLineReader), and
// counts the lines into counts when given. Returns the error ("File not found" and the like) when
// the file cannot be opened or read; rows added before the error stay. Runs no pass.
[[nodiscard]] std::optional<std::string> ImportFileList(ListContext& ctx, const std::string& path,
                                                        ImportCounts* counts = nullptr);

// The import command after its dialog: nothing chosen (cancel) runs the pass alone; a file is
// imported (ImportNotice posted in bold red), the digests its rows hold are added to those the
// pass calculates (and the window shows), and the pass verifies it, unless the file could not
// be read: then the error comes back for the window to show and no pass runs.
[[nodiscard]] std::optional<std::string> ImportChosenList(ListContext& ctx,
                                                          const std::optional<std::string>& chosen);

}  // namespace vellum
