// Rows and contexts for the core's tests: build a list in a few lines and read it back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/list_context.h"

namespace vellum::test {

inline FileEntry Row(std::string_view path, EntryStatus status = EntryStatus::OKAY,
                     std::int64_t size = 0) {
    FileEntry e;
    e.path.assign(path);
    e.status = status;
    e.size = size;
    return e;
}

// Appends rows in order; the context must have room (the default limit does).
inline void Fill(ListContext& ctx, const std::vector<FileEntry>& rows) {
    for (const FileEntry& r : rows) (void)AppendRow(ctx, r);
}

inline std::vector<std::string> Paths(const ListContext& ctx) {
    std::vector<std::string> out;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        out.emplace_back(ctx.table[i].path.view());
    return out;
}

inline std::vector<EntryStatus> Statuses(const ListContext& ctx) {
    std::vector<EntryStatus> out;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i) out.push_back(ctx.table[i].status);
    return out;
}

// Counts the passes the commands ask for, without calculating anything.
class CountingPass final : public PassRunner {
  public:
    explicit CountingPass(ListContext& ctx) { ctx.pass = this; }
    void RunPass() override { ++count; }
    int count = 0;
};

}  // namespace vellum::test
