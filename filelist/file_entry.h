// One listed file: its path, size, the four values calculated from its contents, and where it
// stands (status) and how recent its values are (band).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "checksum/md5.h"

namespace vellum {

enum class EntryStatus : std::uint8_t {
    EMPTY = 0,
    WAITING = 1,
    RECHECK = 2,
    CALCING = 3,
    OKAY = 4,
    FLAGGED = 5,
    INVALID = 6,
    DELETED = 7,
    MARKER = 8,
};

enum class EntryBand : std::uint8_t {
    OLD = 0,
    NEW = 1,
    IMPORTED = 2,
    CHANGED = 3,
    UNCHANGED = 4,
};

// Every stored path is cut to this many bytes.
inline constexpr std::size_t kMaxPathLength = 250;

// A path of at most kMaxPathLength bytes kept inside the row, so that rows move as plain
// records and a million of them cost no allocation.
class PathText {
public:
    PathText() = default;
    explicit PathText(std::string_view text) { assign(text); }

    // Stores the first kMaxPathLength bytes of text.
    void assign(std::string_view text) {
        length_ = static_cast<std::uint8_t>(std::min(text.size(), kMaxPathLength));
        // An empty view may have no data at all, and memcpy must never be handed a null.
        if (length_ > 0) std::memcpy(bytes_, text.data(), length_);
    }
    void clear() { length_ = 0; }

    [[nodiscard]] std::string_view view() const { return {bytes_, length_}; }
    [[nodiscard]] bool empty() const { return length_ == 0; }
    [[nodiscard]] std::size_t size() const { return length_; }
    friend bool operator==(const PathText& a, const PathText& b) { return a.view() == b.view(); }

private:
    std::uint8_t length_ = 0;
    char bytes_[kMaxPathLength] = {};
};

struct FileEntry {
    PathText path;
    std::int64_t size = 0;
    std::uint16_t crc16 = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t xsum = 0;
    Md5Digest md5{};
    EntryStatus status = EntryStatus::EMPTY;
    EntryBand band = EntryBand::OLD;
};

// The statuses whose four values were calculated from the file and are on show.
[[nodiscard]] constexpr bool ValuesShown(EntryStatus s) {
    return s == EntryStatus::RECHECK || s == EntryStatus::OKAY || s == EntryStatus::FLAGGED ||
           s == EntryStatus::DELETED || s == EntryStatus::MARKER;
}

// The statuses that the list pass takes up.
[[nodiscard]] constexpr bool AwaitsCalculation(EntryStatus s) {
    return s == EntryStatus::WAITING || s == EntryStatus::RECHECK || s == EntryStatus::CALCING;
}

}  // namespace vellum
