// Writing the FLAGGED rows to a list file.
#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "interchange/export_line.h"
#include "interchange/list_file.h"
#include "platform/error_text.h"

namespace vellum {
namespace {

// Writes lines one write each, so that a failure knows where the last whole line ends. A line
// cut short by a full disk is taken off again: its md5 field would read back as a shorter,
// valid digest, and the row would later show as CHANGED although its file is as it was.
class LineWriter {
  public:
    LineWriter(platform::FileSystem& files, int fd) : files_(files), fd_(fd) {}
    // 0, or the errno of the write that failed.
    int Write(std::string_view line) {
        if (const int rc = files_.WriteAll(fd_, line); rc != 0) {
            // Fails on a target that is no regular file; nothing was kept there anyway.
            (void)files_.Truncate(fd_, whole_);
            return -rc;
        }
        whole_ += static_cast<std::int64_t>(line.size());
        return 0;
    }

  private:
    platform::FileSystem& files_;
    int fd_;
    std::int64_t whole_ = 0;
};

struct Written {
    int code = 0;              // errno of a failed write
    std::int32_t leftOut = 0;  // flagged rows the layout cannot hold
};

Written WriteFlaggedLines(int fd, const ListContext& ctx, ExportLayout layout) {
    LineWriter writer(*ctx.fs, fd);
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

std::optional<std::string> LayoutRefusal(ExportLayout layout, const ListState& state) {
    if (layout == ExportLayout::Sfv && state.Crc32Variant != 1)
        return std::string(kSfvNeedsCommonCrc);
    return std::nullopt;
}

std::string LeftOutText(std::int32_t rows) {
    return Counted(rows, "flagged row") + (rows == 1 ? " was" : " were") +
           " left out: this layout cannot hold " +
           (rows == 1 ? "its name or value" : "their names or values");
}

std::optional<std::string> ExportFlaggedList(const ListContext& ctx, const std::string& path,
                                             int filterIndex) {
    const ExportLayout layout = LayoutForFilterIndex(filterIndex, ctx.calculate.digests);
    if (auto refusal = LayoutRefusal(layout, ctx.state)) return refusal;
    const int fd = ctx.fs->CreateForWriting(path);
    if (fd < 0) return platform::AboutFile(path, platform::IoErrorText(-fd));
    Written written = WriteFlaggedLines(fd, ctx, layout);
    // Network and quota-checked file systems may report a failed write only here.
    if (const int rc = ctx.fs->Close(fd); rc != 0 && written.code == 0) written.code = -rc;
    if (written.code != 0) return platform::AboutFile(path, platform::IoErrorText(written.code));
    if (written.leftOut > 0) return LeftOutText(written.leftOut);
    return std::nullopt;
}

}  // namespace vellum
