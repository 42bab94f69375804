#include "interchange/digest_check.h"

namespace vellum {
namespace {

std::string_view Trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::optional<PublishedDigest> ReadPublishedDigest(std::string_view text) {
    const std::string_view digits = Trimmed(text);
    PublishedDigest digest;
    if (digits.size() == 32) {
        const auto value = ReadExactHex(digits, 16);
        if (!value) return std::nullopt;
        digest.md5 = true;
        digest.value = *value;
        return digest;
    }
    digest.kinds = KindsWithHexDigits(digits.size());
    if (digest.kinds == 0) return std::nullopt;
    const auto value = ReadExactHex(digits, digits.size() / 2);
    if (!value) return std::nullopt;
    digest.value = *value;
    return digest;
}

void ExpectDigest(FileEntry& row, const PublishedDigest& digest) {
    row.status = EntryStatus::RECHECK;
    row.band = EntryBand::IMPORTED;
    row.digests.clear();
    row.held = 0;
    if (digest.md5) {
        std::copy(digest.value.bytes.begin(), digest.value.bytes.begin() + 16,
                  row.md5.bytes.begin());
        row.held = kHeldMd5;
        return;
    }
    ForEachKind(digest.kinds, [&](DigestKind kind) { row.digests.set(kind, digest.value); });
    row.digests.setAlternatives(true);
}

std::optional<std::string> MatchedAlgorithm(const FileEntry& row, const PublishedDigest& digest) {
    if (!ValuesCalculated(row.status)) return std::nullopt;
    if (digest.md5) {
        const bool equal =
            (row.held & kHeldMd5) != 0 &&
            std::equal(row.md5.bytes.begin(), row.md5.bytes.end(), digest.value.bytes.begin());
        if (equal) return std::string("MD5");
        return std::nullopt;
    }
    std::optional<std::string> matched;
    ForEachKind(digest.kinds, [&](DigestKind kind) {
        if (!matched && row.digests.holds(kind) && row.digests.get(kind) == digest.value)
            matched = std::string(InfoOf(kind).menu);
    });
    return matched;
}

}  // namespace vellum
