// A tree of small files for the benchmarks: folders d0, d1, ... of 100 files each under root,
// file i holding sizeOf(i) bytes, written back before the benchmarks start so that no
// write-back runs under them; removed with the object.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace vellum::bench {

class FolderTree {
  public:
    template <typename SizeOf>
    FolderTree(std::string root, int files, SizeOf sizeOf) : root_(std::move(root)) {
        if (root_.empty()) return;
        mkdir(root_.c_str(), 0755);
        const std::string bytes(8192, 'v');
        for (int i = 0; i < files; ++i) {
            const std::string dir = root_ + "/d" + std::to_string(i / 100);
            if (i % 100 == 0) mkdir(dir.c_str(), 0755);
            std::FILE* f = std::fopen((dir + "/f" + std::to_string(i)).c_str(), "wb");
            if (f == nullptr) continue;
            const std::size_t size = sizeOf(i);
            for (std::size_t left = size; left > 0;) {
                const std::size_t piece = left < bytes.size() ? left : bytes.size();
                std::fwrite(bytes.data(), 1, piece, f);
                left -= piece;
            }
            std::fclose(f);
        }
        if (const int fd = open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
            (void)syncfs(fd);
            close(fd);
        }
    }
    ~FolderTree() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;
    [[nodiscard]] const std::string& root() const { return root_; }

  private:
    std::string root_;
};

}  // namespace vellum::bench
