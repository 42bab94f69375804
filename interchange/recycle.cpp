// Sending the flagged files to the trash, one file at a time in row order.
#include "interchange/recycle.h"

#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "platform/files.h"
#include "platform/trash.h"

namespace vellum {

bool RecycleFile(ListContext& ctx, platform::Trash& trash, const std::string& path) {
    if (!ctx.fs->IsFile(path)) return false;
    return trash.MoveToTrash(platform::FullPath(path));
}

std::string NotMovedText(std::int32_t count, const std::string& first) {
    return Counted(count, "file") +
           " could not be moved to the trash: " + (count == 1 ? "" : "the first is ") + first;
}

void SendFlaggedToTrash(ListContext& ctx, platform::Trash& trash) {
    std::int32_t notMoved = 0;
    std::string first;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
        FileEntry& row = ctx.table[i];
        if (row.status != EntryStatus::FLAGGED) continue;
        if (RecycleFile(ctx, trash, std::string(row.path.view())))
            row.status = EntryStatus::DELETED;
        else if (notMoved++ == 0)
            first = row.path.view();
    }
    // No desktop dialog tells of a refused move here, so without this line the user would
    // take the rows still FLAGGED for files that are gone.
    if (notMoved > 0) PostStatusMessage(ctx, NotMovedText(notMoved, first), "Bold", "Red", 5);
    ctx.RunPass();
}

}  // namespace vellum
