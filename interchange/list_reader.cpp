#include "interchange/list_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "interchange/checksum_lines.h"
#include "interchange/csv_line.h"
#include "platform/error_text.h"

namespace vellum {
namespace {

constexpr char kCtrlZ = '\x1A';
constexpr std::size_t kReadChunk = 64 * 1024;
// Room for the longest name the system opens with every byte escaped, and the rest of a tag
// line. A longer line is no checksum line, and it is not kept: it is read through as a
// comma-separated line (whose scan needs no copy) or counted as unreadable.
constexpr std::size_t kMaxChecksumLine = 3 * kMaxPathBytes + 200;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// tail is given in lower case.
bool EndsWithNoCase(std::string_view text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(),
                      text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b + 32 : b); });
}

// sha512sum and b2sum name their lists so; any other list's 128 digits may be either.
DigestMask Untagged128Of(std::string_view name) {
    const auto named = [&](std::string_view whole, std::initializer_list<std::string_view> tails) {
        if (name.size() == whole.size() && EndsWithNoCase(name, whole)) return true;
        return std::any_of(tails.begin(), tails.end(),
                           [&](std::string_view tail) { return EndsWithNoCase(name, tail); });
    };
    if (named("sha512sums", {".sha512", ".sha512sum"})) return MaskOf(DigestKind::Sha512);
    if (named("b2sums", {".b2", ".blake2b"})) return MaskOf(DigestKind::Blake2b);
    return MaskOf(DigestKind::Sha512) | MaskOf(DigestKind::Blake2b);
}

// One line as its bytes arrive, in runs without a line feed. The copy for the checksum shapes
// is kept up to kMaxChecksumLine. The comma-separated text, which ends at the line's first CR,
// is scanned from that copy once the line is whole (most lines never need it), or as it
// streams past once the line has outgrown the copy.
class LineBytes {
  public:
    [[nodiscard]] bool started() const { return length_ > 0; }
    void Append(std::string_view run) {
        if (run.empty()) return;
        if (length_ == 0) first_ = run[0];
        CountNonBlanks(run);
        const std::uint64_t csvBefore = csvLength_;
        const std::string_view csvRun = CsvPart(run);
        if (!overlong_ && text_.size() + run.size() <= kMaxChecksumLine) {
            text_.append(run);
        } else {
            if (!overlong_) Scan(std::string_view(text_).substr(0, csvBefore));
            overlong_ = true;
            Scan(csvRun);
        }
        length_ += run.size();
        last_ = run.back();
    }
    // The line is whole: a CR that ends it is no byte of it.
    void Finish() {
        if (last_ == '\r' && !overlong_) text_.pop_back();
    }
    void Reset() {
        csv_.Reset();
        text_.clear();
        length_ = csvLength_ = 0;
        nonBlanks_ = 0;
        first_ = last_ = 0;
        csvCut_ = ctrlZAfterCut_ = overlong_ = false;
    }

    // The whole line for the checksum shapes, or nothing when it was too long to keep.
    [[nodiscard]] std::optional<std::string_view> text() const {
        if (overlong_) return std::nullopt;
        return text_;
    }
    [[nodiscard]] bool ReadCsv(FileEntry& row) {
        if (!overlong_) Scan(std::string_view(text_).substr(0, csvLength_));
        return csv_.Finish(row);
    }
    [[nodiscard]] char first() const { return first_; }
    [[nodiscard]] bool blank() const {
        return nonBlanks_ == 0 || (nonBlanks_ == 1 && last_ == '\r');
    }
    [[nodiscard]] bool ctrlZAfterCut() const { return ctrlZAfterCut_; }

