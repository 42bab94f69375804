// The lines of other tools' checksum files, both ways over the same bytes: read as a line, a
// line that passes names something; taken as a file name, the line each writer makes of it
// reads back as that very name (SFV may refuse a name with a line break, nothing else).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interchange/checksum_lines.h"

namespace {

using vellum::ChecksumLineKind;

void Check(bool ok) {
    if (!ok) std::abort();
}

std::string_view WithoutLineFeed(std::string_view line) {
    Check(!line.empty() && line.back() == '\n');
    line.remove_suffix(1);
    return line;
}

void ReadAsLine(std::string_view bytes) {
    const vellum::ChecksumLine digest = vellum::ReadDigestLine(bytes);
    if (digest.kind == ChecksumLineKind::Md5) Check(!digest.name.empty());
    const vellum::ChecksumLine sfv = vellum::ReadSfvLine(bytes);
    if (sfv.kind == ChecksumLineKind::Crc32)
        Check(!sfv.name.empty() && sfv.name.size() < bytes.size());
}

void WriteAsName(std::string_view name) {
    const vellum::Md5Digest md5 = vellum::DigestOfText(name);
    const std::string md5sum = vellum::Md5sumLine(md5, name);
    // md5sum's line holds a line break only at its end.
    Check(WithoutLineFeed(md5sum).find_first_of("\r\n") == std::string_view::npos);
    const vellum::ChecksumLine digest = vellum::ReadDigestLine(WithoutLineFeed(md5sum));
    Check(digest.kind == ChecksumLineKind::Md5 && digest.name == name && digest.md5 == md5);

    const std::string sfv = vellum::SfvLine(0x12345678, name);
    if (sfv.empty()) {
        Check(name.find_first_of("\r\n") != std::string_view::npos);
        return;
    }
    const vellum::ChecksumLine crc = vellum::ReadSfvLine(WithoutLineFeed(sfv));
    Check(crc.kind == ChecksumLineKind::Crc32 && crc.crc32 == 0x12345678);
    Check(crc.name == (name[0] == ';' ? "./" + std::string(name) : std::string(name)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadAsLine(bytes);
    if (!bytes.empty()) WriteAsName(bytes);
    return 0;
}
