// Flagging against reference folders: the copies kept are the files inside folders the user
// trusts (an archive, a photo library), and every identical copy elsewhere is flagged, so that
// nothing is flagged whose content has no copy in one of those folders.
#pragma once

#include <string>
#include <vector>

namespace vellum {

struct ListContext;

// Of every run of identical neighbours (as "Flag Adjacent Identicals" pairs them) that holds a
// file in place inside one of the folders, flags every row outside them, and unflags the rows
// inside and every row that names a file kept inside (the same file by a hard link or a
// symbolic link); DELETED rows stay as they are. A run with no file in place inside is left as
// it is.
//
// Inside means: the row's own folder, with its links resolved, is one of the folders (links
// resolved too) or lies below it, whole names compared (/a/b is not inside /a/bc). The row's
// file name itself is not followed: a symbolic link kept inside a folder is inside, wherever it
// leads, and the file it leads to is kept with it as one file. A folder that cannot be resolved
// (gone) holds nothing. Ends with a pass.
void FlagIdenticalsOutside(ListContext& ctx, const std::vector<std::string>& folders);

}  // namespace vellum
