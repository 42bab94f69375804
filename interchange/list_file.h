// The list file: the export of the FLAGGED rows and the import that reads such a file back and
// queues every row for verification against its file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"
#include "filelist/file_table.h"
#include "interchange/export_line.h"

namespace vellum {

struct ListContext;

// Writes one line per FLAGGED row, in list order, to path (created or truncated). The layout
// follows the save dialog's file type (1 "csv", 3 "md5sum list", 4 "SFV", anything else
// "tabbed txt"). On failure the lines already written stay and the result is the error in the
// run-time's wording ("File access denied", "Disk full", otherwise "I/O error %d"). Rows the
// layout cannot hold are left out and counted in the result (LeftOutText). SFV under -crc32a
// is refused before anything is written (LayoutRefusal).
[[nodiscard]] std::optional<std::string> ExportFlaggedList(const ListContext& ctx,
                                                           const std::string& path,
                                                           int filterIndex);

// SFV's CRC-32 is the common one; a list of -crc32a values would fail in every SFV reader.
inline constexpr std::string_view kSfvNeedsCommonCrc =
    "SFV holds the CRC-32 of -crc32b; it cannot be written under -crc32a";
[[nodiscard]] std::optional<std::string> LayoutRefusal(ExportLayout layout, const ListState& state);
// "N flagged rows were left out: ...".
[[nodiscard]] std::string LeftOutText(std::int32_t rows);

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

// How the lines of other tools' checksum files are read for one list: their relative names
// against the list's folder ("" or a folder ending in '/'), and whether SFV's CRC-32 (that
// of -crc32b) can be checked under the variant in force.
struct ListRules {
    std::string folder;
    bool crc32Common = true;
};
[[nodiscard]] ListRules RulesFor(const ListContext& ctx, std::string_view listPath);

// What one line of a list file gave.
enum class ListLineKind { Skipped, Row, OtherDigest, SfvRefused };

// Any line the import takes: an md5sum or MD5 tag line (the row holds only md5), a line of the
// comma-separated layout (all five values), or an SFV line (only the CRC-32). row is written
// only for ListLineKind::Row.
[[nodiscard]] ListLineKind ReadAnyListLine(std::string_view line, const ListRules& rules,
                                           FileEntry& row);

// The lines of one import that gave rows, and those skipped for a reason the user is told.
// 64-bit: a list is outside input and may hold more lines than an int counts.
struct ImportCounts {
    std::int64_t usable = 0;
    std::int64_t otherDigests = 0;  // tag lines of SHA256 and the like
    std::int64_t sfvRefused = 0;    // SFV lines under -crc32a
};
// One message for the user about the import, or nothing when every line was of use or
// skipped as a bad line.
[[nodiscard]] std::optional<std::string> ImportNotice(const ImportCounts& counts,
                                                      std::string_view listPath);

// Appends a RECHECK row with band IMPORTED for every line that passes, and counts the lines
// into counts when given. Returns the error ("File not found" and the like) when the file
// cannot be opened or read; rows added before the error stay. Runs no pass.
[[nodiscard]] std::optional<std::string> ImportFileList(ListContext& ctx, const std::string& path,
                                                        ImportCounts* counts = nullptr);

// The import command after its dialog: nothing chosen (cancel) runs the pass alone; a file is
// imported (ImportNotice posted in bold red) and the pass verifies it, unless the file could
// not be read: then the error comes back for the window to show and no pass runs.
[[nodiscard]] std::optional<std::string> IMPORTfilelist1Click(
    ListContext& ctx, const std::optional<std::string>& chosen);

}  // namespace vellum
