#include "interchange/checksum_lines.h"

#include <optional>

#include "filelist/value_text.h"
#include "interchange/list_file.h"

namespace vellum {
namespace {

constexpr std::size_t kMd5Digits = 32;
constexpr std::size_t kCrc32Digits = 8;

ChecksumLine Kind(ChecksumLineKind kind) {
    ChecksumLine line;
    line.kind = kind;
    return line;
}

bool AllHex(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789abcdefABCDEF") == text.npos;
}

// A digest of exactly the digits given; the list file's reader would take fewer.
std::optional<Md5Digest> ExactMd5(std::string_view text) {
    if (text.size() != kMd5Digits || !AllHex(text)) return std::nullopt;
    return ReadMd5Text(text);
}

// The name of an escaped line with its escapes undone; nothing for an escape md5sum never
// writes, or a backslash at the end.
std::optional<std::string> Unescaped(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t k = 0; k < name.size(); ++k) {
        if (name[k] != '\\') {
            out += name[k];
            continue;
        }
        if (++k == name.size()) return std::nullopt;
        switch (name[k]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

ChecksumLine Named(std::string_view name, bool escaped) {
    ChecksumLine line;
    if (name.empty()) return line;
    if (escaped) {
        auto plain = Unescaped(name);
        if (!plain) return line;
        line.name = std::move(*plain);
    } else {
        line.name = name;
    }
    return line;
}

// "hex  name" or "hex *name".
ChecksumLine ReadMd5sumShape(std::string_view body, bool escaped) {
    if (body.size() <= kMd5Digits + 2 || body[kMd5Digits] != ' ') return {};
    if (body[kMd5Digits + 1] != ' ' && body[kMd5Digits + 1] != '*') return {};
    const auto md5 = ExactMd5(body.substr(0, kMd5Digits));
    if (!md5) return {};
    ChecksumLine line = Named(body.substr(kMd5Digits + 2), escaped);
    if (line.name.empty()) return {};
    line.kind = ChecksumLineKind::Md5;
    line.md5 = *md5;
    return line;
}

bool IsAlgorithmName(std::string_view name) {
    return !name.empty() &&
           name.find_first_not_of(
               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-") == name.npos;
}

// Hexadecimal or base64, as the tools write their digests: a comma-separated line whose name
// happens to read "x (y) = z" holds commas after the " = " and stays a line of our own layout.
bool IsDigestText(std::string_view digest) {
    return !digest.empty() && digest.find_first_not_of(
                                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                  "0123456789+/=") == digest.npos;
}

bool IsMd5Name(std::string_view name) {
    return name.size() == 3 && (name[0] == 'M' || name[0] == 'm') &&
           (name[1] == 'D' || name[1] == 'd') && name[2] == '5';
}

// "ALGORITHM (name) = digest". Names are not escaped beyond the backslash form, so the name
// ends at the last ") = ".
ChecksumLine ReadTagShape(std::string_view body, bool escaped) {
    const std::size_t open = body.find(" (");
    const std::size_t close = body.rfind(") = ");
    if (open == body.npos || close == body.npos || close < open + 2) return {};
    const std::string_view algorithm = body.substr(0, open);
    const std::string_view digest = body.substr(close + 4);
    if (!IsAlgorithmName(algorithm) || !IsDigestText(digest)) return {};
    if (!IsMd5Name(algorithm)) return Kind(ChecksumLineKind::OtherDigest);
    const auto md5 = ExactMd5(digest);
    if (!md5) return {};
    ChecksumLine line = Named(body.substr(open + 2, close - open - 2), escaped);
    if (line.name.empty()) return {};
    line.kind = ChecksumLineKind::Md5;
    line.md5 = *md5;
    return line;
}

bool NeedsEscape(std::string_view name) {
    return name.find_first_of("\\\n\r") != name.npos;
}

}  // namespace

ChecksumLine ReadDigestLine(std::string_view line) {
    const bool escaped = !line.empty() && line[0] == '\\';
    const std::string_view body = line.substr(escaped ? 1 : 0);
    ChecksumLine read = ReadMd5sumShape(body, escaped);
    if (read.kind == ChecksumLineKind::None) read = ReadTagShape(body, escaped);
    return read;
}

ChecksumLine ReadSfvLine(std::string_view line) {
    if (!line.empty() && line[0] == ';') return Kind(ChecksumLineKind::Comment);
    const std::size_t space = line.rfind(' ');
    if (space == line.npos || space == 0) return {};
    const std::string_view crc = line.substr(space + 1);
    if (crc.size() != kCrc32Digits || !AllHex(crc)) return {};
    ChecksumLine read = Kind(ChecksumLineKind::Crc32);
    read.name = line.substr(0, space);
    read.crc32 = *ReadHexText(crc, 32);
    return read;
}

std::string Md5sumLine(const Md5Digest& md5, std::string_view name) {
    std::string line;
    line.reserve(name.size() + kMd5Digits + 4);
    const bool escape = NeedsEscape(name);
    if (escape) line += '\\';
    line += DigestToHex(md5);
    line += "  ";
    for (const char c : name) {
        if (!escape) {
            line += c;
        } else if (c == '\\') {
            line += "\\\\";
        } else if (c == '\n') {
            line += "\\n";
        } else if (c == '\r') {
            line += "\\r";
        } else {
            line += c;
        }
    }
    line += '\n';
    return line;
}

std::string SfvLine(std::uint32_t crc32, std::string_view name) {
    if (name.empty() || name.find_first_of("\r\n") != name.npos) return {};
    std::string line = name[0] == ';' ? "./" : "";
    line += name;
    line += ' ';
    line += Crc32Text(crc32);
    line += '\n';
    return line;
}

}  // namespace vellum
