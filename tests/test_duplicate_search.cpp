// The staged duplicate search: it keeps exactly the files that have an identical copy, with the
// values a whole read gives, whatever the sizes and wherever two files first differ; it reads
// of each file only what tells it apart, never its first block twice; and failures and a halt
// leave the rows as a pass would.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "pass/duplicate_search.h"
#include "pass/list_pass.h"
#include "tests/support/fake_files.h"
#include "tests/support/random_bytes.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
using test::RandomBytes;
constexpr std::int64_t B = kSearchBlock;

struct SearchRun {
    SearchRun() {
        ctx.fs = &fs;
        ctx.host = &host;
    }
    void Add(const std::string& path, std::int64_t size) {
        (void)AppendRow(ctx, test::Row(path, S::WAITING, size));
    }
    [[nodiscard]] std::set<std::string> Listed() const {
        const auto paths = test::Paths(ctx);
        return {paths.begin(), paths.end()};
    }
    ListContext ctx;
    test::FakeFiles fs;
    test::RecordingHost host;
    ListPass pass{ctx};
};

// Pairs of files of every kind of size, identical or differing at the start, in the middle or
// at the end; each file with the bytes the search may read of it.
TEST(DuplicateSearch, KeepsExactlyTheCopiesAndReadsOnlyWhatTellsThemApart) {
    test::TempDir dir;
    struct File {
        std::string name;
        std::string bytes;
        std::int64_t mostRead;  // at most this many bytes read of it
        bool kept;
    };
    std::vector<File> files;
    const auto pair = [&](const std::string& name, std::size_t size, std::int64_t at,
                          std::int64_t mostRead) {
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size + files.size()));
        std::string other = bytes;
        if (at >= 0) other[static_cast<std::size_t>(at)] ^= 1;
        files.push_back({name + ".a", bytes, mostRead, at < 0});
        files.push_back({name + ".b", other, mostRead, at < 0});
    };
    const std::size_t big = kSmallCandidate + 5 * B + 11;
    const std::size_t smallish = 5 * B + 11;
    pair("empty", 0, -1, 0);
    pair("small-same", 100, -1, 100);
    pair("small-differ", 100, 50, 100);
    pair("one-block-same", B, -1, B);
    pair("middle-size-same", B + 300, -1, B + 300);
    pair("middle-size-differ-late", B + 300, B + 200, B + 300);
    pair("first-block-differ", big, 7, B);
    pair("last-block-differ", big, static_cast<std::int64_t>(big) - 3, 2 * B);
    // A small file goes on to its end after its first block, in one read of it.
    pair("small-last-differ", smallish, static_cast<std::int64_t>(smallish) - 3,
         static_cast<std::int64_t>(smallish));
    pair("middle-differ", big, 2 * B + 1, static_cast<std::int64_t>(big) + B);
    pair("large-same", big, -1, static_cast<std::int64_t>(big) + B);
    files.push_back({"unique-size", RandomBytes(777, 1), 0, false});
    files.push_back(
        {"third-copy", files[files.size() - 2].bytes, static_cast<std::int64_t>(big) + B, true});

    SearchRun run;
    std::map<std::string, const File*> byPath;
    for (const File& f : files) {
        const std::string path = dir.Write(f.name, f.bytes);
        run.Add(path, static_cast<std::int64_t>(f.bytes.size()));
        byPath[path] = &f;
    }
    const SearchOutcome outcome = FindDuplicateRows(run.ctx, run.pass, 1);
    EXPECT_FALSE(outcome.halted);
    std::set<std::string> wanted;
    for (const auto& [path, f] : byPath)
        if (f->kept) wanted.insert(path);
    EXPECT_EQ(run.Listed(), wanted);
    for (std::int32_t i = 1; i < run.ctx.state.RowCount; ++i) {
        const FileEntry& row = run.ctx.table[i];
        const File& f = *byPath[std::string(row.path.view())];
        EXPECT_EQ(row.status, S::OKAY) << f.name;
        EXPECT_EQ(row.held, kHeldAll) << f.name;
        EXPECT_EQ(row.md5, DigestOfText(f.bytes)) << f.name;
        EXPECT_EQ(row.size, static_cast<std::int64_t>(f.bytes.size())) << f.name;
    }
    for (const auto& [path, f] : byPath) EXPECT_LE(run.fs.BytesRead(path), f->mostRead) << f->name;
}

