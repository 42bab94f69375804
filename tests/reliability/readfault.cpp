// An LD_PRELOAD shim for vellum-cli: it makes one chosen file misbehave at an exact byte, the
// way failing disks and busy folders do, and it writes down every way the program touches a
// file that it must not touch.
//
// Set in the environment:
//   VELLUM_FAULT_PATH   the path, as the program passes it to open, of the file to upset
//   VELLUM_FAULT_AFTER  bytes that read and pread deliver from each descriptor of it first
//   VELLUM_FAULT_MODE   what happens at that byte:
//                         eio      every later read fails with EIO
//                         eof      every later read returns 0, as if the file ended there
//                         grow     VELLUM_FAULT_BYTES more bytes are appended to the file
//                         shrink   the file is cut to VELLUM_FAULT_BYTES bytes
//                         replace  the file VELLUM_FAULT_WITH is renamed over the path
//                         vanish   (no byte needed) the path is removed when the first
//                                  descriptor of it is closed
//   VELLUM_FAULT_LOG    a file that gets one line per misdeed: "read-special PATH" for a read
//                       from something that is not a regular file, "blocking-open PATH" for
//                       an open of a FIFO or device without O_NONBLOCK, "mmap PATH" for a
//                       mapping of a file.
// Everything else passes straight through.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxTracked = 4096;

struct Tracked {
    bool used;
    bool special;  // not a regular file
    bool watched;  // the file to upset
    long long delivered;
    char path[512];
};

Tracked g_fds[kMaxTracked];
bool g_fired = false;
bool g_closedOnce = false;

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using ReadFn = ssize_t (*)(int, void*, size_t);
using PreadFn = ssize_t (*)(int, void*, size_t, off_t);
using CloseFn = int (*)(int);
using MmapFn = void* (*)(void*, size_t, int, int, int, off_t);

