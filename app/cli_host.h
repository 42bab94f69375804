// The list pass's host on a terminal: posted messages and errors go to standard error, and an
// optional one-line progress display is redrawn at the pass's refreshes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/cli_options.h"
#include "filelist/list_context.h"
#include "filelist/list_host.h"
#include "pass/list_pass.h"

namespace vellum::cli {

class CliHost final : public ListHost {
  public:
    CliHost(const ListContext& ctx, const ListPass& pass, bool progress, std::FILE* err);

    void ShowStatus() override;
    void ShowError(std::string_view text) override;
    void StatusPosted(std::string_view text) override;
    // Clears the progress line before other output.
    void EndProgress();
    // One line on standard error, after the progress line is cleared.
    void Say(std::string_view text);

  private:
    const ListContext& ctx_;
    const ListPass& pass_;
    bool progress_;
    std::FILE* err_;
    std::int64_t startMs_;
    bool lineShown_ = false;
};

// The list, its pass and the terminal host, set up from the options: what every mode of
// vellum-cli runs on. Its pass tries every file once: a file that fails is told of, stays
// CALCING and is not taken up again by the passes the commands end with.
struct CliSession {
    explicit CliSession(const Options& options);

    ListContext ctx;
    ListPass pass{ctx};
    CliHost host;
};

}  // namespace vellum::cli
