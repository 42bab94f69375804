// A line of Vellum's own comma-separated list, read as it streams past. Every field reader is a
// fold over the field's characters, and the line keeps only the first bytes of the path and
// the folds of its last five fields, so a line of any length costs the same small memory.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "filelist/file_entry.h"

namespace vellum {

// The value of a hexadecimal digit of either case, or -1. Only ASCII letters count: bytes
// from 128 up are never digits, whatever the code page.
[[nodiscard]] constexpr int HexDigit(char c) {
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

// A whole line as it streams past, without its line end. The five value fields never hold a
// comma, so they are the last five fields; everything before the size's comma is the path,
// whatever commas it holds.
class CsvLineScan {
  public:
    [[nodiscard]] bool empty() const { return length_ == 0; }
    void Add(char c) {
        if (head_.size() <= kMaxPathBytes) head_ += c;
        if (c == ',') {
            ++commas_;
            Field(commas_) = FieldScan(length_ + 1, previous_);
        } else {
            Field(commas_).Add(c);
        }
        previous_ = c;
        ++length_;
    }

    // The row the line gives (path, size and the four values; held is left alone), or false
    // with row untouched.
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

// A fold fed text a character at a time, as the list reader feeds it a field or line.
template <typename Fold>
[[nodiscard]] Fold FoldText(std::string_view text) {
    Fold fold;
    for (const char c : text) fold.Add(c);
    return fold;
}

}  // namespace vellum
