// Reading a list file as a stream, line by line, whatever tool wrote it: Vellum's own
// comma-separated list; the lines of md5sum, sha1sum, sha224sum, sha256sum, sha384sum,
// sha512sum and b2sum (text and binary marks, the escaped form, leading blanks, a tab after the
// digest); BSD tag lines of each ("SHA256 (name) = digest"); and SFV. Lines are recognised one
// by one, so one list may mix them. Memory stays bounded whatever the length of the lines or
// of the list.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "checksum/digests.h"
#include "filelist/file_entry.h"
#include "platform/files.h"

namespace vellum {

// How the lines of one list are read.
struct ListRules {
    // Relative names are taken against it: "" or a folder ending in '/'.
    std::string folder;
    // The CRC-32 in force is SFV's (that of -crc32b), so SFV lines can be checked.
    bool crc32Common = true;
    // What an untagged digest of 128 hexadecimal digits is: SHA-512 or BLAKE2b-512 where the
    // list's name says (SHA512SUMS, *.sha512, *.sha512sum; B2SUMS, *.b2, *.blake2b, in any
    // case), else both, held as alternatives.
    DigestMask untagged128 = MaskOf(DigestKind::Sha512) | MaskOf(DigestKind::Blake2b);
    // The list is SFV by its name (*.sfv). SFV's "name CRC32" is read only in an SFV list:
    // a checksum line with a typo in its digest, or another tool's line that this reader does
    // not know, would often read as one and name a file that is not in the list. A list whose
    // first line that is not blank is a ';' comment, as SFV writers open their files, is an
    // SFV list too, whatever its name.
    bool sfvList = false;
};

// The rules for the list at listPath (its folder and its name) under the CRC-32 variant in
// force. "-" (standard input) has no folder: its names stay as they are.
[[nodiscard]] ListRules RulesFor(std::string_view listPath, std::uint8_t crc32Variant);

enum class ListLineKind : std::uint8_t {
    Row,         // row holds the path and the values the line gives
    Ignored,     // a blank line, or a comment: not counted
    Unreadable,  // none of the shapes, or a shape whose digest or name is not sound: counted
    SfvRefused,  // an SFV line under -crc32a: its CRC-32 cannot be checked
};

struct ListLine {
    ListLineKind kind = ListLineKind::Unreadable;
    std::int64_t number = 0;  // 1 for the list's first line
    // For Row: the path (joined to the list's folder when relative), size and the values the
    // line gives as held bits, and its digests (alternatives for an open 128-digit one).
    FileEntry row;
};

// Reads a list from an open file (or a pipe) in chunks; the caller keeps and closes fd.
//
// A line ends at LF, and a CR right before it (or at the end of the list) is dropped; a UTF-8
// byte-order mark at the start of the list is skipped. The shapes are tried from the
// strictest: another tool's sums or tag line, Vellum's own comma-separated line, a comment
// ('#' or ';' first), then SFV in an SFV list. Blank lines and comments are Ignored.
//
// The comma-separated layout keeps its own older rules: its text ends at the line's first
// CR, and while every usable line so far is comma-separated, a Ctrl-Z where a line starts or
// after such a CR ends the list. In the other shapes CR and Ctrl-Z are bytes of the name.
class ListLineReader {
  public:
    ListLineReader(platform::FileSystem& fs, int fd, ListRules rules);
    ~ListLineReader();
    ListLineReader(const ListLineReader&) = delete;
    ListLineReader& operator=(const ListLineReader&) = delete;

    // The next line of every kind; false at the end of the list, or at a read error (then
    // error() tells it, and the line being read when it came is dropped).
    [[nodiscard]] bool Next(ListLine& line);
    [[nodiscard]] const std::optional<std::string>& error() const;
    // How many lines were handed out so far.
    [[nodiscard]] std::int64_t linesRead() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// What the lines of one list gave. 64-bit: a list is outside input and may hold more lines than
// an int counts.
struct ImportCounts {
    std::int64_t usable = 0;
    std::int64_t unreadable = 0;
    std::int64_t firstUnreadable = 0;  // the first unreadable line's number, 0 when none
    std::int64_t sfvRefused = 0;
    DigestMask digests = 0;  // the further digests the usable lines hold
    void Count(const ListLine& line);
};

}  // namespace vellum
