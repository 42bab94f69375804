// Choosing the digests a list shows: which rows are read again for them.
#include <gtest/gtest.h>

#include <span>

#include "filelist/list_context.h"
#include "filelist/shown_digests.h"
#include "pass/list_pass.h"
#include "tests/support/digest_of.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

// A row that holds the digest already is not read again: its stored value, set apart from the
// file's, stays. Every other row whose file was read comes to hold it; a deleted one does not.
TEST(ShowDigests, RowsThatLackAShownDigestAreReadAgain) {
    test::TempDir dir;
    ListContext ctx;
    ListPass pass(ctx);
    for (const char* name : {"okay", "flagged", "deleted", "holds"})
        (void)AppendRow(ctx, test::Row(dir.Write(name, "content"), EntryStatus::WAITING));
    ctx.RunPass();
    ctx.table[2].status = EntryStatus::FLAGGED;
    ctx.table[3].status = EntryStatus::DELETED;
    const auto digest = [](std::string_view text) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
        return test::DigestOf(DigestKind::Sha256, std::span(data, text.size()));
    };
    ctx.table[4].digests.set(DigestKind::Sha256, digest("kept"));

    ShowDigests(ctx, MaskOf(DigestKind::Sha256));
    EXPECT_EQ(ctx.calculate.digests, MaskOf(DigestKind::Sha256));
    EXPECT_EQ(test::Statuses(ctx),
              (std::vector<EntryStatus>{EntryStatus::OKAY, EntryStatus::OKAY, EntryStatus::DELETED,
                                        EntryStatus::OKAY}));
    EXPECT_EQ(ctx.table[1].digests.get(DigestKind::Sha256), digest("content"));
    EXPECT_EQ(ctx.table[2].digests.get(DigestKind::Sha256), digest("content"));
    EXPECT_FALSE(ctx.table[3].digests.holds(DigestKind::Sha256));
    EXPECT_EQ(ctx.table[4].digests.get(DigestKind::Sha256), digest("kept"));
}

}  // namespace
}  // namespace vellum