  private:
    // Counts up to two: a blank line has none, or only the CR that ends it.
    void CountNonBlanks(std::string_view run) {
        for (std::size_t k = run.find_first_not_of(" \t"); k != run.npos && nonBlanks_ < 2;
             k = run.find_first_not_of(" \t", k + 1))
            ++nonBlanks_;
    }
    // The part of run that is comma-separated text; notes a Ctrl-Z after the first CR.
    std::string_view CsvPart(std::string_view run) {
        const std::size_t cr = csvCut_ ? 0 : std::min(run.find('\r'), run.size());
        csvLength_ += cr;
        if (cr < run.size()) {
            csvCut_ = true;
            if (run.find(kCtrlZ, cr) != run.npos) ctrlZAfterCut_ = true;
        }
        return run.substr(0, cr);
    }
    void Scan(std::string_view csv) {
        for (const char c : csv) csv_.Add(c);
    }

    CsvLineScan csv_;
    std::string text_;
    std::uint64_t length_ = 0;
    std::uint64_t csvLength_ = 0;  // the bytes before the first CR
    int nonBlanks_ = 0;
    char first_ = 0;
    char last_ = 0;
    bool csvCut_ = false;
    bool ctrlZAfterCut_ = false;
    bool overlong_ = false;
};

}  // namespace

ListRules RulesFor(std::string_view listPath, std::uint8_t crc32Variant) {
    ListRules rules;
    const std::size_t slash = listPath.rfind('/');
    const std::size_t nameAt = slash == listPath.npos ? 0 : slash + 1;
    rules.folder = listPath.substr(0, nameAt);
    rules.crc32Common = crc32Variant == 1;
    rules.untagged128 = Untagged128Of(listPath.substr(nameAt));
    rules.sfvList = EndsWithNoCase(listPath.substr(nameAt), ".sfv");
    return rules;
}

struct ListLineReader::State {
    State(platform::FileSystem& files, int descriptor, ListRules listRules)
        : fs(files), fd(descriptor), rules(std::move(listRules)), sfv(rules.sfvList) {}

    [[nodiscard]] bool Next(ListLine& line);
    [[nodiscard]] bool Fill();
    void TakeMark();
    void GiveBackMark();
    [[nodiscard]] bool LastLine(ListLine& line);
    void EndLine(ListLine& line);
    [[nodiscard]] ListLineKind Classify(FileEntry& row);
    [[nodiscard]] bool ReadDigestRow(FileEntry& row);
    [[nodiscard]] ListLineKind ReadSfvRow(FileEntry& row);
    void Name(FileEntry& row, std::string_view name);
    // While every usable line is comma-separated, its old rules of Ctrl-Z hold.
    [[nodiscard]] bool csvRules() const { return !checksumLineSeen; }

    platform::FileSystem& fs;
    int fd;
    ListRules rules;
    std::optional<std::string> error;
    std::vector<char> buffer = std::vector<char>(kReadChunk);
    std::size_t at = 0;
    std::size_t filled = 0;
    std::size_t markMatched = 0;  // bytes of the byte-order mark seen at the list's start
    bool listStart = true;
    bool ended = false;
    bool endAfterLine = false;
    bool firstLineSeen = false;
    bool checksumLineSeen = false;
    bool sfv;
    std::int64_t number = 0;
    LineBytes bytes;
    std::string joined;
};

bool ListLineReader::State::Fill() {
    const std::int64_t n = fs.ReadSome(fd, buffer.data(), buffer.size());
    if (n < 0) error = platform::IoErrorText(static_cast<int>(-n));
    at = 0;
    filled = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n > 0;
}

// The byte-order mark's bytes are held until the mark is whole; a list that only starts like
// one gets them back as bytes of its first line.
void ListLineReader::State::TakeMark() {
    if (buffer[at] == kByteOrderMark[markMatched]) {
        ++at;
        listStart = ++markMatched < kByteOrderMark.size();
    } else {
        GiveBackMark();
    }
}

void ListLineReader::State::GiveBackMark() {
    listStart = false;
    bytes.Append(kByteOrderMark.substr(0, markMatched));
}

