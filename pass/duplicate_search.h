// The staged search for identical files. A file leaves the search as soon as nothing tells it
// apart from no other file: first by its size, then by its first block, then by its last block
// (a small file by the rest of it); only the files that still match are read whole, going on
// from where their first block left off. What a stage read is not read again, and every row
// that stays has its five values (and the digests shown) from a read of the whole file.
#pragma once

#include <cstdint>

namespace vellum {

struct ListContext;
class ListPass;

// The bytes a first block and a last block hold: one MD5 block of 64 times 64, so that a first
// block's MD5 stops on a block of its own.
inline constexpr std::int64_t kSearchBlock = 4096;

// A file of no more than this is read to its end in the step after its first block, instead of
// by its last block and later whole: its last block costs almost what the rest of it does, and
// one open fewer.
inline constexpr std::int64_t kSmallCandidate = 32 * kSearchBlock;

struct SearchOutcome {
    bool halted = false;  // Halt stopped it: the rows not told apart yet stay WAITING
    // Files that left by their size alone but could not have been read (each told, as an add
    // tells a file it cannot open); their rows went with the other unique ones.
    std::int32_t unreadable = 0;
};

// Searches rows first to RowCount - 1, which an add has just made (opening each file to take
// its size, or looking it up: see ListContext::sizesByLookUp), for files identical to another
// among them, reading through the pass's feed while no pass runs; the window stays alive and
// Halt works as in a pass. The rows that can have no identical copy among them are removed;
// those that stay are OKAY with their values; a row whose file is gone becomes INVALID, one
// whose file cannot be opened or read stays CALCING (its message told), as in the pass. Ends
// with the pass the removal runs.
SearchOutcome FindDuplicateRows(ListContext& ctx, ListPass& pass, std::int32_t first);

}  // namespace vellum
