// One listed file: its path, size, the four values calculated from its contents, and where it
// stands (status) and how recent its values are (band).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "checksum/digests.h"
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

// The longest path the system opens, in bytes (PATH_MAX less its closing NUL).
inline constexpr std::size_t kMaxPathBytes = 4095;

// A path of any length. The paths of nearly every file, up to kInlinePathBytes, stay inside the
// row, so that rows move as records and a million of them cost no allocation; a longer one
// lives on the heap and the row keeps only its address.
class PathText {
  public:
    static constexpr std::size_t kInlinePathBytes = 240;

    PathText() = default;
    explicit PathText(std::string_view text) { assign(text); }
    PathText(const PathText& other) { assign(other.view()); }
    PathText(PathText&& other) noexcept { Take(other); }
    PathText& operator=(const PathText& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    PathText& operator=(PathText&& other) noexcept {
        if (this != &other) {
            Release();
            Take(other);
        }
        return *this;
    }
    ~PathText() { Release(); }

    void assign(std::string_view text) {
        char* const old = OnHeap() ? heap_ : nullptr;  // freed last: text may be a view of it
        if (text.size() > kInlinePathBytes) {
            char* heap = new char[text.size()];
            std::memcpy(heap, text.data(), text.size());
            heap_ = heap;
        } else if (!text.empty()) {  // an empty view may have no data, and memmove wants some
            std::memmove(inline_, text.data(), text.size());
        }
        length_ = static_cast<std::uint32_t>(text.size());
        delete[] old;
    }
    void clear() {
        Release();
        length_ = 0;
    }

    [[nodiscard]] std::string_view view() const { return {OnHeap() ? heap_ : inline_, length_}; }
    [[nodiscard]] bool empty() const { return length_ == 0; }
    [[nodiscard]] std::size_t size() const { return length_; }
    friend bool operator==(const PathText& a, const PathText& b) { return a.view() == b.view(); }

  private:
    [[nodiscard]] bool OnHeap() const { return length_ > kInlinePathBytes; }
    void Release() {
        if (OnHeap()) delete[] heap_;
        length_ = 0;
    }
    void Take(PathText& other) {
        length_ = other.length_;
        if (OnHeap())
            heap_ = other.heap_;
        else
            std::memcpy(inline_, other.inline_, length_);
        other.length_ = 0;
    }

    union {
        char inline_[kInlinePathBytes] = {};
        char* heap_;
    };
    std::uint32_t length_ = 0;
};

// The further digests a row holds (SHA-1, SHA-2, BLAKE2b). Most rows hold none, so they live
// outside the fixed row, in one block that holds only the digests the row has.
class HeldDigests {
  public:
    HeldDigests() = default;
    HeldDigests(const HeldDigests& other) { CopyFrom(other); }
    HeldDigests(HeldDigests&&) noexcept = default;
    HeldDigests& operator=(const HeldDigests& other) {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    HeldDigests& operator=(HeldDigests&&) noexcept = default;
    ~HeldDigests() = default;

    [[nodiscard]] DigestMask mask() const { return block_ ? block_[0] : DigestMask{0}; }
    [[nodiscard]] bool holds(DigestKind kind) const { return (mask() & MaskOf(kind)) != 0; }
    // The digests held stand for one digest of a list whose kind its length leaves open
    // (128 digits: SHA-512 or BLAKE2b-512): a match of any of them verifies the file.
    [[nodiscard]] bool alternatives() const { return block_ && block_[1] != 0; }
    // The digest of kind, or an empty value when it is not held.
    [[nodiscard]] DigestValue get(DigestKind kind) const;

    void set(DigestKind kind, const DigestValue& value);
    void setAlternatives(bool on);
    void clear() { block_.reset(); }

  private:
    [[nodiscard]] static std::size_t OffsetOf(DigestMask mask, DigestKind kind);
    [[nodiscard]] static std::size_t BlockSize(DigestMask mask);
    void CopyFrom(const HeldDigests& other);

    std::unique_ptr<std::uint8_t[]> block_;  // mask, alternatives, then each digest in kind order
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
    HeldDigests digests;           // none unless a list shows or gave them
};

// What a pass calculates of a file: which of the four values (bits as FileEntry::held; the size
// comes with every read) and which further digests.
struct ValueSet {
    std::uint8_t values = kHeldAll;
    DigestMask digests = 0;
    friend bool operator==(const ValueSet&, const ValueSet&) = default;
};
inline constexpr ValueSet kFourValues{};

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

// Both rows hold every digest of mask, and they are equal.
[[nodiscard]] bool DigestsAgree(const FileEntry& a, const FileEntry& b, DigestMask mask);

// Identical contents with further digests shown: the five values and every shown digest equal.
[[nodiscard]] inline bool IdenticalValues(const FileEntry& a, const FileEntry& b,
                                          DigestMask shown) {
    return FiveValuesEqual(a, b) && DigestsAgree(a, b, shown);
}

// The verification of imported values: every value that stored holds equals the one calculated
// (a row from another tool's list holds only some of them); of digests held as alternatives,
// one equal is enough.
[[nodiscard]] bool HeldValuesEqual(const FileEntry& stored, const FileEntry& calculated);

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
