// The commands of the list's pop-up menu that flag, mark and remove rows. Each ends with a
// list pass, which recounts the totals and repaints.
#pragma once

#include <cstdint>
#include <functional>

#include "filelist/file_entry.h"

namespace vellum {

struct ListContext;

void FlagAll(ListContext& ctx);
void FlagNone(ListContext& ctx);
void InvertFlags(ListContext& ctx);

// Removes every file row for which remove is true; the rest close up in order.
void RemoveRowsIf(ListContext& ctx, const std::function<bool(const FileEntry&)>& remove);
// The same, asked by the row's index.
void RemoveRowsAt(ListContext& ctx, const std::function<bool(std::int32_t row)>& remove);
// Removes every file row with the status.
void RemoveRowsWithStatus(ListContext& ctx, EntryStatus status);
void RemoveFlagged(ListContext& ctx);
void RemoveDeleted(ListContext& ctx);
// Removes every row whose path repeats the path of the row above it.
void RemoveAdjacentDuplicates(ListContext& ctx);

// Flags both rows of every pair of neighbours whose five values (and the digests the list
// shows) are equal and were calculated from their files, unless the two rows name one and the
// same file.
void FlagIdenticals(ListContext& ctx);
// Of every stretch of identical neighbours (paired as above), keeps the first whose file is in
// place (not DELETED, still there) and flags every other row that names another file; DELETED
// rows stay as they are. The trash straight after it leaves one copy of each content.
void FlagIdenticalsExceptFirst(ListContext& ctx);
// With exactly two MARKER rows, flags every row from one to the other.
void FlagBetweenMarkers(ListContext& ctx);

// A click in the Status cell of a file row: OKAY and FLAGGED swap, the totals follow at once.
// True when the click was taken (the window then repaints and recomposes the status line).
bool StatusClick(ListContext& ctx, std::int32_t row);
// A double click in the Status cell: OKAY or FLAGGED becomes MARKER, MARKER becomes OKAY; then
// a pass (deferred by the pass itself when one is running).
void ToggleMarker(ListContext& ctx, std::int32_t row);

}  // namespace vellum
