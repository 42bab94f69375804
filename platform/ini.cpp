#include "platform/ini.h"

#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

namespace vellum::platform {

namespace {

constexpr mode_t kNewFileMode = 0644;

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A line with its terminator, so that untouched lines go back out byte for byte.
struct Line {
    std::string_view full;
    [[nodiscard]] std::string_view Body() const {
        std::string_view body = full;
        while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.remove_suffix(1);
        return body;
    }
    [[nodiscard]] bool Terminated() const { return !full.empty() && full.back() == '\n'; }
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back({text.substr(0, length)});
        text.remove_prefix(length);
    }
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view body) {
    body = Trim(body);
    if (body.empty() || body.front() != '[') return std::nullopt;
    body.remove_prefix(1);
    return Trim(body.substr(0, body.find(']')));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> KeyEntry(std::string_view body) {
    body = Trim(body);
    if (body.empty() || body.front() == ';' || body.front() == '[') return std::nullopt;
    const auto equals = body.find('=');
    if (equals == std::string_view::npos) return Entry{Trim(body), {}};
    return Entry{Trim(body.substr(0, equals)), Trim(body.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The rows of one section: from its header line (exclusive) to the next header or the end.
struct SectionSpan {
    std::size_t first = 0;
    std::size_t end = 0;
};

std::optional<SectionSpan> FindSection(const std::vector<Line>& lines, std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i].Body());
        if (!name || !EqualsNoCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end].Body())) ++end;
        return SectionSpan{i + 1, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines, SectionSpan span,
                                   std::string_view key) {
    for (std::size_t i = span.first; i < span.end; ++i) {
        const auto entry = KeyEntry(lines[i].Body());
        if (entry && EqualsNoCase(entry->key, key)) return i;
    }
    return std::nullopt;
}

// New lines follow the file's own convention; a new file gets the Linux one.
std::string_view LineEnding(std::string_view text) {
    const auto lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

std::string Join(const std::vector<Line>& lines, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) out += lines[i].full;
    return out;
}

// Where a new key goes: after the section's last non-blank line, before any blank separator.
std::size_t InsertionRow(const std::vector<Line>& lines, SectionSpan span) {
    std::size_t row = span.end;
    while (row > span.first && Trim(lines[row - 1].Body()).empty()) --row;
    return row;
}

// A section at the end of the file, a blank line before it when others come first.
std::string WithNewSection(std::string_view text, const std::string& header,
                           const std::string& entry) {
    const std::string eol(LineEnding(text));
    std::string out(text);
    if (!out.empty() && out.back() != '\n') out += eol;
    if (!out.empty()) out += eol;
    return out + header + eol + entry + eol;
}

// The key keeps its spelling and the line its ending; only the value changes.
std::string WithKeyReplaced(const std::vector<Line>& lines, std::size_t row,
                            std::string_view value) {
    const Line& old = lines[row];
    const std::string_view ending = old.full.substr(old.Body().size());
    return Join(lines, 0, row) + std::string(KeyEntry(old.Body())->key) + "=" + std::string(value) +
           std::string(ending) + Join(lines, row + 1, lines.size());
}

std::string WithKeyAdded(const std::vector<Line>& lines, std::size_t row, const std::string& entry,
                         std::string_view eol) {
    std::string out = Join(lines, 0, row);
    if (!lines[row - 1].Terminated()) out += eol;
    return out + entry + std::string(eol) + Join(lines, row, lines.size());
}

enum class LoadState { kMissing, kLoaded, kUnusable };

struct LoadedFile {
    LoadState state = LoadState::kUnusable;
    std::string text;
    mode_t mode = kNewFileMode;
    int error = 0;  // why it is unusable, as an errno value
};

// 0, or why not as an errno value.
int ReadAllBounded(int fd, std::string& text) {
    char block[8192];
    for (;;) {
        const ssize_t got = read(fd, block, sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        text.append(block, static_cast<std::size_t>(got));
        if (text.size() > kMaxIniBytes) return EFBIG;
    }
}

// Whether a file of this kind and size is one to read: 0, or why not as an errno value.
int Readable(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    return static_cast<std::size_t>(info.st_size) <= kMaxIniBytes ? 0 : EFBIG;
}

// O_NONBLOCK and the regular-file check keep a FIFO or a device at the settings path from
// hanging the start-up.
LoadedFile LoadFile(const std::string& path) {
    LoadedFile loaded;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        loaded.error = errno;
        if (errno == ENOENT || errno == ENOTDIR) loaded.state = LoadState::kMissing;
        return loaded;
    }
    struct stat info {};
    loaded.error = fstat(fd, &info) == 0 ? Readable(info) : errno;
    if (loaded.error == 0) loaded.error = ReadAllBounded(fd, loaded.text);
    if (loaded.error == 0) {
        loaded.state = LoadState::kLoaded;
        loaded.mode = info.st_mode & 07777;
    }
    close(fd);
    return loaded;
}

void SyncFolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // The rename is already done; a folder that cannot be synced only weakens durability.
    (void)fsync(fd);
    close(fd);
}

// Temporary file in the same folder, synced, then renamed over the old one: readers see the
// old file or the new one, never a mixture. 0, or the errno value of the step that failed.
int ReplaceFile(const std::string& path, std::string_view text, mode_t mode) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    int error = -WriteAllTo(fd, text);
    if (error == 0 && (fchmod(fd, mode) != 0 || fsync(fd) != 0)) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return error;
    }
    SyncFolderOf(path);
    return 0;
}

bool BreaksLines(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

}  // namespace

std::string IniLookup(std::string_view text, std::string_view section, std::string_view key) {
    const auto lines = SplitLines(text);
    const auto span = FindSection(lines, section);
    if (!span) return {};
    const auto row = FindKey(lines, *span, key);
    if (!row) return {};
    return std::string(Unquote(KeyEntry(lines[*row].Body())->value));
}

std::string IniReplace(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value) {
    const auto lines = SplitLines(text);
    const std::string entry = std::string(key) + "=" + std::string(value);
    const auto span = FindSection(lines, section);
    if (!span) return WithNewSection(text, "[" + std::string(section) + "]", entry);
    if (const auto row = FindKey(lines, *span, key)) return WithKeyReplaced(lines, *row, value);
    return WithKeyAdded(lines, InsertionRow(lines, *span), entry, LineEnding(text));
}

std::string IniRead(const std::string& path, std::string_view section, std::string_view key) {
    const LoadedFile loaded = LoadFile(path);
    if (loaded.state != LoadState::kLoaded) return {};
    return IniLookup(loaded.text, section, key);
}

int IniStore(const std::string& path, std::string_view section, std::string_view key,
             std::string_view value) {
    if (key.empty() || BreaksLines(section) || BreaksLines(key) || BreaksLines(value))
        return EINVAL;
    if (section.find(']') != section.npos || key.find('=') != key.npos) return EINVAL;
    const LoadedFile loaded = LoadFile(path);
    // A file we could not read whole is left alone rather than replaced by a part of it. The
    // rename would also get past a read-only file, so its permission is asked for here.
    if (loaded.state == LoadState::kUnusable) return loaded.error;
    if (loaded.state == LoadState::kLoaded && access(path.c_str(), W_OK) != 0) return errno;
    return ReplaceFile(path, IniReplace(loaded.text, section, key, value), loaded.mode);
}

bool IniWrite(const std::string& path, std::string_view section, std::string_view key,
              std::string_view value) {
    return IniStore(path, section, key, value) == 0;
}

}  // namespace vellum::platform
