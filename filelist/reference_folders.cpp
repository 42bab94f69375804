#include "filelist/reference_folders.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

#include "filelist/identical_runs.h"
#include "filelist/list_context.h"

namespace vellum {

namespace {

bool Below(std::string_view folder, std::string_view reference) {
    if (reference == "/") return true;
    return folder.starts_with(reference) &&
           (folder.size() == reference.size() || folder[reference.size()] == '/');
}

// Resolves each row's folder once however many rows it holds.
class Inside {
  public:
    Inside(ListContext& ctx, const std::vector<std::string>& folders) : ctx_(ctx) {
        for (const std::string& folder : folders)
            if (auto resolved = ctx.fs->Resolved(folder)) references_.push_back(*resolved);
    }

    bool operator()(const FileEntry& row) {
        const std::string folder(platform::FolderPart(row.path.view()));
        auto found = resolved_.find(folder);
        if (found == resolved_.end())
            found = resolved_.emplace(folder, ctx_.fs->Resolved(folder)).first;
        if (!found->second) return false;
        for (const std::string& reference : references_)
            if (Below(*found->second, reference)) return true;
        return false;
    }

  private:
    ListContext& ctx_;
    std::vector<std::string> references_;
    std::map<std::string, std::optional<std::string>> resolved_;
};

void FlagOutside(ListContext& ctx, Inside& inside, std::int32_t first, std::int32_t last) {
    std::vector<bool> in(static_cast<std::size_t>(last - first + 1));
    std::vector<platform::FileIdentity> kept;
    for (std::int32_t k = first; k <= last; ++k) {
        const FileEntry& row = ctx.table[k];
        if (row.status == EntryStatus::DELETED || !inside(row)) continue;
        in[static_cast<std::size_t>(k - first)] = true;
        if (const auto identity = IdentityOf(ctx, row)) kept.push_back(*identity);
    }
    if (kept.empty()) return;
    for (std::int32_t k = first; k <= last; ++k) {
        FileEntry& row = ctx.table[k];
        if (row.status == EntryStatus::DELETED) continue;
        bool keep = in[static_cast<std::size_t>(k - first)];
        if (!keep) {
            const auto identity = IdentityOf(ctx, row);
            keep = identity && std::find(kept.begin(), kept.end(), *identity) != kept.end();
        }
        if (!keep)
            row.status = EntryStatus::FLAGGED;
        else if (row.status == EntryStatus::FLAGGED)
            row.status = EntryStatus::OKAY;
    }
}

}  // namespace

void FlagIdenticalsOutside(ListContext& ctx, const std::vector<std::string>& folders) {
    Inside inside(ctx, folders);
    ForEachIdenticalRun(
        ctx, [&](std::int32_t first, std::int32_t last) { FlagOutside(ctx, inside, first, last); });
    ctx.RunPass();
}

}  // namespace vellum
