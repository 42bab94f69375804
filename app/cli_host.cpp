#include "app/cli_host.h"

#include <unistd.h>

#include <string>
#include <vector>

#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "platform/clock.h"

namespace vellum::cli {

CliHost::CliHost(const ListContext& ctx, const ListPass& pass, bool progress, std::FILE* err)
    : ctx_(ctx),
      pass_(pass),
      progress_(progress),
      err_(err),
      startMs_(platform::LocalMilliseconds()) {}

CliSession::CliSession(const Options& options)
    : host(ctx, pass, options.progress.value_or(isatty(STDERR_FILENO) == 1), stderr) {
    ctx.state.Crc16Variant = options.variants.Crc16Variant;
    ctx.state.Crc32Variant = options.variants.Crc32Variant;
    ctx.host = &host;
}

namespace {

bool SomeRowWaits(const ListContext& ctx) {
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
        const EntryStatus s = ctx.table[i].status;
        if (s == EntryStatus::WAITING || s == EntryStatus::RECHECK) return true;
    }
    return false;
}

}  // namespace

void CliSession::CalculateAll() {
    // A read error ends a pass. In the window the user runs the next one; here nobody would,
    // and every file after the bad one would go unread and unreported. So the rows that could
    // not be read sit out the next pass (as INVALID, which no pass takes up), until none waits.
    ctx.updatefilez();
    std::vector<std::int32_t> failed;
    while (SomeRowWaits(ctx)) {
        const std::size_t before = failed.size();
        for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) {
            if (ctx.table[i].status != EntryStatus::CALCING) continue;
            failed.push_back(i);
            ctx.table[i].status = EntryStatus::INVALID;
        }
        if (failed.size() == before) break;  // a pass that ended without an error: halted
        ctx.updatefilez();
    }
    // A pass moves no row, so the numbers still hold.
    for (const std::int32_t i : failed) ctx.table[i].status = EntryStatus::CALCING;
}

void CliHost::ShowStatus() {
    if (!progress_ || !ctx_.state.Processing || pass_.currentRow() < 1) return;
    // Rows before the current one are done; count their bytes and add the file being read.
    const std::int32_t current = pass_.currentRow();
    std::int64_t bytes = pass_.bytesRead();
    for (std::int32_t i = 1; i < current; ++i) {
        const FileEntry& row = ctx_.table[i];
        if (ValuesCalculated(row.status)) bytes += row.size;
    }
    const double seconds = static_cast<double>(platform::LocalMilliseconds() - startMs_) / 1000.0;
    const double rate = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    const std::string files = Counted(ctx_.state.RowCount - 1, "file");
    const std::string read = Counted(bytes, "byte", FormatThousands(bytes, ","));
    std::fprintf(err_, "\r%d of %s, %s, %.1f MB/s\033[K", current - 1, files.c_str(), read.c_str(),
                 rate);
    std::fflush(err_);
    lineShown_ = true;
}

void CliHost::EndProgress() {
    if (!lineShown_) return;
    std::fputs("\r\033[K", err_);
    lineShown_ = false;
}

void CliHost::Say(std::string_view text) {
    EndProgress();
    std::fwrite(text.data(), 1, text.size(), err_);
    std::fputc('\n', err_);
    std::fflush(err_);
}

void CliHost::ShowError(std::string_view text) {
    Say(text);
}

void CliHost::StatusPosted(std::string_view text) {
    Say(text);
}

}  // namespace vellum::cli
