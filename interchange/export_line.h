// One line of a list file as the export writes it. Vellum's own layout holds path, size,
// crc16, crc32, xsum and md5, comma-separated with quoted text fields ("csv") or tab-separated
// without quotes, each line ended by CR LF; the sums, tag and SFV layouts are those of the
// tools that read them, ended by LF as those tools end them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/digests.h"
#include "filelist/file_entry.h"

namespace vellum {

struct ExportLayout {
    enum class Shape : std::uint8_t {
        Csv,     // Vellum's own, comma-separated with quotes
        Tabbed,  // Vellum's own, tab-separated
        Sums,    // "digest  name", as md5sum, sha256sum and b2sum write
        Tags,    // "ALGORITHM (name) = digest", as they write with --tag
        Sfv,
    };
    Shape shape = Shape::Csv;
    // The digest of Sums and Tags: a further digest, or MD5 when unset.
    std::optional<DigestKind> digest;
    friend bool operator==(const ExportLayout&, const ExportLayout&) = default;

    static const ExportLayout Csv;
    static const ExportLayout Tabbed;
    static const ExportLayout Md5sum;
    static const ExportLayout Sfv;
};
inline constexpr ExportLayout ExportLayout::Csv{ExportLayout::Shape::Csv, std::nullopt};
inline constexpr ExportLayout ExportLayout::Tabbed{ExportLayout::Shape::Tabbed, std::nullopt};
inline constexpr ExportLayout ExportLayout::Md5sum{ExportLayout::Shape::Sums, std::nullopt};
inline constexpr ExportLayout ExportLayout::Sfv{ExportLayout::Shape::Sfv, std::nullopt};

// What a layout needs calculated for its lines.
[[nodiscard]] ValueSet ValuesOf(ExportLayout layout);

// A file type of the export's save dialog.
struct ExportType {
    std::string name;     // as the dialog shows it: "csv", "sha256sum list"
    std::string pattern;  // "*.csv"
    std::string suffix;   // added to a name typed without one: ".txt", ".sha256"
    ExportLayout layout;
};
// The types the dialog offers for a list that shows these digests: "csv", "tabbed txt",
// "md5sum list" and "SFV", then each shown digest's list and tag list, in column order. The
// dialog's filter index k is entry k - 1.
[[nodiscard]] std::vector<ExportType> ExportTypes(DigestMask shown);

// The save dialog's file type: index 1 is "csv", 3 "md5sum list", 4 "SFV", 5 on those of the
// shown digests (ExportTypes), any other "tabbed txt".
[[nodiscard]] ExportLayout LayoutForFilterIndex(int filterIndex, DigestMask shown = 0);

// What the file starts with: SFV's comment, nothing for the others.
[[nodiscard]] std::string_view ExportHeader(ExportLayout layout);

// The line's bytes, line end included. Nothing in a field of Vellum's own layout is escaped;
// the sums and tag lines escape as the tools do. Empty when the layout cannot hold the row:
// the value it writes is not held (a row imported from another tool's list and not yet
// verified, or holding an open 128-digit digest), or the name has a line break and the layout
// is Vellum's own or SFV.
[[nodiscard]] std::string ExportLine(const FileEntry& row, ExportLayout layout);

// The row as one comma-separated line without its line end, for the clipboard: the values it
// does not hold are empty fields.
[[nodiscard]] std::string ShownLine(const FileEntry& row);

}  // namespace vellum
