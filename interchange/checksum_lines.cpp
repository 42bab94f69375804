#include "interchange/checksum_lines.h"

#include <algorithm>
#include <utility>

#include "filelist/value_text.h"
#include "interchange/list_file.h"

namespace vellum {
namespace {

constexpr std::size_t kMd5Digits = 32;
constexpr std::size_t kCrc32Digits = 8;
constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool AllHex(std::string_view text) {
    return !text.empty() && text.find_first_not_of(kHexDigits) == text.npos;
}

// The name of an escaped line with its escapes undone; nothing for an escape the tools never
// write, or a backslash at the end.
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

// The file layer takes a path up to its first NUL, so a name holding one would verify, and
// later trash, a file other than the one it names; an empty name names the list's folder.
std::optional<std::string> NameOf(std::string_view text, bool escaped) {
    std::optional<std::string> name = escaped ? Unescaped(text) : std::string(text);
    if (!name || name->empty() || name->find('\0') != std::string::npos) return std::nullopt;
    return name;
}

// The digest of exactly this text, of the kinds its length allows (MD5 apart).
std::optional<DigestLine> ReadDigest(std::string_view digits, DigestMask kinds) {
    DigestLine line;
    line.md5 = digits.size() == kMd5Digits;
    line.kinds = line.md5 ? DigestMask{0} : kinds;
    if (!line.md5 && kinds == 0) return std::nullopt;
    const auto value = ReadExactHex(digits, digits.size() / 2);
    if (!value) return std::nullopt;
    line.value = *value;
    return line;
}

std::optional<DigestLine> Named(std::optional<DigestLine> line, std::string_view name,
                                bool escaped) {
    auto plain = NameOf(name, escaped);
    if (!line || !plain) return std::nullopt;
    line->name = std::move(*plain);
    return line;
}

// "digest<blank>[mark]name". The mark (' ' text, '*' binary) is no mark when it is the name's
// only character: "digest  " names the file " ", as sha256sum reads it.
std::optional<DigestLine> ReadSumsShape(std::string_view body, bool escaped,
                                        DigestMask untagged128) {
    const std::size_t digits = std::min(body.find_first_not_of(kHexDigits), body.size());
    if (digits == body.size() || !IsBlank(body[digits])) return std::nullopt;
    DigestMask kinds = KindsWithHexDigits(digits);
    if ((kinds & untagged128) != 0) kinds &= untagged128;
    std::string_view name = body.substr(digits + 1);
    if (name.size() >= 2 && (name[0] == ' ' || name[0] == '*')) name.remove_prefix(1);
    return Named(ReadDigest(body.substr(0, digits), kinds), name, escaped);
}

struct TagKind {
    DigestMask kinds = 0;  // none for MD5
    std::size_t digits = kMd5Digits;
};

// The algorithm exactly as the tools write it: "MD5", a kind's tag, or "BLAKE2b-512".
std::optional<TagKind> KindOfTagText(std::string_view tag) {
    if (tag == kMd5Tag) return TagKind{};
    const auto kind = KindOfTag(tag);
    if (!kind) return std::nullopt;
    return TagKind{MaskOf(*kind), 2 * InfoOf(*kind).bytes};
}

std::size_t SkipBlanks(std::string_view text, std::size_t at) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    return at;
}

// "(name) = digest" after the tag: the name runs to the last ')', since the digest after it
// holds none; any blanks around '='. The name and the digest, or nothing.
std::optional<std::pair<std::string_view, std::string_view>> SplitTagged(std::string_view rest) {
    const std::size_t close = rest.rfind(')');
    if (rest.empty() || rest[0] != '(' || close == rest.npos || close == 0) return std::nullopt;
    const std::size_t equals = SkipBlanks(rest, close + 1);
    if (equals == rest.size() || rest[equals] != '=') return std::nullopt;
    return std::pair(rest.substr(1, close - 1), rest.substr(SkipBlanks(rest, equals + 1)));
}

// "TAG (name) = digest", with one space before the parenthesis at most.
std::optional<DigestLine> ReadTagShape(std::string_view body, bool escaped) {
    const std::size_t tagEnd = std::min(body.find_first_of(" ("), body.size());
    const auto tag = KindOfTagText(body.substr(0, tagEnd));
    if (!tag) return std::nullopt;
    std::string_view rest = body.substr(tagEnd);
    if (!rest.empty() && rest[0] == ' ') rest.remove_prefix(1);
    const auto split = SplitTagged(rest);
    if (!split || split->second.size() != tag->digits || !AllHex(split->second))
        return std::nullopt;
    return Named(ReadDigest(split->second, tag->kinds), split->first, escaped);
}

void AppendEscaped(std::string& line, std::string_view name, bool escape) {
    if (escape)
        line += EscapedName(name);
    else
        line += name;
}

}  // namespace

std::optional<DigestLine> ReadDigestLine(std::string_view line, DigestMask untagged128) {
    std::size_t at = 0;
    while (at < line.size() && IsBlank(line[at])) ++at;
    const bool escaped = at < line.size() && line[at] == '\\';
    const std::string_view body = line.substr(at + (escaped ? 1 : 0));
    if (auto tag = ReadTagShape(body, escaped)) return tag;
    return ReadSumsShape(body, escaped, untagged128);
}

std::optional<SfvEntry> ReadSfvLine(std::string_view line) {
    const std::size_t space = line.rfind(' ');
    if (space == line.npos || space == 0) return std::nullopt;
    const std::string_view crc = line.substr(space + 1);
    if (crc.size() != kCrc32Digits || !AllHex(crc)) return std::nullopt;
    if (line.find('\0') < space) return std::nullopt;
    return SfvEntry{std::string(line.substr(0, space)), *ReadHexText(crc, 32)};
}

bool NeedsEscape(std::string_view name) {
    return name.find_first_of("\\\n\r") != name.npos;
}

std::string EscapedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string SumsLine(std::span<const std::uint8_t> digest, std::string_view name) {
    const bool escape = NeedsEscape(name);
    std::string line = escape ? "\\" : "";
    line.reserve(name.size() + 2 * digest.size() + 4);
    line += LowerHex(digest);
    line += "  ";
    AppendEscaped(line, name, escape);
    line += '\n';
    return line;
}

std::string TagLine(std::string_view tag, std::span<const std::uint8_t> digest,
                    std::string_view name) {
    const bool escape = NeedsEscape(name);
    std::string line = escape ? "\\" : "";
    line.reserve(name.size() + 2 * digest.size() + tag.size() + 8);
    line += tag;
    line += " (";
    AppendEscaped(line, name, escape);
    line += ") = ";
    line += LowerHex(digest);
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
