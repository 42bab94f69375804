// Reading a list file back: the line splitting, the field readers and the rows they make.
//
// Every reader is a fold over the field's characters, and a line is read in one sweep that
// keeps only the first bytes of the path and the folds of its last five fields. A line of any
// length thus costs the same small, fixed amount of memory, and the file is read in chunks.
// Lines of other tools' checksum files are recognised one by one, so a list may mix them; they
// are read from a copy of the line kept up to kMaxChecksumLine bytes.
#include <array>
#include <limits>
#include <vector>

#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "interchange/checksum_lines.h"
#include "interchange/list_file.h"
#include "platform/error_text.h"

namespace vellum {
namespace {

constexpr char kCtrlZ = '\x1A';
// The longest path a comma-separated line may give: a longer one is no path the system opens,
// and cut short it would name another file.
constexpr std::size_t kMaxPathLength = kMaxPathBytes;
constexpr std::size_t kReadChunk = 64 * 1024;
// Room for the longest path the system opens (4096 bytes), escaped, and the digest.
constexpr std::size_t kMaxChecksumLine = 16 * 1024;

// The value of a hexadecimal digit of either case, or -1. Only ASCII letters count: bytes
// from 128 up are never digits, whatever the code page.
int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class SizeFold {
  public:
    void Add(char c) {
        ++count_;
        if (!valid_) return;
        if (c < '0' || c > '9') {
            valid_ = false;
            return;
        }
        const int digit = c - '0';
        if (value_ > (std::numeric_limits<std::int64_t>::max() - digit) / 10)
            valid_ = false;
        else
            value_ = value_ * 10 + digit;
    }
    [[nodiscard]] std::optional<std::int64_t> Result() const {
        if (!valid_ || count_ == 0) return std::nullopt;
        return value_;
    }

  private:
    std::int64_t value_ = 0;
    std::uint64_t count_ = 0;
    bool valid_ = true;
};

// Kept to 32 bits as it goes; the low 16 of those are what a 16-bit reading keeps.
class HexFold {
  public:
    void Add(char c) {
        const int digit = HexDigit(c);
        if (digit < 0)
            valid_ = false;
        else
            value_ = value_ * 16 + static_cast<std::uint32_t>(digit);
    }
    [[nodiscard]] std::optional<std::uint32_t> Result(int bits) const {
        if (!valid_) return std::nullopt;
        return bits == 16 ? value_ & 0xFFFFu : value_;
    }

  private:
    std::uint32_t value_ = 0;
    bool valid_ = true;
};

class Md5Fold {
  public:
    void Add(char c) {
        if (count_ == 32) return;
        const int digit = HexDigit(c);
        if (digit < 0)
            valid_ = false;
        else
            digest_.bytes[count_ / 2] |= static_cast<std::uint8_t>(count_ % 2 ? digit : digit << 4);
        ++count_;
    }
    [[nodiscard]] std::optional<Md5Digest> Result() const {
        if (!valid_) return std::nullopt;
        return digest_;
    }

  private:
    Md5Digest digest_{};
    int count_ = 0;
    bool valid_ = true;
};

// One comma-separated field of a line, folded as every kind of value field at once, since
// which field it is becomes known only at the end of the line. The size is the raw text; the
// quoted fields are the text without its first and last character, so each character is
// held back one step until it is known not to be the last.
class FieldScan {
  public:
    FieldScan() = default;
    FieldScan(std::uint64_t start, char before) : start_(start), before_(before) {}

    void Add(char c) {
        size_.Add(c);
        if (length_ >= 2) {
            hex_.Add(held_);
            md5_.Add(held_);
        }
        held_ = c;
        ++length_;
    }
    [[nodiscard]] std::uint64_t start() const { return start_; }
    [[nodiscard]] char before() const { return before_; }
    [[nodiscard]] std::optional<std::int64_t> Size() const { return size_.Result(); }
    [[nodiscard]] std::optional<std::uint32_t> Hex(int bits) const { return hex_.Result(bits); }
    [[nodiscard]] std::optional<Md5Digest> Md5() const { return md5_.Result(); }

  private:
    std::uint64_t start_ = 0;  // offset of the field's first character in the line
    char before_ = 0;          // the character before the comma that opens the field
    std::uint64_t length_ = 0;
    char held_ = 0;
    SizeFold size_;
    HexFold hex_;
    Md5Fold md5_;
};

// A whole line as it streams past. The five value fields never hold a comma, so they are the
// last five fields; everything before the size's comma is the path, whatever commas it holds.
class LineScan {
  public:
    [[nodiscard]] bool empty() const { return length_ == 0; }
    void Add(char c) {
        if (head_.size() <= kMaxPathLength) head_ += c;
        if (c == ',') {
            ++commas_;
            Field(commas_) = FieldScan(length_ + 1, previous_);
        } else {
            Field(commas_).Add(c);
        }
        previous_ = c;
        ++length_;
    }

    [[nodiscard]] bool Finish(FileEntry& row) const;

