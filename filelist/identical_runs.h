// Runs of identical neighbours and the copy each keeps: what the commands that flag copies and
// the command that turns flagged copies into links agree on, so that a row the one keeps is
// never the one the other replaces.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "filelist/file_entry.h"
#include "platform/files.h"

namespace vellum {

struct ListContext;

// The device and inode the row's path leads to (links followed); nothing when it is gone.
[[nodiscard]] std::optional<platform::FileIdentity> IdentityOf(ListContext& ctx,
                                                               const FileEntry& row);

// One file listed twice is not two copies: by the same path, or by paths that lead to the
// same device and inode (hard links, a symbolic link and its target).
[[nodiscard]] bool SameFile(ListContext& ctx, const FileEntry& a, const FileEntry& b);
// The same, with the identities of the rows' files already looked up.
[[nodiscard]] bool SameFile(const FileEntry& a, const std::optional<platform::FileIdentity>& ia,
                            const FileEntry& b, const std::optional<platform::FileIdentity>& ib);

// Calls visit(first, last) for every run of two or more neighbours whose values were
// calculated and tie: the rows the identical-flagging commands work on.
void ForEachIdenticalRun(ListContext& ctx,
                         const std::function<void(std::int32_t first, std::int32_t last)>& visit);

struct KeptCopy {
    std::int32_t row = 0;  // 0: no row of the run qualifies
    platform::FileIdentity identity;
};

// Which rows of a run may be its kept copy: any whose file is in place (not DELETED, still
// there), or only those of them that are not FLAGGED either.
enum class Keepable : std::uint8_t { InPlace, UnflaggedInPlace };

// The first row of rows first..last that may be kept.
[[nodiscard]] KeptCopy FirstKeepable(ListContext& ctx, std::int32_t first, std::int32_t last,
                                     Keepable keepable);

// Whether the row names the kept file: its path, a hard link of it or a symbolic link to it.
[[nodiscard]] bool NamesKeptFile(ListContext& ctx, const FileEntry& row, const KeptCopy& kept);

}  // namespace vellum
