// What the calls that make one file of two identical ones answer: the kernel's range dedupe,
// which lets two files share their blocks while each keeps its own name, permissions and times,
// and the hard link made under a temporary name beside a copy and renamed over it. The calls
// themselves are FileSystem's (files.h, made in links.cpp), so that a fake can refuse them.
#pragma once

#include <cstdint>
#include <string>

namespace vellum::platform {

// Some file systems refuse a dedupe call longer than this, others quietly cut it to this.
inline constexpr std::int64_t kDedupeChunk = std::int64_t{16} << 20;

// What one dedupe call did.
struct DedupeAnswer {
    int error = 0;            // -errno of the call, 0 when it was taken
    bool differs = false;     // taken, but the bytes of the two ranges are not the same
    std::int64_t shared = 0;  // the bytes now shared, from the start of the range
};

// A name's own entry, a symbolic link not followed.
struct NameInfo {
    bool regular = false;     // a regular file (not a link to one)
    std::uint64_t names = 0;  // how many names its data has
};

// A fresh name made for a file, or the -errno of the attempt.
struct MadeLink {
    std::string name;
    int error = 0;
};

}  // namespace vellum::platform
