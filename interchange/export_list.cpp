// Writing the FLAGGED rows to a list file, and the run-time wording of file errors.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "filelist/list_context.h"
#include "interchange/export_line.h"
#include "interchange/list_file.h"

namespace vellum {
namespace {

// 0, or the errno of the write that failed. Short writes go on where they stopped.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n == 0) {
            return EIO;  // a device that takes nothing would otherwise keep us here for ever
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// One write per line, so that a failure knows where the last whole line ends. A line cut
// short by a full disk is taken off again: its md5 field would read back as a shorter, valid
// digest, and the row would later show as CHANGED although its file is as it was.
int WriteFlaggedLines(int fd, const ListContext& ctx, ExportLayout layout) {
    off_t whole = 0;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
        const FileEntry& row = ctx.table[i];
        if (row.status != EntryStatus::FLAGGED) continue;
        const std::string line = ExportLine(row, layout);
        if (const int code = WriteAll(fd, line); code != 0) {
            // Fails on a target that is no regular file; nothing was kept there anyway.
            [[maybe_unused]] const int rc = ::ftruncate(fd, whole);
            return code;
        }
        whole += static_cast<off_t>(line.size());
    }
    return 0;
}

}  // namespace

std::string IoErrorText(int code) {
    switch (code) {
        case EACCES:
        case EPERM:
        case EROFS:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
            return "Disk full";
        case ENOENT:
            return "File not found";
        default:
            return "I/O error " + std::to_string(code);
    }
}

std::optional<std::string> ExportFlaggedList(const ListContext& ctx, const std::string& path,
                                             int filterIndex) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return IoErrorText(errno);
    int code = WriteFlaggedLines(fd, ctx, LayoutForFilterIndex(filterIndex));
    // Network and quota-checked file systems may report a failed write only here.
    if (::close(fd) != 0 && code == 0) code = errno;
    if (code != 0) return IoErrorText(code);
    return std::nullopt;
}

}  // namespace vellum
