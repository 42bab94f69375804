#include "interchange/csv_line.h"

#include <algorithm>

#include "interchange/list_file.h"

namespace vellum {

// What stands between the opening quote and the closing quote before the size's comma.
std::string_view CsvLineScan::Path() const {
    const std::uint64_t comma = Field(commas_ - 4).start() - 1;
    if (comma < 2) return {};
    return std::string_view(head_).substr(1, std::min<std::uint64_t>(comma - 2, kMaxPathBytes));
}

bool CsvLineScan::PathQuoted() const {
    const FieldScan& size = Field(commas_ - 4);
    return size.start() >= 3 && head_[0] == '"' && size.before() == '"';
}

// Five commas read as they always have. More are taken as part of the path only when the path
// stands in quotes as the export writes it; a size written as 1,234 then still fails instead
// of passing with a path that ends in the size's first digits.
bool CsvLineScan::Finish(FileEntry& row) const {
    if (length_ == 0 || commas_ < 5) return false;
    if (commas_ > 5 && !PathQuoted()) return false;
    const auto size = Field(commas_ - 4).Size();
    const auto crc16 = Field(commas_ - 3).Hex(16);
    const auto crc32 = Field(commas_ - 2).Hex(32);
    const auto xsum = Field(commas_ - 1).Hex(16);
    const auto md5 = Field(commas_).Md5();
    if (!size || !crc16 || !crc32 || !xsum || !md5) return false;
    // A longer path is no path the system opens, and cut short it would name another file.
    if (Field(commas_ - 4).start() > kMaxPathBytes + 3) return false;
    const std::string_view path = Path();
    // The file layer takes a path up to its first NUL: such a row would verify, and later
    // trash, a file other than the one it names.
    if (path.find('\0') != std::string_view::npos) return false;
    row.path.assign(path);
    row.size = *size;
    row.crc16 = static_cast<std::uint16_t>(*crc16);
    row.crc32 = *crc32;
    row.xsum = static_cast<std::uint16_t>(*xsum);
    row.md5 = *md5;
    return true;
}

std::optional<std::uint32_t> ReadHexText(std::string_view text, int bits) {
    return FoldText<HexFold>(text).Result(bits);
}

}  // namespace vellum
