// Reading a list file back into the list: every line the reader makes a row of is queued for
// verification, and the lines it could not read are counted for one message.
#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "interchange/list_file.h"
#include "platform/error_text.h"

namespace vellum {
namespace {

std::string UnreadableText(const ImportCounts& counts, std::string_view subject) {
    const std::string first = std::to_string(counts.firstUnreadable);
    if (counts.unreadable == 1)
        return "line " + first + " of " + std::string(subject) + " could not be read";
    return Counted(counts.unreadable, "line") + " of " + std::string(subject) +
           " could not be read (the first is line " + first + ")";
}

}  // namespace

std::optional<std::string> ImportNotice(const ImportCounts& counts, std::string_view listPath) {
    std::string notice;
    const auto add = [&](const std::string& part) {
        notice += (notice.empty() ? "" : "; ") + part;
    };
    if (counts.usable == 0) add(std::string(listPath) + " holds no usable line");
    if (counts.unreadable > 0) add(UnreadableText(counts, counts.usable == 0 ? "it" : listPath));
    if (counts.sfvRefused > 0)
        add("SFV holds the CRC-32 of -crc32b, so " + Counted(counts.sfvRefused, "line") +
            " could not be checked under -crc32a");
    if (notice.empty()) return std::nullopt;
    return notice;
}

std::optional<std::string> ImportFileList(ListContext& ctx, const std::string& path,
                                          ImportCounts* counts) {
    platform::FileSystem& fs = *ctx.fs;
    const int fd = fs.OpenForReading(path);
    if (fd < 0) return platform::AboutFile(path, platform::IoErrorText(-fd));
    ListLineReader reader(fs, fd, RulesFor(path, ctx.state.Crc32Variant));
    ImportCounts counted;
    ListLine line;
    while (reader.Next(line)) {
        counted.Count(line);
        if (line.kind != ListLineKind::Row) continue;
        line.row.status = EntryStatus::RECHECK;
        line.row.band = EntryBand::IMPORTED;
        // A full table refuses the row silently, as every append does.
        (void)AppendRow(ctx, line.row);
    }
    // Every byte is in by now; a close error on a file only read changes nothing.
    (void)fs.Close(fd);
    if (counts) *counts = counted;
    // The line being read when the error came is the one named.
    if (const auto& error = reader.error())
        return platform::AboutLine(path, reader.linesRead() + 1, *error);
    return std::nullopt;
}

std::optional<std::string> ImportChosenList(ListContext& ctx,
                                            const std::optional<std::string>& chosen) {
    if (chosen) {
        ImportCounts counts;
        if (auto error = ImportFileList(ctx, *chosen, &counts)) return error;
        // The digests the rows hold are calculated to verify them, and shown beside them.
        ctx.calculate.digests |= counts.digests;
        if (const auto notice = ImportNotice(counts, *chosen))
            PostStatusMessage(ctx, *notice, "Bold", "Red", 5);
    }
    ctx.RunPass();
    return std::nullopt;
}

}  // namespace vellum