bool ListLineReader::State::Next(ListLine& line) {
    while (!ended) {
        if (at == filled && !Fill()) return LastLine(line);
        if (listStart) {
            TakeMark();
            continue;
        }
        if (buffer[at] == kCtrlZ && !bytes.started() && csvRules()) {
            ended = true;
            return false;
        }
        const char* run = buffer.data() + at;
        const auto* lf = static_cast<const char*>(std::memchr(run, '\n', filled - at));
        const std::size_t length = lf ? static_cast<std::size_t>(lf - run) : filled - at;
        bytes.Append({run, length});
        at += length;
        if (lf) {
            ++at;
            EndLine(line);
            ended = endAfterLine;
            return true;
        }
    }
    return false;
}

// The list has ended; a last line without its line feed is a line all the same.
bool ListLineReader::State::LastLine(ListLine& line) {
    ended = true;
    if (error) return false;
    if (listStart) GiveBackMark();
    if (!bytes.started()) return false;
    EndLine(line);
    return true;
}

void ListLineReader::State::EndLine(ListLine& line) {
    bytes.Finish();
    line.row = FileEntry();
    line.number = ++number;
    line.kind = Classify(line.row);
    bytes.Reset();
}

ListLineKind ListLineReader::State::Classify(FileEntry& row) {
    if (bytes.blank()) return ListLineKind::Ignored;
    if (!firstLineSeen) sfv = sfv || bytes.first() == ';';
    firstLineSeen = true;
    if (ReadDigestRow(row)) return ListLineKind::Row;
    if (bytes.ctrlZAfterCut() && csvRules()) endAfterLine = true;
    if (bytes.ReadCsv(row)) {
        row.held = kHeldAll;
        return ListLineKind::Row;
    }
    if (bytes.first() == '#' || bytes.first() == ';') return ListLineKind::Ignored;
    return ReadSfvRow(row);
}

void ListLineReader::State::Name(FileEntry& row, std::string_view name) {
    joined.assign(name.front() == '/' ? std::string_view() : std::string_view(rules.folder));
    joined += name;
    row.path.assign(joined);
}

bool ListLineReader::State::ReadDigestRow(FileEntry& row) {
    const auto text = bytes.text();
    const auto line = text ? ReadDigestLine(*text, rules.untagged128) : std::nullopt;
    if (!line) return false;
    checksumLineSeen = true;
    Name(row, line->name);
    row.held = line->md5 ? kHeldMd5 : 0;
    if (line->md5)
        std::copy_n(line->value.bytes.begin(), row.md5.bytes.size(), row.md5.bytes.begin());
    ForEachKind(line->kinds, [&](DigestKind kind) { row.digests.set(kind, line->value); });
    row.digests.setAlternatives(std::popcount(line->kinds) > 1);
    return true;
}

ListLineKind ListLineReader::State::ReadSfvRow(FileEntry& row) {
    const auto text = bytes.text();
    const auto entry = sfv && text ? ReadSfvLine(*text) : std::nullopt;
    if (!entry) return ListLineKind::Unreadable;
    checksumLineSeen = true;
    if (!rules.crc32Common) return ListLineKind::SfvRefused;
    Name(row, entry->name);
    row.held = kHeldCrc32;
    row.crc32 = entry->crc32;
    return ListLineKind::Row;
}

ListLineReader::ListLineReader(platform::FileSystem& fs, int fd, ListRules rules)
    : state_(std::make_unique<State>(fs, fd, std::move(rules))) {}

ListLineReader::~ListLineReader() = default;

bool ListLineReader::Next(ListLine& line) {
    return state_->Next(line);
}

const std::optional<std::string>& ListLineReader::error() const {
    return state_->error;
}

std::int64_t ListLineReader::linesRead() const {
    return state_->number;
}

void ImportCounts::Count(const ListLine& line) {
    switch (line.kind) {
        case ListLineKind::Row:
            ++usable;
            digests |= line.row.digests.mask();
            break;
        case ListLineKind::Unreadable:
            if (unreadable++ == 0) firstUnreadable = line.number;
            break;
        case ListLineKind::SfvRefused:
            ++sfvRefused;
            break;
        case ListLineKind::Ignored:
            break;
    }
}

}  // namespace vellum
