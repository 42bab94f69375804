#include "filelist/identical_runs.h"

#include "filelist/list_context.h"

namespace vellum {

std::optional<platform::FileIdentity> IdentityOf(ListContext& ctx, const FileEntry& row) {
    return ctx.fs->Identity(std::string(row.path.view()));
}

bool SameFile(const FileEntry& a, const std::optional<platform::FileIdentity>& ia,
              const FileEntry& b, const std::optional<platform::FileIdentity>& ib) {
    return a.path == b.path || (ia && ib && *ia == *ib);
}

bool SameFile(ListContext& ctx, const FileEntry& a, const FileEntry& b) {
    if (a.path == b.path) return true;
    const auto ia = IdentityOf(ctx, a);
    return ia && SameFile(a, ia, b, IdentityOf(ctx, b));
}

void ForEachIdenticalRun(ListContext& ctx,
                         const std::function<void(std::int32_t first, std::int32_t last)>& visit) {
    std::int32_t first = 1;
    for (std::int32_t i = 2; i <= ctx.state.RowCount; ++i) {
        if (i < ctx.state.RowCount) {
            const FileEntry& a = ctx.table[i - 1];
            const FileEntry& b = ctx.table[i];
            if (ValuesCalculated(a.status) && ValuesCalculated(b.status) &&
                IdenticalValues(a, b, ctx.calculate.digests))
                continue;
        }
        if (i - 1 > first) visit(first, i - 1);
        first = i;
    }
}

KeptCopy FirstKeepable(ListContext& ctx, std::int32_t first, std::int32_t last, Keepable keepable) {
    for (std::int32_t k = first; k <= last; ++k) {
        const EntryStatus status = ctx.table[k].status;
        if (status == EntryStatus::DELETED) continue;
        if (keepable == Keepable::UnflaggedInPlace && status == EntryStatus::FLAGGED) continue;
        if (const auto identity = IdentityOf(ctx, ctx.table[k])) return {k, *identity};
    }
    return {};
}

bool NamesKeptFile(ListContext& ctx, const FileEntry& row, const KeptCopy& kept) {
    return row.path == ctx.table[kept.row].path || IdentityOf(ctx, row) == kept.identity;
}

}  // namespace vellum
