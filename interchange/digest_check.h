// Checking a file against a digest published for it (a release page's SHA-256, say): the kind
// follows from the digest's length, and the list pass calculates it as it verifies an imported
// row.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "checksum/digests.h"
#include "filelist/file_entry.h"

namespace vellum {

// A digest as a user pastes it: hexadecimal of either case, blanks around it ignored.
struct PublishedDigest {
    bool md5 = false;      // 32 digits
    DigestMask kinds = 0;  // else the further digests of its length (128: SHA-512 or BLAKE2b)
    DigestValue value;
};

// Nothing when the text is no digest of a length Vellum calculates.
[[nodiscard]] std::optional<PublishedDigest> ReadPublishedDigest(std::string_view text);

// Makes row wait for a check against the digest: RECHECK with the IMPORTED band, holding only
// the digest (as alternatives when its length fits more than one kind). The pass that follows
// calculates it and tints the row UNCHANGED or CHANGED.
void ExpectDigest(FileEntry& row, const PublishedDigest& digest);

// After the pass: the name of the algorithm whose digest of the row's file is the published one
// ("SHA-256"), or nothing when none is.
[[nodiscard]] std::optional<std::string> MatchedAlgorithm(const FileEntry& row,
                                                          const PublishedDigest& digest);

}  // namespace vellum
