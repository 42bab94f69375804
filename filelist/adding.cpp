#include "filelist/adding.h"

#include <future>
#include <memory>

#include "filelist/list_context.h"
#include "platform/beside.h"
#include "platform/files.h"

namespace vellum {

namespace {

// The first half of the rule for appending a row: grow when the next free row is the last.
bool RoomForRow(ListContext& ctx) {
    if (ctx.state.RowCount == ctx.state.MaxFiles) GrowFileTable(ctx);
    return ctx.state.MaxFiles >= ctx.state.RowCount;
}

void Recheck(ListContext& ctx, std::int32_t row) {
    ctx.table[row].status = EntryStatus::RECHECK;
}

// AddFile once the size is known (or the -errno of the open that tried to take it).
bool AddFileOfSize(ListContext& ctx, const std::string& path, std::int64_t size) {
    if (size < 0) {
        PostFailed(ctx, path);
        return false;
    }
    FileEntry entry;
    entry.path.assign(path);
    entry.size = size;
    entry.status = EntryStatus::WAITING;
    const std::int32_t row = AppendRow(ctx, entry);
    ctx.paths.Note(ctx.table, row);
    return true;
}

}  // namespace

bool AddFile(ListContext& ctx, const std::string& path) {
    if (!RoomForRow(ctx)) return false;
    return AddFileOfSize(ctx, path, ctx.fs->SizeOfFile(path));
}

std::int32_t FindPath(const ListContext& ctx, std::string_view path) {
    if (ctx.paths.active()) return ctx.paths.Find(ctx.table, path);
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        if (ctx.table[i].path.view() == path) return i;
    return 0;
}

AddingScope::AddingScope(ListContext& ctx) : ctx_(ctx), owner_(!ctx.paths.active()) {
    if (owner_) ctx_.paths.Build(ctx_.table, ctx_.state.RowCount);
}

AddingScope::~AddingScope() {
    if (owner_) ctx_.paths.Drop();
}

AddOutcome AddChosenPath(ListContext& ctx, const std::string& path) {
    if (const std::int32_t row = FindPath(ctx, path); row != 0) {
        Recheck(ctx, row);
        return AddOutcome::Rechecked;
    }
    const std::uint32_t attributes = ctx.fs->Attributes(path);
    // A path that does not exist reports every attribute bit, the folder bit included.
    if ((attributes & platform::kAttrDirectory) != 0) return AddOutcome::Folder;
    // A FIFO, socket or device is never opened, not even without blocking: that would release
    // a writer waiting on a FIFO.
    if ((attributes & platform::kAttrArchive) == 0) {
        PostFailed(ctx, path);
        return AddOutcome::Failed;
    }
    return AddFile(ctx, path) ? AddOutcome::Added : AddOutcome::Failed;
}

void AddChosenPaths(ListContext& ctx, const std::vector<std::string>& paths,
                    AddProgress& progress) {
    AddingScope scope(ctx);
    AddCounters counters{.AddedCount = 0, .FolderCount = 1, .SkippedCount = 0};
    for (std::size_t k = 0; k < paths.size(); ++k) {
        switch (AddChosenPath(ctx, paths[k])) {
            case AddOutcome::Rechecked:
                ++counters.SkippedCount;
                break;
            case AddOutcome::Folder:
                ++counters.FolderCount;
                break;
            case AddOutcome::Added:
            case AddOutcome::Failed:
                ++counters.AddedCount;
                break;
        }
        // Counted from 1, the labels are written after the 9th, 19th, 29th ... path.
        if ((k + 2) % 10 == 0) progress.Update(counters);
    }
}

void ChooseAndAddFiles(ListContext& ctx, const std::string& folder, const ChooseFiles& choose,
                       AddProgress& progress) {
    ctx.sort.PrimaryColumn = kColumnNone;
    MarkRowsOld(ctx);
    ctx.host->PumpEvents();
    progress.Show();
    if (const auto paths = choose(folder)) AddChosenPaths(ctx, *paths, progress);
    progress.Hide();
}

void AddFiles(ListContext& ctx, const ChooseFiles& choose, AddProgress& progress) {
    InPathOrder(ctx, [&] { ChooseAndAddFiles(ctx, std::string(), choose, progress); });
    ctx.RunPass();
}

namespace {

// One folder of a walk, listed, its files' sizes on their way. It stays where it was made
// while a thread takes the sizes.
struct ListedFolder {
    std::string folder;
    std::vector<std::string> names;
    std::vector<std::int32_t> listed;  // the row that already lists a name, else 0
    std::vector<std::string> fresh;    // the names not listed yet
    std::future<std::vector<std::int64_t>> sizes;
};

// Takes the files listed in folder and starts taking the sizes of those not listed as rows
// yet, for the whole folder at once, which the file layer can do faster; where its calls may
// overlap, on another thread, while this one lists the next folder and adds the rows of the
// one before. (A row added meanwhile cannot be found for a name listed here: the names differ,
// and a path cut to the stored length only equals a longer one's beginning, which sorts before
// it.)
std::unique_ptr<ListedFolder> TakeListing(ListContext& ctx, std::string folder,
                                          std::vector<std::string> names) {
    auto listing = std::make_unique<ListedFolder>();
    ListedFolder& l = *listing;
    l.folder = std::move(folder);
    l.names = std::move(names);
    l.listed.resize(l.names.size());
    for (std::size_t k = 0; k < l.names.size(); ++k) {
        l.listed[k] = FindPath(ctx, platform::JoinPath(l.folder, l.names[k]));
        if (l.listed[k] == 0) l.fresh.push_back(l.names[k]);
    }
    platform::FileSystem& fs = *ctx.fs;
    const auto take = [&fs, &l, lookUp = ctx.sizesByLookUp] {
        return lookUp ? fs.LookedUpSizesOfFiles(l.folder, l.fresh)
                      : fs.SizesOfFiles(l.folder, l.fresh);
    };
    l.sizes = platform::Beside(
        fs.CallsMayOverlap() && l.fresh.size() >= platform::kCallsWorthAThread, take);
    return listing;
}

// The rows of a listed folder, in the listing's order, once its sizes are in.
void AddListedRows(ListContext& ctx, ListedFolder& l, AddCounters& counters,
                   AddProgress& progress) {
    const std::vector<std::int64_t> sizes = l.sizes.get();
    std::size_t next = 0;
    for (std::size_t k = 0; k < l.names.size(); ++k) {
        if (l.listed[k] != 0) {
            Recheck(ctx, l.listed[k]);
            ++counters.SkippedCount;
            continue;
        }
        const std::int64_t size = sizes[next++];
        if (RoomForRow(ctx)) AddFileOfSize(ctx, platform::JoinPath(l.folder, l.names[k]), size);
        ++counters.AddedCount;
        if (counters.AddedCount % 10 == 0) progress.Update(counters);
    }
}

}  // namespace

void ScanFolder(ListContext& ctx, const std::string& folder, const std::string& mask,
                AddCounters& counters, AddProgress& progress) {
    // Files first, then each subfolder's whole walk in name order; a folder's rows are added
    // while the next folder's sizes are taken.
    std::vector<std::string> toVisit{folder};  // the next at the back
    std::unique_ptr<ListedFolder> before;
    while (!toVisit.empty() || before) {
        std::unique_ptr<ListedFolder> now;
        if (!toVisit.empty()) {
            std::string path = std::move(toVisit.back());
            toVisit.pop_back();
            if (path != folder) ++counters.FolderCount;
            platform::FileSystem::FolderListing entries =
                ctx.fs->ListFilesAndSubfolders(path, mask);
            for (auto it = entries.subfolders.rbegin(); it != entries.subfolders.rend(); ++it)
                toVisit.push_back(platform::JoinPath(path, *it));
            now = TakeListing(ctx, std::move(path), std::move(entries.files));
        }
        if (before) AddListedRows(ctx, *before, counters, progress);
        before = std::move(now);
    }
}

void AddFolderRows(ListContext& ctx, const std::string& folder, const std::string& mask,
                   AddProgress& progress) {
    const std::string pattern = mask.empty() ? std::string("*.*") : mask;
    progress.ResetAddedLabel();
    progress.Show();
    AddCounters counters;
    InPathOrder(ctx, [&] {
        AddingScope scope(ctx);
        ScanFolder(ctx, folder, pattern, counters, progress);
    });
    progress.Hide();
}

void AddFolder(ListContext& ctx, const std::string& folder, const std::string& mask,
               AddProgress& progress) {
    AddFolderRows(ctx, folder, mask, progress);
    ctx.RunPass();
}

void AddDropped(ListContext& ctx, const std::vector<std::string>& paths, AddProgress& progress) {
    std::vector<std::string> files;
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
        const std::uint32_t attrs = ctx.fs->Attributes(path);
        const bool folder = attrs != platform::kAttrFailure && (attrs & platform::kAttrDirectory);
        (folder ? folders : files).push_back(path);
    }
    // The dropped files stand in for the answer of the Add files dialog.
    const ChooseFiles dropped = [&files](const std::string&) { return std::optional(files); };
    if (!files.empty())
        InPathOrder(ctx, [&] { ChooseAndAddFiles(ctx, std::string(), dropped, progress); });
    for (const std::string& folder : folders) AddFolderRows(ctx, folder, std::string(), progress);
    ctx.RunPass();
}

void AddStartupPaths(ListContext& ctx, const std::vector<std::string>& paths,
                     const ChooseFiles& choose, AddProgress& progress) {
    std::int64_t n = ctx.state.RowCount;
    bool added = false;
    std::string lastFolder;
    for (const std::string& path : paths) {
        const std::uint32_t attrs = ctx.fs->Attributes(path);
        if (attrs == platform::kAttrFailure) {
            // An option word or a path that does not exist names nothing.
        } else if ((attrs & platform::kAttrDirectory) != 0) {
            lastFolder = path;
        } else {
            FileEntry entry;
            entry.path.assign(path);
            entry.status = EntryStatus::WAITING;
            added = AppendRow(ctx, entry) != 0 || added;
        }
        ++n;
    }
    if (n == 1)
        ChooseAndAddFiles(ctx, std::string(), choose, progress);
    else if (!added && !lastFolder.empty())
        ChooseAndAddFiles(ctx, lastFolder, choose, progress);
    ctx.RunPass();
}

}  // namespace vellum
