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

// A digest held as one of alternatives (an open 128-digit one, not verified yet) may be of
// the other kind: it is written as neither.
std::optional<DigestValue> WrittenDigest(const FileEntry& row, DigestKind kind) {
    if (!row.digests.holds(kind) || row.digests.alternatives()) return std::nullopt;
    return row.digests.get(kind);
}

std::string DigestLineOf(const FileEntry& row, ExportLayout layout) {
    const bool tags = layout.shape == ExportLayout::Shape::Tags;
    const std::string_view name = row.path.view();
    if (!layout.digest) {
        if ((row.held & kHeldMd5) == 0) return "";
        return tags ? TagLine(kMd5Tag, row.md5.bytes, name) : SumsLine(row.md5.bytes, name);
    }
    const auto value = WrittenDigest(row, *layout.digest);
    if (!value) return "";
    return tags ? TagLine(InfoOf(*layout.digest).tag, value->view(), name)
                : SumsLine(value->view(), name);
}

}  // namespace

ValueSet ValuesOf(ExportLayout layout) {
    using Shape = ExportLayout::Shape;
    switch (layout.shape) {
        case Shape::Sums:
        case Shape::Tags:
            if (layout.digest) return {0, MaskOf(*layout.digest)};
            return {kHeldMd5, 0};
        case Shape::Sfv:
            return {kHeldCrc32, 0};
        default:
            return kFourValues;
    }
}

std::vector<ExportType> ExportTypes(DigestMask shown) {
    using Shape = ExportLayout::Shape;
    std::vector<ExportType> types = {
        {"csv", "*.csv", ".txt", ExportLayout::Csv},
        {"tabbed txt", "*.txt", ".txt", ExportLayout::Tabbed},
        {"md5sum list", "*.md5", ".md5", ExportLayout::Md5sum},
        {"SFV", "*.sfv", ".sfv", ExportLayout::Sfv},
    };
    ForEachKind(shown, [&](DigestKind kind) {
        const DigestInfo& info = InfoOf(kind);
        // b2sum's lists go by ".b2"; the others by the digest's name.
        const std::string suffix =
            kind == DigestKind::Blake2b ? ".b2" : "." + std::string(info.caption);
        types.push_back({std::string(info.tool) + " list", "*" + suffix, suffix,
                         ExportLayout{Shape::Sums, kind}});
        types.push_back({std::string(info.tag) + " tag list", "*" + suffix, suffix,
                         ExportLayout{Shape::Tags, kind}});
    });
    return types;
}

ExportLayout LayoutForFilterIndex(int filterIndex, DigestMask shown) {
    const std::vector<ExportType> types = ExportTypes(shown);
    if (filterIndex < 1 || static_cast<std::size_t>(filterIndex) > types.size())
        return ExportLayout::Tabbed;
    return types[static_cast<std::size_t>(filterIndex) - 1].layout;
}

std::string_view ExportHeader(ExportLayout layout) {
    return layout == ExportLayout::Sfv ? kSfvHeader : std::string_view();
}

std::string ExportLine(const FileEntry& row, ExportLayout layout) {
    switch (layout.shape) {
        case ExportLayout::Shape::Sums:
        case ExportLayout::Shape::Tags:
            return DigestLineOf(row, layout);
        case ExportLayout::Shape::Sfv:
            return (row.held & kHeldCrc32) != 0 ? SfvLine(row.crc32, row.path.view()) : "";
        default:
            // Zeros in place of the values not held would read back as values, and the file
            // would later show as CHANGED although it is as it was. A line break in the path
            // would end the line there, and what follows could read as a line of its own.
            if (row.held != kHeldAll ||
                row.path.view().find_first_of("\r\n") != std::string_view::npos)
                return "";
            return OwnLayoutLine(row, layout);
    }
}

std::string ShownLine(const FileEntry& row) {
    std::string line = OwnLayoutLine(row, ExportLayout::Csv);
    line.resize(line.size() - 2);
    return line;
}

}  // namespace vellum
