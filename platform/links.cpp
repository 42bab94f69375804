// The file layer's link side: the range dedupe ioctl, lstat, hard links beside a copy, rename,
// unlink and realpath.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/files.h"

namespace vellum::platform {

namespace {

// Temporary names only ever clash with a leftover of a run that was killed, or with another
// Vellum at work in the same folder; a few tries get past both.
constexpr int kLinkNameTries = 8;

std::string TemporaryName(const std::string& beside) {
    static std::atomic<unsigned> serial{0};
    const std::string name =
        ".vellum-link-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
    return JoinPath(FolderPart(beside), name);
}

DedupeAnswer Refused(int error) {
    return {.error = error, .differs = false, .shared = 0};
}

}  // namespace

DedupeAnswer FileSystem::Dedupe(int source, std::int64_t sourceOffset, int target,
                                std::int64_t targetOffset, std::int64_t length) {
    // One destination: the header and its single info record in one block, as the ioctl reads
    // them.
    alignas(file_dedupe_range) unsigned char
        block[sizeof(file_dedupe_range) + sizeof(file_dedupe_range_info)] = {};
    auto* range = reinterpret_cast<file_dedupe_range*>(block);
    auto* info = reinterpret_cast<file_dedupe_range_info*>(block + sizeof(file_dedupe_range));
    range->src_offset = static_cast<__u64>(sourceOffset);
    range->src_length = static_cast<__u64>(length);
    range->dest_count = 1;
    info->dest_fd = target;
    info->dest_offset = static_cast<__u64>(targetOffset);
    int rc;
    do {
        rc = ::ioctl(source, FIDEDUPERANGE, range);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return Refused(-errno);
    if (info->status < 0) return Refused(info->status);
    if (info->status == FILE_DEDUPE_RANGE_DIFFERS)
        return {.error = 0, .differs = true, .shared = 0};
    return {.error = 0, .differs = false, .shared = static_cast<std::int64_t>(info->bytes_deduped)};
}

std::optional<NameInfo> FileSystem::NameOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return NameInfo{.regular = S_ISREG(st.st_mode), .names = st.st_nlink};
}

MadeLink FileSystem::LinkBeside(const std::string& existing, const std::string& beside) {
    for (int k = 0; k < kLinkNameTries; ++k) {
        std::string name = TemporaryName(beside);
        if (::linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return {.name = std::move(name), .error = 0};
        if (errno != EEXIST) return {.name = {}, .error = -errno};
    }
    return {.name = {}, .error = -EEXIST};
}

int FileSystem::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : -errno;
}

int FileSystem::Unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : -errno;
}

std::optional<std::string> FileSystem::Resolved(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                           &std::free);
    if (!real) return std::nullopt;
    return std::string(real.get());
}

}  // namespace vellum::platform