// The values a stage goes on from are those of the whole file: the same five values as a pass
// that reads every file from its start, under every CRC variant.
TEST(DuplicateSearch, ValuesGoneOnFromTheFirstBlockAreThoseOfAWholeRead) {
    test::TempDir dir;
    const std::string bytes = RandomBytes(3 * B + 5, 9);
    const std::string a = dir.Write("a", bytes);
    const std::string b = dir.Write("b", bytes);
    for (const auto& [v16, v32] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2, 0}}) {
        SearchRun search, whole;
        for (SearchRun* run : {&search, &whole}) {
            run->ctx.state.Crc16Variant = static_cast<std::uint8_t>(v16);
            run->ctx.state.Crc32Variant = static_cast<std::uint8_t>(v32);
            run->Add(a, static_cast<std::int64_t>(bytes.size()));
            run->Add(b, static_cast<std::int64_t>(bytes.size()));
        }
        (void)FindDuplicateRows(search.ctx, search.pass, 1);
        whole.ctx.RunPass();
        for (std::int32_t i = 1; i <= 2; ++i)
            EXPECT_TRUE(FiveValuesEqual(search.ctx.table[i], whole.ctx.table[i])) << v16 << v32;
    }
}

// Rows before first are not looked at; a file gone is INVALID, one that cannot be opened stays
// CALCING with its message, as in the pass, and neither counts as a copy.
TEST(DuplicateSearch, FailuresStayAsThePassLeavesThemAndEarlierRowsAreLeftAlone) {
    test::TempDir dir;
    SearchRun run;
    const std::string earlier = dir.Write("earlier", "same");
    run.Add(earlier, 4);
    const std::string one = dir.Write("one", "same");
    const std::string refused = dir.Write("refused", "same");
    run.Add(one, 4);
    run.Add(refused, 4);
    run.Add(dir / "gone", 4);
    run.fs.Fail({test::FakeFiles::Call::Open, refused, EACCES});
    (void)FindDuplicateRows(run.ctx, run.pass, 2);
    EXPECT_EQ(test::Paths(run.ctx), (std::vector<std::string>{earlier, refused, dir / "gone"}));
    EXPECT_EQ(test::Statuses(run.ctx), (std::vector<S>{S::OKAY, S::CALCING, S::INVALID}));
    EXPECT_EQ(run.ctx.message.StatusMessage, refused + " failed");
}

// A file that leaves by its size alone is never read: one that could not have been read is
// told as the add tells a file it cannot open, and counted; its row goes with the other unique
// ones.
TEST(DuplicateSearch, AFileLeftByItsSizeIsAskedWhetherItCouldBeRead) {
    test::TempDir dir;
    SearchRun run;
    const std::string alone = dir.Write("alone", "one of a kind");
    const std::string refused = dir.Write("refused", "no one may read this");
    run.Add(alone, 13);
    run.Add(refused, 20);
    run.fs.Fail({test::FakeFiles::Call::Open, refused, EACCES});
    const SearchOutcome outcome = FindDuplicateRows(run.ctx, run.pass, 1);
    EXPECT_EQ(outcome.unreadable, 1);
    EXPECT_TRUE(test::Paths(run.ctx).empty());
    EXPECT_EQ(run.ctx.message.StatusMessage, refused + " failed");
    EXPECT_EQ(run.fs.Calls(test::FakeFiles::Call::Read), 0);
}

// A halt stops the search within a round: the rows it has not told apart stay WAITING, those it
// found unique are gone, and Resume's pass reads what is left.
TEST(DuplicateSearch, AHaltLeavesTheRowsNotToldApartWaiting) {
    test::TempDir dir;
    SearchRun run;
    for (int k = 0; k < 40; ++k)
        run.Add(dir.Write("f" + std::to_string(k), RandomBytes(2 * B + 1, k % 20)), 2 * B + 1);
    run.host.onPump = [&] { run.ctx.state.HaltRequested = true; };
    std::int64_t now = 0;
    ListPass ticking(run.ctx, [&] { return now += 301; });
    const SearchOutcome outcome = FindDuplicateRows(run.ctx, ticking, 1);
    EXPECT_TRUE(outcome.halted);
    EXPECT_FALSE(run.ctx.state.Updating);
    EXPECT_FALSE(run.ctx.state.Processing);
    int waiting = 0;
    for (const S status : test::Statuses(run.ctx)) waiting += status == S::WAITING;
    EXPECT_GT(waiting, 0);
    EXPECT_EQ(run.fs.OpenNow(), 0);
}

}  // namespace
}  // namespace vellum
