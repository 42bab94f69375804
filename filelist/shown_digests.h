// The further digests a list shows: choosing them, so that every row comes to hold them, and
// their names as a settings file keeps them.
#pragma once

#include <string>
#include <string_view>

#include "checksum/digests.h"

namespace vellum {

struct ListContext;

// Makes shown the digests every pass calculates, then runs a pass. A row whose file was read
// and that lacks one of them is read again (RECHECK), so that its new columns fill in; like a
// file added a second time, a FLAGGED or MARKER row comes back OKAY. DELETED rows stay: their
// files are gone.
void ShowDigests(ListContext& ctx, DigestMask shown);

// "sha256,sha512": the captions of the kinds, in column order; empty for none.
[[nodiscard]] std::string DigestNames(DigestMask mask);
// The kinds that a comma-separated text names by caption, in any case and with blanks around
// the names. A name it does not know (a later version's) is passed over.
[[nodiscard]] DigestMask ReadDigestNames(std::string_view text);

}  // namespace vellum
