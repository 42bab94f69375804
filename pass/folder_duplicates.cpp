#include "pass/folder_duplicates.h"

#include "filelist/adding.h"
#include "filelist/list_context.h"

namespace vellum {

SearchOutcome FindDuplicatesInFolder(ListContext& ctx, ListPass& pass, const std::string& folder,
                                     const std::string& mask, AddProgress& progress) {
    const std::int32_t first = ctx.state.RowCount;
    // The search opens every file that may have a copy and asks of the others whether they
    // could be read: the add only looks the sizes up.
    ctx.sizesByLookUp = true;
    AddFolderRows(ctx, folder, mask, progress);
    ctx.sizesByLookUp = false;
    const SearchOutcome outcome = FindDuplicateRows(ctx, pass, first);
    // The sort marks say how the rows found stand; the rows listed before keep their places.
    ctx.sort = SortState{.PrimaryColumn = kColumnMd5,
                         .SecondaryColumn = kColumnFilename,
                         .PrimaryDescending = false,
                         .SecondaryDescending = false,
                         .FileNameOnly = false};
    if (ctx.state.RowCount - first > 1) SortRows(ctx, first, ctx.state.RowCount - 1);
    ctx.RunPass();
    return outcome;
}

}  // namespace vellum
