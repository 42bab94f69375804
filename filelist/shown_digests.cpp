#include "filelist/shown_digests.h"

#include <algorithm>
#include <cctype>

#include "filelist/list_context.h"

namespace vellum {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool ReadAgain(const FileEntry& row, DigestMask shown) {
    const bool read = ValuesCalculated(row.status) && row.status != EntryStatus::DELETED;
    return read && (row.digests.mask() & shown) != shown;
}

}  // namespace

void ShowDigests(ListContext& ctx, DigestMask shown) {
    ctx.calculate.digests = shown;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        if (ReadAgain(ctx.table[i], shown)) ctx.table[i].status = EntryStatus::RECHECK;
    ctx.RunPass();
}

std::string DigestNames(DigestMask mask) {
    std::string names;
    ForEachKind(mask, [&](DigestKind kind) {
        if (!names.empty()) names += ',';
        names += InfoOf(kind).caption;
    });
    return names;
}

DigestMask ReadDigestNames(std::string_view text) {
    DigestMask mask = 0;
    while (!text.empty()) {
        const std::size_t comma = std::min(text.find(','), text.size());
        const std::string_view name = Trimmed(text.substr(0, comma));
        for (const DigestInfo& info : AllDigestInfo())
            if (SameName(name, info.caption)) mask |= MaskOf(info.kind);
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    return mask;
}

}  // namespace vellum
