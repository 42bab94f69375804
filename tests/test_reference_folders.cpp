// Flag Identicals Outside Folder: what lies inside a reference folder (links, trailing slashes,
// names that only begin alike), and that only runs with a copy kept inside are touched.
#include <gtest/gtest.h>
#include <unistd.h>

#include "filelist/list_context.h"
#include "filelist/reference_folders.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;

FileEntry Valued(const std::string& path, S status) {
    FileEntry e = test::Row(path, status, 4);
    e.md5.bytes[0] = 0x42;
    return e;
}

struct Tree {
    Tree() {
        ref = dir.Write("ref/a", "same");
        below = dir.Write("ref/sub/b", "same");
        out = dir.Write("out/c", "same");
        other = dir.Write("out/e", "same");
        sibling = dir.Write("refx/d", "same");  // a name that only begins like the folder's
        EXPECT_EQ(symlink((dir / "ref").c_str(), (dir / "via").c_str()), 0);
        EXPECT_EQ(symlink(ref.c_str(), (dir / "out/to-kept").c_str()), 0);
        EXPECT_EQ(symlink(out.c_str(), (dir / "ref/to-out").c_str()), 0);
    }
    test::TempDir dir;
    std::string ref, below, out, other, sibling;
};

std::vector<S> Flag(const std::vector<std::pair<std::string, S>>& rows,
                    const std::vector<std::string>& folders, int* passes = nullptr) {
    ListContext ctx;
    test::CountingPass pass(ctx);
    for (const auto& [path, status] : rows) (void)AppendRow(ctx, Valued(path, status));
    FlagIdenticalsOutside(ctx, folders);
    if (passes != nullptr) *passes = pass.count;
    return test::Statuses(ctx);
}

TEST(FlagIdenticalsOutside, FlagsOnlyCopiesOutsideInRunsThatKeepOneInside) {
    const Tree t;
    const std::string folder = t.dir / "ref";
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, S>> rows;
        std::vector<S> want;
    };
    const Case cases[] = {
        {"copies outside are flagged, those inside unflagged",
         {{t.out, S::OKAY}, {t.ref, S::FLAGGED}, {t.below, S::OKAY}, {t.other, S::OKAY}},
         {S::FLAGGED, S::OKAY, S::OKAY, S::FLAGGED}},
        {"a folder whose name only begins like it is outside",
         {{t.sibling, S::OKAY}, {t.ref, S::OKAY}},
         {S::FLAGGED, S::OKAY}},
        {"a run with no copy inside is left as it is",
         {{t.out, S::OKAY}, {t.sibling, S::FLAGGED}},
         {S::OKAY, S::FLAGGED}},
        {"a copy inside in the trash keeps nothing",
         {{t.ref, S::DELETED}, {t.out, S::OKAY}},
         {S::DELETED, S::OKAY}},
        {"a copy inside that is gone keeps nothing",
         {{t.dir / "ref/gone", S::OKAY}, {t.out, S::OKAY}},
         {S::OKAY, S::OKAY}},
        {"a row reached through a link to the folder is inside",
         {{t.dir / "via/sub/b", S::OKAY}, {t.out, S::OKAY}},
         {S::OKAY, S::FLAGGED}},
        {"a link outside to a kept file names that file",
         {{t.dir / "out/to-kept", S::FLAGGED}, {t.ref, S::OKAY}, {t.out, S::OKAY}},
         {S::OKAY, S::OKAY, S::FLAGGED}},
        {"a link inside keeps the file outside it leads to",
         {{t.out, S::FLAGGED}, {t.dir / "ref/to-out", S::OKAY}, {t.other, S::OKAY}},
         {S::OKAY, S::OKAY, S::FLAGGED}},
    };
    for (const Case& c : cases) {
        int passes = 0;
        EXPECT_EQ(Flag(c.rows, {folder}, &passes), c.want) << c.what;
        EXPECT_EQ(passes, 1) << c.what;
    }
}

TEST(FlagIdenticalsOutside, TheFolderMeansTheSameHoweverItIsWritten) {
    const Tree t;
    const std::vector<std::pair<std::string, S>> rows = {
        {t.out, S::OKAY}, {t.ref, S::OKAY}, {t.sibling, S::OKAY}};
    const std::vector<S> want = {S::FLAGGED, S::OKAY, S::FLAGGED};
    for (const std::string& folder :
         {t.dir / "ref", t.dir / "ref/", t.dir / "ref//", t.dir / "via", t.dir / "out/../ref"})
        EXPECT_EQ(Flag(rows, {folder}), want) << folder;
    // The root holds everything; a folder that is gone holds nothing.
    EXPECT_EQ(Flag(rows, {"/"}), std::vector<S>(3, S::OKAY));
    EXPECT_EQ(Flag(rows, {t.dir / "nowhere"}), std::vector<S>(3, S::OKAY));
    // Several folders: a copy in either is kept.
    EXPECT_EQ(Flag(rows, {t.dir / "ref", t.dir / "refx"}),
              (std::vector<S>{S::FLAGGED, S::OKAY, S::OKAY}));
}

}  // namespace
}  // namespace vellum
