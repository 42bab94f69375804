#include "interchange/export_line.h"

#include "filelist/value_text.h"

namespace vellum {

ExportLayout LayoutForFilterIndex(int filterIndex) {
    return filterIndex == 1 ? ExportLayout::Csv : ExportLayout::Tabbed;
}

std::string ExportLine(const FileEntry& row, ExportLayout layout) {
    const std::string q = layout == ExportLayout::Csv ? "\"" : "";
    const std::string s = layout == ExportLayout::Csv ? "," : "\t";
    std::string line;
    line.reserve(row.path.size() + 80);
    line += q;
    line += row.path.view();
    line += q + s + std::to_string(row.size) + s;
    line += q + Crc16Text(row.crc16) + q + s;
    line += q + Crc32Text(row.crc32) + q + s;
    line += q + XsumText(row.xsum) + q + s;
    line += q + DigestToHex(row.md5) + q;
    line += "\r\n";
    return line;
}

}  // namespace vellum