    void Reset() {
        head_.clear();
        previous_ = 0;
        length_ = 0;
        commas_ = 0;
        Field(0) = FieldScan();
    }

  private:
    FieldScan& Field(std::uint64_t k) { return fields_[k % fields_.size()]; }
    [[nodiscard]] const FieldScan& Field(std::uint64_t k) const {
        return fields_[k % fields_.size()];
    }
    [[nodiscard]] std::string_view Path() const;
    [[nodiscard]] bool PathQuoted() const;

    std::string head_;  // the opening quote and the most of the path that is ever stored
    char previous_ = 0;
    std::uint64_t length_ = 0;
    std::uint64_t commas_ = 0;
    std::array<FieldScan, 5> fields_{};
};

// What stands between the opening quote and the closing quote before the size's comma.
std::string_view LineScan::Path() const {
    const std::uint64_t comma = Field(commas_ - 4).start() - 1;
    if (comma < 2) return {};
    return std::string_view(head_).substr(1, std::min<std::uint64_t>(comma - 2, kMaxPathLength));
}

bool LineScan::PathQuoted() const {
    const FieldScan& size = Field(commas_ - 4);
    return size.start() >= 3 && head_[0] == '"' && size.before() == '"';
}

// Five commas read as they always have. More are taken as part of the path only when the path
// stands in quotes as the export writes it; a size written as 1,234 then still fails instead
// of passing with a path that ends in the size's first digits.
bool LineScan::Finish(FileEntry& row) const {
    if (length_ == 0 || commas_ < 5) return false;
    if (commas_ > 5 && !PathQuoted()) return false;
    const auto size = Field(commas_ - 4).Size();
    const auto crc16 = Field(commas_ - 3).Hex(16);
    const auto crc32 = Field(commas_ - 2).Hex(32);
    const auto xsum = Field(commas_ - 1).Hex(16);
    const auto md5 = Field(commas_).Md5();
    if (!size || !crc16 || !crc32 || !xsum || !md5) return false;
    if (Field(commas_ - 4).start() > kMaxPathLength + 3) return false;
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

// A row of another tool's checksum file: its name against the list's folder, and the one value
// it gives.
ListLineKind ChecksumRow(const ChecksumLine& line, const ListRules& rules, FileEntry& row) {
    const bool absolute = line.name[0] == '/';
    const std::string path = absolute ? line.name : rules.folder + line.name;
    if (path.find('\0') != std::string::npos) return ListLineKind::Skipped;
    FileEntry read;
    read.path.assign(path);
    if (line.kind == ChecksumLineKind::Md5) {
        read.md5 = line.md5;
        read.held = kHeldMd5;
    } else {
        read.crc32 = line.crc32;
        read.held = kHeldCrc32;
    }
    row = read;
    return ListLineKind::Row;
}

// The shapes are tried from the strictest: md5sum and tag lines start in ways no list line
// of the comma-separated layout does; an SFV line is only the name and a word of hex.
ListLineKind ReadLine(const LineScan& csv, std::optional<std::string_view> text,
                      const ListRules& rules, FileEntry& row) {
    if (text) {
        const ChecksumLine digest = ReadDigestLine(*text);
        if (digest.kind == ChecksumLineKind::OtherDigest) return ListLineKind::OtherDigest;
        if (digest.kind == ChecksumLineKind::Md5) return ChecksumRow(digest, rules, row);
    }
    if (csv.Finish(row)) {
        row.held = kHeldAll;
        return ListLineKind::Row;
    }
    if (!text) return ListLineKind::Skipped;
    const ChecksumLine sfv = ReadSfvLine(*text);
    if (sfv.kind != ChecksumLineKind::Crc32) return ListLineKind::Skipped;
    if (!rules.crc32Common) return ListLineKind::SfvRefused;
    return ChecksumRow(sfv, rules, row);
}

void Count(ImportCounts& counts, ListLineKind kind) {
    if (kind == ListLineKind::Row) ++counts.usable;
    if (kind == ListLineKind::OtherDigest) ++counts.otherDigests;
    if (kind == ListLineKind::SfvRefused) ++counts.sfvRefused;
}

// Cuts the file's bytes into lines: a line's text ends at its first CR or LF, the next line
// starts after the next LF, and Ctrl-Z ends the file where a line would start. Inside a line's
// text it is one of the line's bytes: a file name may hold it, and ending the file there would
// lose every row after that one without a word.
class ListReader {
  public:
    ListReader(ListContext& ctx, ListRules rules) : ctx_(ctx), rules_(std::move(rules)) {}
    [[nodiscard]] const ImportCounts& counts() const { return counts_; }

    void Feed(std::string_view bytes) {
        for (const char c : bytes) {
            if (state_ == State::Ended) return;
            if (c == kCtrlZ && (state_ == State::SkipToLineFeed || scan_.empty())) {
                EndOfFile();
            } else if (state_ == State::SkipToLineFeed) {
                if (c == '\n') state_ = State::Text;
            } else if (c == '\r' || c == '\n') {
                EndLine();
                state_ = c == '\n' ? State::Text : State::SkipToLineFeed;
            } else {
                scan_.Add(c);
                if (text_.size() < kMaxChecksumLine)
                    text_ += c;
                else
                    overlong_ = true;
            }
        }
    }
    void EndOfFile() {
        if (state_ == State::Text) EndLine();
        state_ = State::Ended;
    }
    [[nodiscard]] bool ended() const { return state_ == State::Ended; }

  private:
    enum class State { Text, SkipToLineFeed, Ended };

    void EndLine() {
        FileEntry row;
        const auto text = overlong_ ? std::nullopt : std::optional<std::string_view>(text_);
        const ListLineKind kind =
            scan_.empty() ? ListLineKind::Skipped : ReadLine(scan_, text, rules_, row);
        Count(counts_, kind);
        if (kind == ListLineKind::Row) {
            row.status = EntryStatus::RECHECK;
            row.band = EntryBand::IMPORTED;
            // A full table refuses the row silently, as every append does.
            (void)AppendRow(ctx_, row);
        }
        scan_.Reset();
        text_.clear();
        overlong_ = false;
    }

    ListContext& ctx_;
    ListRules rules_;
    ImportCounts counts_;
    LineScan scan_;
    std::string text_;  // the line, for the checksum shapes, unless it is overlong
    bool overlong_ = false;
    State state_ = State::Text;
};

template <typename Fold>
Fold FoldText(std::string_view text) {
    Fold fold;
    for (const char c : text) fold.Add(c);
    return fold;
}

}  // namespace

std::optional<std::int64_t> ReadSizeText(std::string_view text) {
    return FoldText<SizeFold>(text).Result();
}

std::optional<std::uint32_t> ReadHexText(std::string_view text, int bits) {
    return FoldText<HexFold>(text).Result(bits);
}

std::optional<Md5Digest> ReadMd5Text(std::string_view text) {
    return FoldText<Md5Fold>(text).Result();
}

bool ReadListLine(std::string_view line, FileEntry& row) {
    return FoldText<LineScan>(line).Finish(row);
}

ListRules RulesFor(const ListContext& ctx, std::string_view listPath) {
    const std::size_t slash = listPath.rfind('/');
    ListRules rules;
    if (slash != listPath.npos) rules.folder = listPath.substr(0, slash + 1);
    rules.crc32Common = ctx.state.Crc32Variant == 1;
    return rules;
}

ListLineKind ReadAnyListLine(std::string_view line, const ListRules& rules, FileEntry& row) {
    if (line.empty()) return ListLineKind::Skipped;
    const auto text = line.size() > kMaxChecksumLine ? std::nullopt : std::optional(line);
    return ReadLine(FoldText<LineScan>(line), text, rules, row);
}

std::optional<std::string> ImportNotice(const ImportCounts& counts, std::string_view listPath) {
    std::string notice;
    const auto add = [&](const std::string& part) {
        notice += (notice.empty() ? "" : "; ") + part;
    };
    if (counts.usable == 0) add(std::string(listPath) + " holds no usable line");
    if (counts.otherDigests > 0)
        add(Counted(counts.otherDigests, "line") + " of digests other than MD5 skipped");
    if (counts.sfvRefused > 0)
        add("SFV holds the CRC-32 of -crc32b, so " + Counted(counts.sfvRefused, "line") +
            " could not be checked under -crc32a");
    if (notice.empty()) return std::nullopt;
    return notice;
}

std::optional<std::string> ImportFileList(ListContext& ctx, const std::string& path,
                                          ImportCounts* counts) {
    platform::FileSystem& fs = *ctx.fs;
    const int fd = fs.OpenForReading(path);
    if (fd < 0) return platform::IoErrorText(-fd);
    ListReader reader(ctx, RulesFor(ctx, path));
    std::vector<char> buffer(kReadChunk);
    std::optional<std::string> error;
    while (!reader.ended()) {
        const std::int64_t n = fs.Read(fd, buffer.data(), buffer.size());
        if (n < 0) {
            // The line being read is incomplete and is dropped with the rest of the file.
            error = platform::IoErrorText(static_cast<int>(-n));
            break;
        }
        if (n == 0)
            reader.EndOfFile();
        else
            reader.Feed({buffer.data(), static_cast<std::size_t>(n)});
    }
    // Every byte is in by now; a close error on a file only read changes nothing.
    (void)fs.Close(fd);
    if (counts) *counts = reader.counts();
    return error;
}

std::optional<std::string> IMPORTfilelist1Click(ListContext& ctx,
                                                const std::optional<std::string>& chosen) {
    if (chosen) {
        ImportCounts counts;
        if (auto error = ImportFileList(ctx, *chosen, &counts)) return error;
        if (const auto notice = ImportNotice(counts, *chosen))
            PostStatusMessage(ctx, *notice, "Bold", "Red", 5);
    }
    ctx.updatefilez();
    return std::nullopt;
}

}  // namespace vellum
