// SortRows against the quicksort on whole rows, for every pair of keys: the keys it sorts by
// stand in for the rows exactly, ties and their order included, however names share prefixes,
// differ in case, run past the bytes a key keeps (by a little or by hundreds of bytes), or hold
// high bytes and NULs, and however digests are held or agree past their first bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "tests/support/reference_sort.h"
#include "tests/support/rows.h"

namespace vellum {
namespace {

using test::ReferenceSort;

bool SameRow(const FileEntry& a, const FileEntry& b) {
    return a.path == b.path && a.size == b.size && a.crc16 == b.crc16 && a.crc32 == b.crc32 &&
           a.xsum == b.xsum && a.md5 == b.md5 && a.status == b.status && a.band == b.band &&
           DigestsAgree(a, b, a.digests.mask()) && a.digests.mask() == b.digests.mask();
}

// Few distinct values per column, so that both keys tie often; folders that every row shares
// or that differ only in case; names that agree for 20 to 30 bytes, the region where a key
// stops keeping bytes.
FileEntry RandomRow(std::mt19937& rng, const std::string& folder) {
    static const std::string kBases[] = {"",
                                         "a",
                                         "IMG_2019_summer_holiday_",
                                         "img_2019_SUMMER_HOLIDAY_",
                                         "img_2019_summer_holiday_0001",
                                         "report"};
    static const std::string kTails[] = {
        "",     "1",    "1.jpg", "_",     std::string("\0x", 2), std::string(1, '\0'),
        "\xe9", "\x7f", "z",     "Z.JPG", std::string(300, 'q'), std::string(256, 'q')};
    static const std::string kFolders[] = {"/x/", "/X/", "/data/Photos/", "/data/photos/", ""};
    const auto pick = [&](const auto& pool) { return pool[rng() % std::size(pool)]; };
    const std::string dir = folder.empty() ? pick(kFolders) : folder;
    FileEntry e =
        test::Row(dir + pick(kBases) + pick(kTails) + pick(kTails),
                  static_cast<EntryStatus>(rng() % 9), static_cast<std::int64_t>(rng() % 4) - 1);
    e.crc16 = static_cast<std::uint16_t>(rng() % 3 ? 7 : 0xFFFF);
    e.crc32 = rng() % 2 ? 0x80000000u : 0x7FFFFFFFu;
    e.xsum = static_cast<std::uint16_t>(rng() % 3);
    e.md5.bytes[rng() % 2 ? 0 : 15] = static_cast<std::uint8_t>(rng() % 2 ? 0x80 : 0x7F);
    e.band = static_cast<EntryBand>(rng() % 5);
    // Digests held or not, of few values that agree on their first 16 bytes or on all but one.
    for (const DigestKind kind : {DigestKind::Sha256, DigestKind::Blake2b}) {
        if (rng() % 3 == 0) continue;
        DigestValue d;
        d.size = static_cast<std::uint8_t>(InfoOf(kind).bytes);
        d.bytes[rng() % 2 ? 0 : d.size - 1] = static_cast<std::uint8_t>(rng() % 2 ? 0x80 : 0x7F);
        e.digests.set(kind, d);
    }
    return e;
}

TEST(SortOrder, EveryPairOfKeysGivesTheWholeRowQuicksortsOrder) {
    std::mt19937 rng(7);
    const std::string sharedFolder = "/home/someone/a folder that every row shares/";
    for (int round = 0; round < 1500; ++round) {
        const int n = 1 + static_cast<int>(rng() % 120);
        const std::string folder = round % 3 == 0 ? sharedFolder : std::string();
        ListContext ctx;
        SizeFileTable(ctx);
        std::vector<FileEntry> ref(1);
        for (int k = 0; k < n; ++k) {
            const FileEntry e = RandomRow(rng, folder);
            (void)AppendRow(ctx, e);
            ref.push_back(e);
        }
        const auto column = [&] {
            return static_cast<std::int32_t>(rng() % (kSortColumnCount + 2)) - 1;
        };
        ctx.sort = SortState{.PrimaryColumn = column(),
                             .SecondaryColumn = column(),
                             .PrimaryDescending = rng() % 2 == 1,
                             .SecondaryDescending = rng() % 2 == 1,
                             .FileNameOnly = rng() % 3 == 0};
        // Now and then a range inside the list, with rows outside it to stay where they are.
        const int first = round % 5 == 0 && n > 2 ? 2 : 1;
        const int last = round % 5 == 0 && n > 2 ? n - 1 : n;
        SortRows(ctx, first, last);
        ReferenceSort(ref, first, last, ctx.sort);
        for (int i = 1; i <= n; ++i) {
            ASSERT_TRUE(SameRow(ctx.table[i], ref[i]))
                << "round " << round << ", row " << i << ": " << ctx.table[i].path.view()
                << " where " << ref[i].path.view() << " belongs; keys " << ctx.sort.PrimaryColumn
                << "/" << ctx.sort.SecondaryColumn;
        }
    }
}

}  // namespace
}  // namespace vellum
