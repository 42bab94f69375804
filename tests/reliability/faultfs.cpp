// vellum_faultfs MOUNTPOINT: a small read-only FUSE file system whose files misbehave as disks,
// network shares and busy writers do. Every byte is a function of its offset (FaultPattern), so
// a reader can check what it got without a copy of the file.
//
//   eio.bin      3 MiB; every read that reaches past 1.5 MiB fails with EIO
//   short.bin    claims 4 MiB, but its data ends at 1.25 MiB: reads there return nothing
//   growing.bin  1 MiB when opened, and 512 KiB longer each time a read reaches its end, up
//                to 6 MiB (per open)
//   big.bin      5 GiB
//
// Runs in the foreground until the mount is taken away or it gets SIGTERM.
#define FUSE_USE_VERSION 31
#include <errno.h>
#include <fuse.h>
#include <string.h>
#include <sys/stat.h>

#include <cstdint>
#include <string_view>

#include "tests/reliability/fault_pattern.h"

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

enum class Kind { kEio, kShort, kGrowing, kBig };

struct FaultFile {
    const char* name;
    Kind kind;
    std::int64_t size;  // what stat says (growing.bin: when opened)
};

constexpr FaultFile kFiles[] = {
    {"eio.bin", Kind::kEio, vellum::test::kEioFileSize},
    {"short.bin", Kind::kShort, vellum::test::kShortFileClaimed},
    {"growing.bin", Kind::kGrowing, vellum::test::kGrowingStart},
    {"big.bin", Kind::kBig, vellum::test::kBigFileSize},
};

// The size growing.bin has now; one reader at a time, as the tests use it.
std::int64_t g_growingSize = vellum::test::kGrowingStart;

const FaultFile* Lookup(const char* path) {
    if (path[0] != '/') return nullptr;
    for (const FaultFile& f : kFiles)
        if (strcmp(path + 1, f.name) == 0) return &f;
    return nullptr;
}

std::int64_t CurrentSize(const FaultFile& f) {
    return f.kind == Kind::kGrowing ? g_growingSize : f.size;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const FaultFile* f = Lookup(path);
    if (f == nullptr) return -ENOENT;
    st->st_mode = S_IFREG | 0444;
    st->st_nlink = 1;
    st->st_size = CurrentSize(*f);
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (strcmp(path, "/") != 0) return -ENOENT;
    fill(buffer, ".", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    fill(buffer, "..", nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    for (const FaultFile& f : kFiles) fill(buffer, f.name, nullptr, 0, {});
    return 0;
}

int Open(const char* path, fuse_file_info* info) {
    const FaultFile* f = Lookup(path);
    if (f == nullptr) return -ENOENT;
    if ((info->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    // The odd files bypass the page cache, so every short read and every error reaches the
    // reader as the file system gave it.
    info->direct_io = f->kind != Kind::kBig;
    if (f->kind == Kind::kGrowing) g_growingSize = vellum::test::kGrowingStart;
    return 0;
}

int Fill(char* buffer, std::int64_t offset, std::int64_t end, std::size_t size) {
    if (offset >= end) return 0;
    const std::int64_t count =
        std::min<std::int64_t>(static_cast<std::int64_t>(size), end - offset);
    for (std::int64_t k = 0; k < count; ++k) buffer[k] = vellum::test::FaultPattern(offset + k);
    return static_cast<int>(count);
}

int Read(const char* path, char* buffer, std::size_t size, off_t offset, fuse_file_info*) {
    const FaultFile* f = Lookup(path);
    if (f == nullptr) return -ENOENT;
    const std::int64_t at = offset;
    switch (f->kind) {
        case Kind::kEio:
            if (at + static_cast<std::int64_t>(size) > vellum::test::kEioFrom) return -EIO;
            return Fill(buffer, at, f->size, size);
        case Kind::kShort:
            return Fill(buffer, at, vellum::test::kShortFileReal, size);
        case Kind::kGrowing:
            if (at >= g_growingSize && g_growingSize < vellum::test::kGrowingCap)
                g_growingSize += vellum::test::kGrowingStep;
            return Fill(buffer, at, g_growingSize, size);
        case Kind::kBig:
            return Fill(buffer, at, f->size, size);
    }
    return -EIO;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
    // Foreground and single-threaded: the growing file keeps one size, and the test that
    // started us can wait for us to end.
    char foreground[] = "-f", single[] = "-s";
    char* args[] = {argv[0], foreground, single, argv[1], nullptr};
    return fuse_main(4, args, &ops, nullptr);
}
