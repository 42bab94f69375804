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

// The values a row holds, as bits of FileEntry::held. A row read from another tool's checksum
// file holds only the value its line gives (md5, or the CRC-32) until its file is calculated.
inline constexpr std::uint8_t kHeldSize = 0x01;
inline constexpr std::uint8_t kHeldCrc16 = 0x02;
inline constexpr std::uint8_t kHeldCrc32 = 0x04;
inline constexpr std::uint8_t kHeldXsum = 0x08;
inline constexpr std::uint8_t kHeldMd5 = 0x10;
inline constexpr std::uint8_t kHeldAll = 0x1F;

struct FileEntry {
    PathText path;
    std::int64_t size = 0;
    std::uint16_t crc16 = 0;
    std::uint32_t crc32 = 0;
    std::uint16_t xsum = 0;
    Md5Digest md5{};
    EntryStatus status = EntryStatus::EMPTY;
    EntryBand band = EntryBand::OLD;
    std::uint8_t held = kHeldAll;  // fits in the row's padding
};

// Which of the five values of a and b are equal, as bits of FileEntry::held: the one place that
// says what the five values are and when two of them are equal.
[[nodiscard]] inline std::uint8_t EqualValues(const FileEntry& a, const FileEntry& b) {
    const auto bit = [](std::uint8_t value, bool equal) { return equal ? value : std::uint8_t{0}; };
    return static_cast<std::uint8_t>(
        bit(kHeldSize, a.size == b.size) | bit(kHeldCrc16, a.crc16 == b.crc16) |
        bit(kHeldCrc32, a.crc32 == b.crc32) | bit(kHeldXsum, a.xsum == b.xsum) |
        bit(kHeldMd5, DigestsEqual(a.md5, b.md5)));
}

// Identical contents, as the commands that pair neighbours see them: all five values equal.
[[nodiscard]] inline bool FiveValuesEqual(const FileEntry& a, const FileEntry& b) {
    return EqualValues(a, b) == kHeldAll;
}

// The verification of imported values: every value that stored holds equals the one calculated
// (a row from another tool's list holds only some of them).
[[nodiscard]] inline bool HeldValuesEqual(const FileEntry& stored, const FileEntry& calculated) {
    return (EqualValues(stored, calculated) & stored.held) == stored.held;
}

// The statuses whose values were calculated from the file by a pass that read it to its end.
[[nodiscard]] constexpr bool ValuesCalculated(EntryStatus s) {
    return s == EntryStatus::OKAY || s == EntryStatus::FLAGGED || s == EntryStatus::MARKER ||
           s == EntryStatus::DELETED;
}

// The statuses whose values are on show: calculated ones, and a RECHECK row's values (an earlier
// calculation's, or those of an imported list) until the pass calculates the file again.
[[nodiscard]] constexpr bool ValuesShown(EntryStatus s) {
    return s == EntryStatus::RECHECK || ValuesCalculated(s);
}

// The statuses that the list pass takes up.
[[nodiscard]] constexpr bool AwaitsCalculation(EntryStatus s) {
    return s == EntryStatus::WAITING || s == EntryStatus::RECHECK || s == EntryStatus::CALCING;
}

}  // namespace vellum
