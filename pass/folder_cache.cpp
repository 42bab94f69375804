#include "pass/folder_cache.h"

#include <algorithm>

namespace vellum {

FolderCache::Entry FolderCache::Enter(platform::FileSystem& files, std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    const int slot = SlotFor(files, slash == 0 ? std::string_view("/") : path.substr(0, slash));
    Folder& folder = folders_[static_cast<std::size_t>(slot)];
    ++folder.users;
    return {slot, folder.handle};
}

int FolderCache::SlotFor(platform::FileSystem& files, std::string_view folder) {
    if (last_ >= 0 && folders_[static_cast<std::size_t>(last_)].path == folder) return last_;
    const auto same = std::find_if(folders_.begin(), folders_.end(),
                                   [folder](const Folder& d) { return d.path == folder; });
    auto slot = same;
    if (slot == folders_.end())
        slot = std::find_if(folders_.begin(), folders_.end(),
                            [](const Folder& d) { return d.users == 0; });
    if (slot == folders_.end()) slot = folders_.insert(folders_.end(), Folder{});
    if (same == folders_.end()) {
        files.CloseFolder(slot->handle);
        slot->path.assign(folder);
        slot->handle = files.OpenFolder(slot->path);
    }
    last_ = static_cast<int>(slot - folders_.begin());
    return last_;
}

void FolderCache::Leave(int slot) {
    if (slot >= 0) --folders_[static_cast<std::size_t>(slot)].users;
}

void FolderCache::Rest(platform::FileSystem& files) {
    for (const Folder& d : folders_) files.CloseFolder(d.handle);
    folders_.clear();
    last_ = -1;
}

void BlockBanks::Reserve(int blocks, std::size_t bytes) {
    const std::size_t size = bytes + static_cast<std::size_t>(blocks) * kStagger;
    if (size <= size_) return;
    for (auto& bank : banks_) bank = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    size_ = size;
}

}  // namespace vellum
