// The list file's reader, two ways over the same bytes: the whole-file import, fed through a
// file system that hands the bytes over in pieces of odd sizes, and the single-line reader on
// each line as the import's rules cut them (every shape: Vellum's own, md5sum, tag and SFV
// lines). Both must agree row for row and count for count, and no row may carry a NUL, a path
// longer than the stored length, a negative size, or a value it does not hold.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/list_context.h"
#include "interchange/list_file.h"

namespace {

using vellum::FileEntry;

// The bytes as a file, served in pieces whose sizes cycle through the given list.
class MemoryFs final : public vellum::platform::FileSystem {
  public:
    MemoryFs(std::string_view bytes, std::vector<std::size_t> pieces)
        : bytes_(bytes), pieces_(std::move(pieces)) {}
    int OpenForReading(const std::string&) override { return 3; }
    std::int64_t Read(int, void* buffer, std::size_t count) override {
        const std::size_t piece = pieces_[turn_++ % pieces_.size()];
        const std::size_t n = std::min({count, piece, bytes_.size() - at_});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<std::int64_t>(n);
    }
    int Close(int) override { return 0; }

  private:
    std::string_view bytes_;
    std::vector<std::size_t> pieces_;
    std::size_t at_ = 0, turn_ = 0;
};

// The import's cut: a line's text ends at its first CR or LF, the next starts after the next
// LF, and a Ctrl-Z ends the file where a line would start or between a CR and its LF.
std::vector<std::string_view> Lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty() && bytes[0] != '\x1A') {
        const std::size_t end = bytes.find_first_of("\r\n");
        lines.push_back(bytes.substr(0, end));
        if (end == std::string_view::npos) break;
        const std::size_t lf = bytes.find('\n', end);
        if (lf == std::string_view::npos || bytes.find('\x1A', end) < lf) break;
        bytes.remove_prefix(lf + 1);
    }
    return lines;
}

bool Same(const FileEntry& a, const FileEntry& b) {
    return a.path == b.path && a.size == b.size && a.crc16 == b.crc16 && a.crc32 == b.crc32 &&
           a.xsum == b.xsum && vellum::DigestsEqual(a.md5, b.md5) && a.held == b.held;
}

// A row of another tool's list holds one value, and the others stay zero.
bool HoldsWhatItShould(const FileEntry& row) {
    if (row.held == vellum::kHeldAll) return true;
    if (row.held != vellum::kHeldMd5 && row.held != vellum::kHeldCrc32) return false;
    return row.size == 0 && row.crc16 == 0 && row.xsum == 0 &&
           (row.held == vellum::kHeldMd5 ? row.crc32 == 0 : row.md5 == vellum::Md5Digest{});
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::uint8_t crc32Variant = size % 2;  // SFV lines count as refused under -crc32a
    const vellum::ListRules rules{.folder = "", .crc32Common = crc32Variant == 1};
    std::vector<FileEntry> expected;
    vellum::ImportCounts wanted;
    for (const std::string_view line : Lines(bytes)) {
        FileEntry row;
        row.path.assign("untouched");
        row.size = -7;
        const FileEntry before = row;
        const vellum::ListLineKind kind = vellum::ReadAnyListLine(line, rules, row);
        if (kind == vellum::ListLineKind::Row) {
            Check(row.path.view().find('\0') == std::string_view::npos);
            Check(!row.path.empty() || row.held == vellum::kHeldAll);
            Check(row.path.size() <= vellum::kMaxPathLength);
            Check(row.size >= 0);
            Check(HoldsWhatItShould(row));
            expected.push_back(row);
            ++wanted.usable;
        } else {
            Check(Same(row, before));  // a line that fails leaves the row alone
            wanted.otherDigests += kind == vellum::ListLineKind::OtherDigest;
            wanted.sfvRefused += kind == vellum::ListLineKind::SfvRefused;
        }
    }
    for (const auto& pieces : {std::vector<std::size_t>{65536}, std::vector<std::size_t>{1, 2, 7},
                               std::vector<std::size_t>{size / 2 + 1, 3}}) {
        MemoryFs memory(bytes, pieces);
        vellum::ListContext ctx;
        ctx.fs = &memory;
        ctx.state.Crc32Variant = crc32Variant;
        vellum::ImportCounts counts;
        Check(!vellum::ImportFileList(ctx, "memory", &counts).has_value());
        Check(counts.usable == wanted.usable && counts.otherDigests == wanted.otherDigests &&
              counts.sfvRefused == wanted.sfvRefused);
        Check(ctx.state.RowCount - 1 == static_cast<std::int32_t>(expected.size()));
        for (std::size_t k = 0; k < expected.size(); ++k) {
            const FileEntry& row = ctx.table[static_cast<std::int32_t>(k + 1)];
            Check(Same(row, expected[k]));
            Check(row.status == vellum::EntryStatus::RECHECK);
            Check(row.band == vellum::EntryBand::IMPORTED);
        }
    }
    return 0;
}
