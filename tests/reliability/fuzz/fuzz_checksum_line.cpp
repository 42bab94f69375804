// The lines of other tools' checksum files, both ways over the same bytes: read as a line, a
// line that passes names something; taken as a file name, the sums and tag lines of every
// digest read back as that very name and digest (SFV may refuse a name with a line break,
// nothing else).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "checksum/md5.h"
#include "interchange/checksum_lines.h"
#include "tests/support/digest_of.h"

namespace {

using vellum::DigestKind;
using vellum::DigestMask;

constexpr DigestMask kBoth128 =
    vellum::MaskOf(DigestKind::Sha512) | vellum::MaskOf(DigestKind::Blake2b);

void Check(bool ok) {
    if (!ok) std::abort();
}

std::string_view WithoutLineFeed(std::string_view line) {
    Check(!line.empty() && line.back() == '\n');
    line.remove_suffix(1);
    // The tools' lines hold a line break only at their end.
    Check(line.find_first_of("\r\n") == std::string_view::npos);
    return line;
}

void ReadAsLine(std::string_view bytes) {
    if (const auto digest = vellum::ReadDigestLine(bytes, kBoth128)) {
        Check(!digest->name.empty() && digest->name.find('\0') == std::string::npos);
        Check(digest->md5 != (digest->kinds != 0));
    }
    if (const auto sfv = vellum::ReadSfvLine(bytes))
        Check(!sfv->name.empty() && sfv->name.size() < bytes.size());
}

// The line's digest reads back with the name, whatever bytes the name holds.
void RoundTrip(std::string_view line, std::string_view name, DigestMask kinds,
               const vellum::DigestValue& value) {
    const auto read = vellum::ReadDigestLine(WithoutLineFeed(line), kinds ? kinds : kBoth128);
    Check(read && read->name == name && read->value == value);
    Check(read->md5 == (kinds == 0) && read->kinds == kinds);
}

void WriteAsName(std::string_view name) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(name.data()),
                                              name.size());
    const vellum::Md5Digest md5 = vellum::DigestOfText(name);
    vellum::DigestValue md5Value;
    std::copy(md5.bytes.begin(), md5.bytes.end(), md5Value.bytes.begin());
    md5Value.size = 16;
    const bool nul = name.find('\0') != std::string_view::npos;
    if (!nul) {
        RoundTrip(vellum::SumsLine(md5.bytes, name), name, 0, md5Value);
        RoundTrip(vellum::TagLine(vellum::kMd5Tag, md5.bytes, name), name, 0, md5Value);
        for (const vellum::DigestInfo& info : vellum::AllDigestInfo()) {
            const vellum::DigestValue value = vellum::test::DigestOf(info.kind, bytes);
            const DigestMask kind = vellum::MaskOf(info.kind);
            RoundTrip(vellum::SumsLine(value.view(), name), name, kind, value);
            RoundTrip(vellum::TagLine(info.tag, value.view(), name), name, kind, value);
        }
    }
    const std::string sfv = vellum::SfvLine(0x12345678, name);
    if (sfv.empty()) {
        Check(name.find_first_of("\r\n") != std::string_view::npos);
        return;
    }
    const auto crc = vellum::ReadSfvLine(WithoutLineFeed(sfv));
    Check(crc.has_value() == !nul);
    if (crc)
        Check(crc->crc32 == 0x12345678 &&
              crc->name == (name[0] == ';' ? "./" + std::string(name) : std::string(name)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadAsLine(bytes);
    if (!bytes.empty()) WriteAsName(bytes);
    return 0;
}
