#include "app/cli_host.h"

#include <unistd.h>

#include <string>

#include "app/cli_text.h"
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
    pass.setFailedFiles(FailedFiles::TryOnce);
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
    Say(OneLine(text));
}

void CliHost::StatusPosted(std::string_view text) {
    // A posted message names its file as it is: kept on one line here.
    Say(OneLine(text));
}

}  // namespace vellum::cli
