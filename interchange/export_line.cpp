#include "interchange/export_line.h"

#include "filelist/value_text.h"
#include "interchange/checksum_lines.h"

namespace vellum {
namespace {

// A value the row does not hold leaves its field empty.
std::string OwnLayoutLine(const FileEntry& row, ExportLayout layout) {
    const std::string q = layout == ExportLayout::Csv ? "\"" : "";
    const std::string s = layout == ExportLayout::Csv ? "," : "\t";
    const auto field = [&](std::uint8_t bit, const std::string& text, const std::string& quote) {
        return (row.held & bit) != 0 ? quote + text + quote : std::string();
    };
    std::string line;
    line.reserve(row.path.size() + 80);
    line += q;
    line += row.path.view();
    line += q + s + field(kHeldSize, std::to_string(row.size), "") + s;
    line += field(kHeldCrc16, Crc16Text(row.crc16), q) + s;
    line += field(kHeldCrc32, Crc32Text(row.crc32), q) + s;
    line += field(kHeldXsum, XsumText(row.xsum), q) + s;
    line += field(kHeldMd5, DigestToHex(row.md5), q);
    line += "\r\n";
    return line;
}

}  // namespace

ExportLayout LayoutForFilterIndex(int filterIndex) {
    switch (filterIndex) {
        case 1:
            return ExportLayout::Csv;
        case 3:
            return ExportLayout::Md5sum;
        case 4:
            return ExportLayout::Sfv;
        default:
            return ExportLayout::Tabbed;
    }
}

std::string_view ExportHeader(ExportLayout layout) {
    return layout == ExportLayout::Sfv ? kSfvHeader : std::string_view();
}

std::string ExportLine(const FileEntry& row, ExportLayout layout) {
    switch (layout) {
        case ExportLayout::Md5sum:
            return (row.held & kHeldMd5) != 0 ? Md5sumLine(row.md5, row.path.view()) : "";
        case ExportLayout::Sfv:
            return (row.held & kHeldCrc32) != 0 ? SfvLine(row.crc32, row.path.view()) : "";
        default:
            // Zeros in place of the values not held would read back as values, and the file
            // would later show as CHANGED although it is as it was.
            return row.held == kHeldAll ? OwnLayoutLine(row, layout) : "";
    }
}

std::string ShownLine(const FileEntry& row) {
    std::string line = OwnLayoutLine(row, ExportLayout::Csv);
    line.resize(line.size() - 2);
    return line;
}

}  // namespace vellum
