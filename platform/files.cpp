#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>

namespace vellum::platform {

namespace {

// A single read(2) never moves more than about 2 GiB on Linux anyway; asking for less keeps
// the count well inside ssize_t on every platform.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

// Below this size the read advice is left out (see OpenForReading).
constexpr off_t kAdviceFloor = off_t{1} << 20;

int CloseWithError(int fd, int code) {
    ::close(fd);
    return -code;
}

// A descriptor of a regular file with the stat that proved it one, or -errno (-EINVAL for
// anything else). O_NONBLOCK makes opening a FIFO return at once even when the path was swapped
// for one after the caller checked it; the fstat then turns it away.
int OpenRegularFile(const std::string& path, struct stat& st, int folder = AT_FDCWD) {
    int fd;
    do {
        fd = ::openat(folder, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return -errno;
    if (::fstat(fd, &st) != 0) return CloseWithError(fd, errno);
    if (!S_ISREG(st.st_mode)) return CloseWithError(fd, EINVAL);
    return fd;
}

// Only advice, and only where there is a read ahead to widen: a file that one read of the list
// pass takes whole gains nothing from it. A file system that ignores it reads the file just the
// same. Passes fd (or the -errno of its open) on.
int Advised(int fd, const struct stat& st) {
    if (fd >= 0 && st.st_size > kAdviceFloor)
        (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

// Descriptors stay O_NONBLOCK after the open: Linux ignores it for regular files, so it costs
// nothing there. Should a file system ever answer EAGAIN for one, the flag is cleared once and
// the read tried again, so that no read ever fails for it. False when the flag was not set or
// could not be cleared.
bool NowBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0 &&
           ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Retries interrupted calls and keeps going after short transfers, because pipes, network
// file systems and signals all cut reads short long before the end of the file. An error
// after some bytes arrived hands over those bytes; the same error comes back on the next call.
// With once, the first transfer is handed over as it came.
template <typename ReadOnce>
std::int64_t ReadFully(int fd, void* buffer, std::size_t count, bool once, ReadOnce read_once) {
    auto* at = static_cast<char*>(buffer);
    std::size_t total = 0;
    while (total < count) {
        const ssize_t got = read_once(at + total, std::min(count - total, kMaxChunk), total);
        if (got > 0) {
            total += static_cast<std::size_t>(got);
            if (once) break;
        } else if (got == 0) {
            break;
        } else if (errno == EAGAIN && NowBlocking(fd)) {
            continue;
        } else if (errno != EINTR) {
            if (total > 0) break;
            return -errno;
        }
    }
    return static_cast<std::int64_t>(total);
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// d_type saves a stat per entry where the file system fills it in; a link still has to be
// followed to see what it points at.
bool IsFileEntry(int dir_fd, const dirent& entry) {
    if (entry.d_type == DT_REG) return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
    struct stat st {};
    return ::fstatat(dir_fd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// Never follows a link: a link to a folder above would make the walk go round for ever.
bool IsFolderEntry(int dir_fd, const dirent& entry) {
    if (IsDotOrDotDot(entry.d_name)) return false;
    if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
    struct stat st {};
    return ::fstatat(dir_fd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

// Calls take(dir_fd, entry) for every entry of folder; false when it cannot be read.
template <typename Take>
bool ForEachEntry(const std::string& folder, Take take) {
    const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) return false;
    const int dir_fd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) take(dir_fd, *entry);
    return true;
}

// Sorted so that a walk adds files in the same order on every run and every file system.
template <typename Keep>
std::vector<std::string> ListEntries(const std::string& folder, Keep keep) {
    std::vector<std::string> names;
    (void)ForEachEntry(folder, [&](int dir_fd, const dirent& entry) {
        if (keep(dir_fd, entry)) names.emplace_back(entry.d_name);
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::string CurrentFolder() {
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

// Only ASCII letters fold: bytes of 128 and above belong to whatever code page the name was
// written in, and folding them by a guess would match names that differ.
char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameByte(char mask, char name) {
    return mask == '?' || FoldAscii(mask) == FoldAscii(name);
}

}  // namespace

std::uint32_t FileSystem::Attributes(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return kAttrFailure;
    if (S_ISDIR(st.st_mode)) return kAttrDirectory;
    if (!S_ISREG(st.st_mode)) return 0;
    std::uint32_t attributes = kAttrArchive;
    // The file's own mode, not the caller's rights: running as root must not make every file
    // look writable, and a file nobody may write is what read-only means.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttrReadOnly;
    if (FileNamePart(path).starts_with('.')) attributes |= kAttrHidden;
    return attributes;
}

bool FileSystem::IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<FileIdentity> FileSystem::Identity(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

int FileSystem::OpenForReading(const std::string& path) {
    struct stat st {};
    return Advised(OpenRegularFile(path, st), st);
}

int FileSystem::OpenStream(const std::string& path) {
    // The type first: opening a device may have effects of its own (a tape rewinds).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -errno;
    if (S_ISDIR(st.st_mode)) return -EISDIR;
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return -ENODEV;
    if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) return -EINVAL;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
}

FileSystem::Opened FileSystem::OpenIfFile(const std::string& path) {
    if (!IsFile(path)) return {};
    return {OpenForReading(path), true};
}

int FileSystem::OpenFolder(const std::string&) {
    return -1;
}

FileSystem::Opened FileSystem::OpenIfFileIn(int, const std::string& path) {
    return OpenIfFile(path);
}

FileSystem::Opened FileSystem::OpenSeenFileIn(int folder, const std::string& path) {
    return OpenIfFileIn(folder, path);
}

void FileSystem::CloseFolder(int) {}

std::int64_t FileSystem::Read(int fd, void* buffer, std::size_t count) {
    return ReadFully(fd, buffer, count, false,
                     [fd](char* at, std::size_t n, std::size_t) { return ::read(fd, at, n); });
}

std::int64_t FileSystem::ReadSome(int fd, void* buffer, std::size_t count) {
    return Read(fd, buffer, count);
}

std::int64_t FileSystem::ReadAt(int fd, void* buffer, std::size_t count, std::int64_t offset) {
    return ReadFully(
        fd, buffer, count, false, [fd, offset](char* at, std::size_t n, std::size_t done) {
            return ::pread(fd, at, n, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        });
}

std::int64_t FileSystem::SizeOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -errno;
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t FileSystem::SizeOfFile(const std::string& path) {
    const int fd = OpenForReading(path);
    if (fd < 0) return fd;
    const std::int64_t size = SizeOf(fd);
    (void)Close(fd);  // nothing was read; a failed close loses nothing
    return size;
}

int FileSystem::Close(int fd) {
    // No retry on EINTR: Linux has released the descriptor already, and a second close could
    // hit one that another part of the program has just opened.
    return ::close(fd) == 0 ? 0 : -errno;
}

std::vector<std::string> FileSystem::ListFiles(const std::string& folder, std::string_view mask) {
    return ListEntries(folder, [mask](int dir_fd, const dirent& entry) {
        return MaskMatches(mask, entry.d_name) && IsFileEntry(dir_fd, entry);
    });
}

std::vector<std::string> FileSystem::ListSubfolders(const std::string& folder) {
    return ListEntries(folder, IsFolderEntry);
}

FileSystem::FolderListing FileSystem::ListFilesAndSubfolders(const std::string& folder,
                                                             std::string_view mask) {
    FolderListing listing;
    (void)ForEachEntry(folder, [&](int dir_fd, const dirent& entry) {
        if (MaskMatches(mask, entry.d_name) && IsFileEntry(dir_fd, entry))
            listing.files.emplace_back(entry.d_name);
        else if (IsFolderEntry(dir_fd, entry))
            listing.subfolders.emplace_back(entry.d_name);
    });
    std::sort(listing.files.begin(), listing.files.end());
    std::sort(listing.subfolders.begin(), listing.subfolders.end());
    return listing;
}

std::vector<std::int64_t> FileSystem::SizesOfFiles(const std::string& folder,
                                                   const std::vector<std::string>& names) {
    std::vector<std::int64_t> sizes;
    sizes.reserve(names.size());
    for (const std::string& name : names) sizes.push_back(SizeOfFile(JoinPath(folder, name)));
    return sizes;
}

std::vector<std::int64_t> FileSystem::LookedUpSizesOfFiles(const std::string& folder,
                                                           const std::vector<std::string>& names) {
    return SizesOfFiles(folder, names);
}

bool FileSystem::MayRead(const std::string& path) {
    const int fd = OpenForReading(path);
    if (fd < 0) return false;
    (void)Close(fd);
    return true;
}

namespace {

// The kernel's file system with the shortcuts that only it may take: a fake that overrides
// OpenForReading or Close must see those calls, so the shortcuts stay out of the base class.
class KernelFileSystem final : public FileSystem {
  public:
    // The size from the open's own fstat and no read advice for a descriptor that is never
    // read: three calls, on every file an add meets.
    std::int64_t SizeOfFile(const std::string& path) override { return SizeByOpening(path); }
    // Each file opened relative to the folder: the kernel walks the folder's path once, not
    // once more for every file in it. A big folder's second half is taken on another thread
    // where there is a second processor: the calls are the kernel's work, and they do not
    // depend on each other.
    std::vector<std::int64_t> SizesOfFiles(const std::string& folder,
                                           const std::vector<std::string>& names) override {
        const int at = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (at < 0) return FileSystem::SizesOfFiles(folder, names);
        std::vector<std::int64_t> sizes(names.size());
        const auto take = [&](std::size_t from, std::size_t to) {
            for (std::size_t k = from; k < to; ++k) sizes[k] = SizeByOpening(names[k], at);
        };
        const std::size_t half = names.size() / 2;
        std::optional<std::thread> other;
        if (names.size() >= kSplitFolder && std::thread::hardware_concurrency() >= 2) {
            try {
                other.emplace(take, half, names.size());
            } catch (const std::system_error&) {
                // no second thread to be had: this one takes it all
            }
        }
        take(0, other ? half : names.size());
        if (other) other->join();
        ::close(at);
        return sizes;
    }

    std::vector<std::int64_t> LookedUpSizesOfFiles(const std::string& folder,
                                                   const std::vector<std::string>& names) override {
        const int at = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (at < 0) return FileSystem::LookedUpSizesOfFiles(folder, names);
        std::vector<std::int64_t> sizes;
        sizes.reserve(names.size());
        for (const std::string& name : names) {
            struct stat st {};
            if (::fstatat(at, name.c_str(), &st, 0) != 0)
                sizes.push_back(-errno);
            else
                sizes.push_back(S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size)
                                                    : -EINVAL);
        }
        ::close(at);
        return sizes;
    }

    bool MayRead(const std::string& path) override {
        return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0;
    }

    bool CallsMayOverlap() const override { return true; }

    int OpenFolder(const std::string& path) override {
        int fd;
        do {
            fd = ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        return fd < 0 ? -1 : fd;
    }
    // The same two steps as OpenIfFile, by name in the folder: the type first, so that a FIFO
    // is never opened, then the open that checks it again.
    Opened OpenIfFileIn(int folder, const std::string& path) override {
        if (folder < 0) return OpenIfFile(path);
        const std::string name(FileNamePart(path));
        struct stat st {};
        if (::fstatat(folder, name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) return {};
        const int fd = Advised(OpenRegularFile(name, st, folder), st);
        return {fd, true, fd >= 0 ? static_cast<std::int64_t>(st.st_size) : -1};
    }
    Opened OpenSeenFileIn(int folder, const std::string& path) override {
        if (folder < 0) return OpenIfFile(path);
        struct stat st {};
        const int fd = Advised(OpenRegularFile(std::string(FileNamePart(path)), st, folder), st);
        if (fd >= 0) return {fd, true, static_cast<std::int64_t>(st.st_size)};
        // What the look at the type would have found to be no regular file (any longer).
        const bool gone = fd == -ENOENT || fd == -ENOTDIR || fd == -ELOOP || fd == -EINVAL ||
                          fd == -ENXIO || fd == -ENODEV;
        return gone ? Opened{} : Opened{fd, true, -1};
    }
    void CloseFolder(int folder) override {
        if (folder >= 0) ::close(folder);
    }

  private:
    static constexpr std::size_t kSplitFolder = 64;  // below, a thread costs more than it saves

    // The size from the open's own fstat, or the open's -errno.
    static std::int64_t SizeByOpening(const std::string& path, int folder = AT_FDCWD) {
        struct stat st {};
        const int fd = OpenRegularFile(path, st, folder);
        if (fd < 0) return fd;
        ::close(fd);
        return static_cast<std::int64_t>(st.st_size);
    }
    // One transfer: a short one is handed over, not followed by the read that finds the end,
    // since the caller asks again anyway.
    std::int64_t ReadSome(int fd, void* buffer, std::size_t count) override {
        return ReadFully(fd, buffer, count, true,
                         [fd](char* at, std::size_t n, std::size_t) { return ::read(fd, at, n); });
    }
};

}  // namespace

FileSystem& RealFileSystem() {
    static KernelFileSystem real;
    return real;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder).append("/").append(name);
    return path;
}

std::string_view FolderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string FullPath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::string folder = CurrentFolder();
    // The current folder can have been removed under us; the relative path is still the best
    // name we have for the file.
    if (folder.empty()) return path;
    if (folder.back() != '/') folder += '/';
    return folder + path;
}

bool MaskMatches(std::string_view mask, std::string_view name) {
    if (mask.empty()) return false;
    // Names without a dot match "*.*" too, as users of the folder search have always expected.
    if (mask == "*.*") return true;

    // Greedy matching that remembers only the last star: on a mismatch the star swallows one
    // more byte and matching resumes after it. Quadratic at worst, never exponential.
    std::size_t m = 0;
    std::size_t n = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (m < mask.size() && SameByte(mask[m], name[n])) {
            ++m;
            ++n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace vellum::platform
