// The keyboard letters of the list's pop-up menu and its Digests submenu: each caption gets a
// '&' before its letter, so that the caption reads as it always has, underlined where the desktop
// underlines, and the letter runs the item while the menu is open.
#pragma once

#include <QString>
#include <string_view>

#include "checksum/digests.h"

namespace vellum::ui {

// caption with a '&' before letter, in either case: where it starts a word if it starts one, else
// where it first stands; caption as it is where the letter does not occur in it.
[[nodiscard]] QString WithMnemonic(std::string_view caption, char letter);

// The Digests submenu's letter for a digest: a digit of its name where the names share letters.
[[nodiscard]] char DigestMnemonic(DigestKind kind);

}  // namespace vellum::ui
