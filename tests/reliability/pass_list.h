// The list the fault tests run: sized as at start-up, with a real pass, a host that records what
// it is shown and the file system the test names; and its rows as text, so that a whole list is
// compared at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "filelist/adding.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"

namespace vellum::test {

struct PassList {
    explicit PassList(platform::FileSystem* files = &platform::RealFileSystem()) {
        ctx.fs = files;
        ctx.host = &host;
    }
    std::int32_t Add(const std::string& path, EntryStatus status = EntryStatus::WAITING) {
        return AppendRow(ctx, Row(path, status));
    }
    ListContext ctx;
    RecordingHost host;
    ListPass pass{ctx};
    AddProgress progress;
};

// "status/band path" and a line break, the status and band as numbers.
inline std::string RowLine(EntryStatus status, EntryBand band, std::string_view path) {
    return std::to_string(static_cast<int>(status)) + "/" + std::to_string(static_cast<int>(band)) +
           " " + std::string(path) + "\n";
}

inline std::string RowLines(const ListContext& ctx) {
    std::string out;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        out += RowLine(ctx.table[i].status, ctx.table[i].band, ctx.table[i].path.view());
    return out;
}

// One digit a row: its status.
inline std::string StatusDigits(const ListContext& ctx) {
    std::string digits;
    for (const EntryStatus s : Statuses(ctx)) digits += std::to_string(static_cast<int>(s));
    return digits;
}

}  // namespace vellum::test
