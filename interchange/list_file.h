// The list file: the export of the FLAGGED rows and the import that reads such a file back and
// queues every row for verification against its file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"

namespace vellum {

struct ListContext;

// Writes one line per FLAGGED row, in list order, to path (created or truncated). The layout
// follows the save dialog's file type (1 "csv", anything else "tabbed txt"). On failure the
// lines already written stay and the result is the error in the run-time's wording
// ("File access denied", "Disk full", otherwise "I/O error %d").
[[nodiscard]] std::optional<std::string> ExportFlaggedList(const ListContext& ctx,
                                                           const std::string& path,
                                                           int filterIndex);

// Reads one line of a comma-separated list file into row (path, size, the four values);
// false when the line does not pass. The five value fields hold no comma, so they are taken
// from the right and a path with commas in it reads back as it was written. The path is cut
// to kMaxPathLength. row is left alone when the line fails.
[[nodiscard]] bool ReadListLine(std::string_view line, FileEntry& row);

// The field readers of a list line, each on the field's text without its quotes.
// Size: decimal digits only, at least one, within the signed 64-bit range.
[[nodiscard]] std::optional<std::int64_t> ReadSizeText(std::string_view text);
// Hexadecimal of either case, kept to bits (16 or 32) so extra leading digits are lost; an
// empty text is 0.
[[nodiscard]] std::optional<std::uint32_t> ReadHexText(std::string_view text, int bits);
// Up to 32 hexadecimal digits, byte 0 first, high nibble first; missing digits are 0 and
// anything after the 32nd is not looked at.
[[nodiscard]] std::optional<Md5Digest> ReadMd5Text(std::string_view text);

// An errno value in the run-time's wording: "File access denied", "Disk full",
// "File not found", otherwise "I/O error %d".
[[nodiscard]] std::string IoErrorText(int code);

// Appends a RECHECK row with band IMPORTED for every line that passes. Returns the error
// ("File not found" and the like) when the file cannot be opened or read; rows added before
// the error stay. Runs no pass.
[[nodiscard]] std::optional<std::string> ImportFileList(ListContext& ctx, const std::string& path);

// The import command after its dialog: nothing chosen (cancel) runs the pass alone; a file is
// imported and the pass verifies it, unless the file could not be read: then the error comes
// back for the window to show and no pass runs.
[[nodiscard]] std::optional<std::string> IMPORTfilelist1Click(
    ListContext& ctx, const std::optional<std::string>& chosen);

}  // namespace vellum
