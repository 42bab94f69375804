// One copy made a link to the file kept in its stead, through the file layer's calls: the
// kernel's range dedupe of the whole copy onto the kept file, or a hard link to the kept file
// made under a temporary name beside the copy and renamed over it. Either leaves the copy's
// path as it was unless the whole step succeeded.
#pragma once

#include <cstdint>
#include <string>

namespace vellum {

namespace platform {
class FileSystem;
}

enum class CopyReplaced : std::uint8_t {
    Yes,
    CannotShare,  // its file system does not share blocks; nothing was shared
    No,           // it differs from the kept file now, or a call failed
};

struct CopyOutcome {
    CopyReplaced replaced = CopyReplaced::No;
    std::int64_t freed = 0;  // bytes no longer held twice (some even when not all were)
};

// Shares the copy's blocks with the kept file's in chunks the file systems take, where the
// bytes are the same (the kernel compares them); a copy whose size is not the kept file's is
// not touched. Frees the bytes shared.
[[nodiscard]] CopyOutcome DedupeOnto(platform::FileSystem& fs, const std::string& kept,
                                     const std::string& copy);

// Compares the two files in full, then puts a hard link to the kept file in the copy's place.
// Frees the copy's size when its path was the last name of its data.
[[nodiscard]] CopyOutcome HardLinkOver(platform::FileSystem& fs, const std::string& kept,
                                       const std::string& copy);

// Whether the two files hold the same bytes now; false when either cannot be read.
[[nodiscard]] bool SameBytesNow(platform::FileSystem& fs, const std::string& a,
                                const std::string& b);

}  // namespace vellum
