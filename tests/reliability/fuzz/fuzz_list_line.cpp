// The list reader over any bytes, three ways: streamed through ListLineReader from a file
// that hands the bytes over in pieces of odd sizes, each of its lines read whole by the line
// readers, and the whole-list import. All must agree row for row and count for count, and no
// row may carry a NUL, a negative size, or no value at all, nor an empty path unless it comes
// from Vellum's own layout.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/list_context.h"
#include "interchange/checksum_lines.h"
#include "interchange/list_file.h"
#include "tests/support/list_line.h"
#include "tests/support/memory_file.h"

namespace {

using vellum::FileEntry;
using vellum::ListLine;
using vellum::ListLineKind;

void Check(bool ok) {
    if (!ok) std::abort();
}

// The list's lines as cut at LF, without the CR before it and the byte-order mark before the
// first: line n of the reader is entry n - 1.
std::vector<std::string_view> LinesOf(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = std::min(bytes.find('\n'), bytes.size());
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        bytes.remove_prefix(std::min(end + 1, bytes.size()));
    }
    return lines;
}

bool Same(const FileEntry& a, const FileEntry& b) {
    return a.path == b.path && a.size == b.size && a.crc16 == b.crc16 && a.crc32 == b.crc32 &&
           a.xsum == b.xsum && a.md5 == b.md5 && a.held == b.held &&
           a.digests.mask() == b.digests.mask() &&
           a.digests.alternatives() == b.digests.alternatives() &&
           vellum::DigestsAgree(a, b, a.digests.mask());
}

// The path a name of the list stands for, as the reader joins it.
std::string PathOf(std::string_view name, const vellum::ListRules& rules) {
    return name[0] == '/' ? std::string(name) : rules.folder + std::string(name);
}

// A row agrees with its line read whole by the reader of its shape.
void CheckAgainstLine(const FileEntry& row, std::string_view text, const vellum::ListRules& rules) {
    if (row.held == vellum::kHeldAll) {
        FileEntry whole;
        Check(vellum::test::ReadCsvLine(text.substr(0, std::min(text.find('\r'), text.size())),
                                        whole));
        whole.held = vellum::kHeldAll;
        Check(Same(row, whole));
    } else if (row.held == vellum::kHeldCrc32) {
        const auto sfv = vellum::ReadSfvLine(text);
        Check(sfv && sfv->crc32 == row.crc32 && PathOf(sfv->name, rules) == row.path.view());
    } else {
        const auto digest = vellum::ReadDigestLine(text, rules.untagged128);
        Check(digest && PathOf(digest->name, rules) == row.path.view());
        Check(digest->md5 == (row.held == vellum::kHeldMd5) && digest->kinds == row.digests.mask());
    }
}

void CheckRow(const FileEntry& row) {
    // Vellum's own layout has always taken a line whose path is empty ("",0,...).
    Check(!row.path.empty() || row.held == vellum::kHeldAll);
    Check(row.path.view().find('\0') == std::string_view::npos);
    Check(row.size >= 0);
    Check(row.held != 0 || row.digests.mask() != 0);
}

struct Streamed {
    std::vector<FileEntry> rows;
    vellum::ImportCounts counts;
};

Streamed Stream(std::string_view bytes, std::vector<std::size_t> pieces,
                const vellum::ListRules& rules, const std::vector<std::string_view>& lines) {
    vellum::test::MemoryFile file(bytes, std::move(pieces));
    vellum::ListLineReader reader(file, vellum::test::MemoryFile::kFd, rules);
    Streamed streamed;
    ListLine line;
    std::int64_t number = 0;
    while (reader.Next(line)) {
        Check(line.number == ++number && static_cast<std::size_t>(number) <= lines.size());
        streamed.counts.Count(line);
        if (line.kind != ListLineKind::Row) continue;
        CheckRow(line.row);
        CheckAgainstLine(line.row, lines[static_cast<std::size_t>(number - 1)], rules);
        streamed.rows.push_back(line.row);
    }
    Check(!reader.error().has_value());
    return streamed;
}

bool SameCounts(const vellum::ImportCounts& a, const vellum::ImportCounts& b) {
    return a.usable == b.usable && a.unreadable == b.unreadable &&
           a.firstUnreadable == b.firstUnreadable && a.sfvRefused == b.sfvRefused &&
           a.digests == b.digests;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::uint8_t crc32Variant = size % 2;  // SFV lines are refused under -crc32a
    // The list's name picks what 128 digits are, and whether it is SFV.
    static const char* const kNames[] = {"/l/list.txt", "/l/SHA512SUMS", "/l/B2SUMS", "/l/x.sfv"};
    const std::string listPath = kNames[(size / 2) % 4];
    const vellum::ListRules rules = vellum::RulesFor(listPath, crc32Variant);
    const std::vector<std::string_view> lines = LinesOf(bytes);
    const Streamed first = Stream(bytes, {65536}, rules, lines);
    for (const auto& pieces :
         {std::vector<std::size_t>{1, 2, 7}, std::vector<std::size_t>{size / 2 + 1, 3}}) {
        const Streamed again = Stream(bytes, pieces, rules, lines);
        Check(SameCounts(again.counts, first.counts) && again.rows.size() == first.rows.size());
        for (std::size_t k = 0; k < first.rows.size(); ++k)
            Check(Same(again.rows[k], first.rows[k]));
    }
    vellum::test::MemoryFile file(bytes, {4096});
    vellum::ListContext ctx;
    ctx.fs = &file;
    ctx.state.Crc32Variant = crc32Variant;
    vellum::ImportCounts counts;
    Check(!vellum::ImportFileList(ctx, listPath, &counts).has_value());
    Check(SameCounts(counts, first.counts));
    Check(ctx.state.RowCount - 1 == static_cast<std::int32_t>(first.rows.size()));
    for (std::size_t k = 0; k < first.rows.size(); ++k) {
        const FileEntry& row = ctx.table[static_cast<std::int32_t>(k + 1)];
        Check(Same(row, first.rows[k]));
        Check(row.status == vellum::EntryStatus::RECHECK &&
              row.band == vellum::EntryBand::IMPORTED);
    }
    return 0;
}
