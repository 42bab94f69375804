// The file layer's write side: a list file is created, written line by line and cut back to its
// last whole line when a write fails.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace vellum::platform {

int FileSystem::CreateForWriting(const std::string& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? -errno : fd;
}

// A full pipe, a signal or a file-size limit cut a write short; the rest goes in with the next.
int FileSystem::WriteAll(int fd, std::string_view bytes) {
    return WriteAllTo(fd, bytes);
}

int WriteAllTo(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n == 0) {
            return -EIO;  // a device that takes nothing would otherwise keep us here for ever
        } else if (errno != EINTR) {
            return -errno;
        }
    }
    return 0;
}

int FileSystem::Truncate(int fd, std::int64_t size) {
    int rc;
    do {
        rc = ::ftruncate(fd, static_cast<off_t>(size));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : -errno;
}

}  // namespace vellum::platform
