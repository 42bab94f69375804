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

// Writes lines one write each, so that a failure knows where the last whole line ends. A line
// cut short by a full disk is taken off again: its md5 field would read back as a shorter,
// valid digest, and the row would later show as CHANGED although its file is as it was.
class LineWriter {
  public:
    explicit LineWriter(int fd) : fd_(fd) {}
    // 0, or the errno of the write that failed.
    int Write(std::string_view line) {
        if (const int code = WriteAll(fd_, line); code != 0) {
            // Fails on a target that is no regular file; nothing was kept there anyway.
            [[maybe_unused]] const int rc = ::ftruncate(fd_, whole_);
            return code;
        }
        whole_ += static_cast<off_t>(line.size());
        return 0;
    }

  private:
    int fd_;
    off_t whole_ = 0;
};

struct Written {
    int code = 0;              // errno of a failed write
    std::int32_t leftOut = 0;  // flagged rows the layout cannot hold
};

Written WriteFlaggedLines(int fd, const ListContext& ctx, ExportLayout layout) {
    LineWriter writer(fd);
    Written written;
    if (!ExportHeader(layout).empty()) written.code = writer.Write(ExportHeader(layout));
    for (std::int32_t i = 1; i < ctx.state.RowCount && written.code == 0; ++i) {
        const FileEntry& row = ctx.table[i];
        if (row.status != EntryStatus::FLAGGED) continue;
        const std::string line = ExportLine(row, layout);
        if (line.empty())
            ++written.leftOut;
        else
            written.code = writer.Write(line);
    }
    return written;
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

std::optional<std::string> LayoutRefusal(ExportLayout layout, const ListState& state) {
    if (layout == ExportLayout::Sfv && state.Crc32Variant != 1)
        return std::string(kSfvNeedsCommonCrc);
    return std::nullopt;
}

std::string LeftOutText(std::int32_t rows) {
    return std::to_string(rows) + (rows == 1 ? " flagged row was" : " flagged rows were") +
           " left out: this layout cannot hold " +
           (rows == 1 ? "its name or value" : "their names or values");
}

std::optional<std::string> ExportFlaggedList(const ListContext& ctx, const std::string& path,
                                             int filterIndex) {
    const ExportLayout layout = LayoutForFilterIndex(filterIndex);
    if (auto refusal = LayoutRefusal(layout, ctx.state)) return refusal;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return IoErrorText(errno);
    Written written = WriteFlaggedLines(fd, ctx, layout);
    // Network and quota-checked file systems may report a failed write only here.
    if (::close(fd) != 0 && written.code == 0) written.code = errno;
    if (written.code != 0) return IoErrorText(written.code);
    if (written.leftOut > 0) return LeftOutText(written.leftOut);
    return std::nullopt;
}

}  // namespace vellum