template <typename Fn>
Fn Next(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

const char* Env(const char* name) {
    const char* value = getenv(name);
    return value != nullptr ? value : "";
}

long long EnvNumber(const char* name) {
    return atoll(Env(name));
}

bool Mode(const char* mode) {
    return strcmp(Env("VELLUM_FAULT_MODE"), mode) == 0;
}

void Log(const char* what, const char* path) {
    const char* log = getenv("VELLUM_FAULT_LOG");
    if (log == nullptr || *log == '\0') return;
    static const OpenFn real_open = Next<OpenFn>("open");
    const int fd = real_open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    char line[640];
    const int n = snprintf(line, sizeof line, "%s %s\n", what, path);
    if (n > 0) {
        const ssize_t ignored = write(fd, line, static_cast<size_t>(n));
        (void)ignored;
    }
    static const CloseFn real_close = Next<CloseFn>("close");
    real_close(fd);
}

Tracked* Find(int fd) {
    if (fd < 0 || fd >= kMaxTracked || !g_fds[fd].used) return nullptr;
    return &g_fds[fd];
}

// Opening a FIFO without O_NONBLOCK blocks until a writer comes; such an open is written down
// and made non-blocking, so that the test fails instead of hanging.
int GuardFlags(const char* path, int flags) {
    struct stat st {};
    if (stat(path, &st) != 0) return flags;
    if ((S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) &&
        (flags & O_NONBLOCK) == 0) {
        Log("blocking-open", path);
        return flags | O_NONBLOCK;
    }
    return flags;
}

void Track(int fd, const char* path) {
    if (fd < 0 || fd >= kMaxTracked) return;
    Tracked& t = g_fds[fd];
    struct stat st {};
    t.used = true;
    t.special = fstat(fd, &st) == 0 && !S_ISREG(st.st_mode);
    t.watched = strcmp(path, Env("VELLUM_FAULT_PATH")) == 0;
    t.delivered = 0;
    snprintf(t.path, sizeof t.path, "%s", path);
}

void Fire(const char* path) {
    g_fired = true;
    const long long bytes = EnvNumber("VELLUM_FAULT_BYTES");
    if (Mode("shrink")) {
        if (truncate(path, bytes) != 0) Log("fault-failed", path);
    } else if (Mode("grow")) {
        static const OpenFn real_open = Next<OpenFn>("open");
        const int fd = real_open(path, O_WRONLY | O_APPEND | O_CLOEXEC);
        char block[4096];
        for (size_t k = 0; k < sizeof block; ++k) block[k] = static_cast<char>(k * 7 + 3);
        for (long long left = bytes; fd >= 0 && left > 0;) {
            const size_t part = left < 4096 ? static_cast<size_t>(left) : sizeof block;
            if (write(fd, block, part) != static_cast<ssize_t>(part)) break;
            left -= static_cast<long long>(part);
        }
        if (fd >= 0) Next<CloseFn>("close")(fd);
    } else if (Mode("replace")) {
        if (rename(Env("VELLUM_FAULT_WITH"), path) != 0) Log("fault-failed", path);
    }
}

// How many of count bytes a read of t may deliver, or -1 with errno set for a failing read.
long long Allowed(Tracked& t, size_t count) {
    const long long after = EnvNumber("VELLUM_FAULT_AFTER");
    const long long wanted = static_cast<long long>(count);
    const bool stops = Mode("eio") || Mode("eof");
    if (stops && t.delivered >= after) {
        if (Mode("eof")) return 0;
        errno = EIO;
        return -1;
    }
    if ((stops || !g_fired) && t.delivered < after && t.delivered + wanted > after)
        return after - t.delivered;
    return wanted;
}

template <typename Reader>
ssize_t Deliver(int fd, size_t count, Reader reader) {
    Tracked* t = Find(fd);
    if (t != nullptr && t->special) Log("read-special", t->path);
    if (t == nullptr || !t->watched || Mode("vanish")) return reader(count);
    // A change fires as soon as the byte is reached: before the first read when it is 0.
    const bool changes = Mode("grow") || Mode("shrink") || Mode("replace");
    const auto fireIfDue = [&] {
        if (changes && !g_fired && t->delivered >= EnvNumber("VELLUM_FAULT_AFTER")) Fire(t->path);
    };
    fireIfDue();
    const long long allowed = Allowed(*t, count);
    if (allowed < 0) return -1;
    if (allowed == 0 && count > 0) return 0;
    const ssize_t got = reader(static_cast<size_t>(allowed));
    if (got > 0) t->delivered += got;
    fireIfDue();
    return got;
}

int OpenMode(int flags, va_list args) {
    const bool takesMode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return takesMode ? va_arg(args, int) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    static const OpenFn real = Next<OpenFn>("open");
    va_list args;
    va_start(args, flags);
    const int mode = OpenMode(flags, args);
    va_end(args);
    const int fd = real(path, GuardFlags(path, flags), mode);
    Track(fd, path);
    return fd;
}

int open64(const char* path, int flags, ...) {
    static const OpenFn real = Next<OpenFn>("open64");
    va_list args;
    va_start(args, flags);
    const int mode = OpenMode(flags, args);
    va_end(args);
    const int fd = real(path, GuardFlags(path, flags), mode);
    Track(fd, path);
    return fd;
}

int openat(int dir, const char* path, int flags, ...) {
    static const OpenAtFn real = Next<OpenAtFn>("openat");
    va_list args;
    va_start(args, flags);
    const int mode = OpenMode(flags, args);
    va_end(args);
    const int fd = real(dir, path, flags, mode);
    Track(fd, path);
    return fd;
}

int openat64(int dir, const char* path, int flags, ...) {
    static const OpenAtFn real = Next<OpenAtFn>("openat64");
    va_list args;
    va_start(args, flags);
    const int mode = OpenMode(flags, args);
    va_end(args);
    const int fd = real(dir, path, flags, mode);
    Track(fd, path);
    return fd;
}

ssize_t read(int fd, void* buffer, size_t count) {
    static const ReadFn real = Next<ReadFn>("read");
    return Deliver(fd, count, [&](size_t n) { return real(fd, buffer, n); });
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    static const PreadFn real = Next<PreadFn>("pread");
    return Deliver(fd, count, [&](size_t n) { return real(fd, buffer, n, offset); });
}

ssize_t pread64(int fd, void* buffer, size_t count, off_t offset) {
    static const PreadFn real = Next<PreadFn>("pread64");
    return Deliver(fd, count, [&](size_t n) { return real(fd, buffer, n, offset); });
}

int close(int fd) {
    static const CloseFn real = Next<CloseFn>("close");
    Tracked* t = Find(fd);
    char vanishing[512] = "";
    if (t != nullptr) {
        if (t->watched && Mode("vanish") && !g_closedOnce) {
            g_closedOnce = true;
            snprintf(vanishing, sizeof vanishing, "%s", t->path);
        }
        t->used = false;
    }
    const int rc = real(fd);
    if (vanishing[0] != '\0' && unlink(vanishing) != 0) Log("fault-failed", vanishing);
    return rc;
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) noexcept {
    static const MmapFn real = Next<MmapFn>("mmap");
    if (const Tracked* t = Find(fd)) Log("mmap", t->path);
    return real(address, length, protection, flags, fd, offset);
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd,
             off_t offset) noexcept {
    static const MmapFn real = Next<MmapFn>("mmap64");
    if (const Tracked* t = Find(fd)) Log("mmap", t->path);
    return real(address, length, protection, flags, fd, offset);
}

}  // extern "C"
