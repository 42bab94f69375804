// The list pass: values across block boundaries, variants, verification of imported rows,
// halting, read errors and deferred passes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/xsum.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "tests/support/fake_files.h"
#include "tests/support/random_bytes.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using S = EntryStatus;
using Call = test::FakeFiles::Call;
using test::RandomBytes;

class Pass : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx.fs = &fs;
        host.list = &ctx;
        ctx.host = &host;
    }
    std::int32_t List(const std::string& path, S status = S::WAITING) {
        return AppendRow(ctx, test::Row(path, status));
    }
    // Every call moves the clock on past the refresh interval: a refresh before each block.
    std::int64_t now = 1'000'000;
    ListContext ctx;
    test::FakeFiles fs;
    test::RecordingHost host;
    ListPass pass{ctx, [this] { return now += 301; }};
    test::TempDir dir;
};

TEST_F(Pass, ValuesDoNotDependOnWhereBlocksEnd) {
    struct Case {
        std::size_t size;
        int reads;
    } const cases[] = {{0, 1}, {0x100000, 2}, {0x100001, 3}, {0x280003, 4}};
    for (const Case& c : cases) {
        const std::string bytes = RandomBytes(c.size, static_cast<unsigned>(c.size));
        const std::int32_t row = List(dir.Write("f" + std::to_string(c.size), bytes));
        const int readsBefore = fs.Calls(Call::Read);
        ctx.RunPass();
        const FileEntry& e = ctx.table[row];
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        const auto n = static_cast<std::int32_t>(bytes.size());
        DigestState d;
        DigestStart(d);
        DigestAdd(d, data, n);
        Md5Digest md5;
        DigestFinish(d, md5);
        EXPECT_EQ(fs.Calls(Call::Read) - readsBefore, c.reads) << c.size;
        EXPECT_EQ(e.status, S::OKAY);
        EXPECT_EQ(e.band, EntryBand::NEW);
        EXPECT_EQ(e.size, static_cast<std::int64_t>(c.size));
        EXPECT_EQ(e.crc16, Crc16Update(0xFFFF, data, n)) << c.size;
        EXPECT_EQ(e.crc32, ~Crc32Update(0xFFFFFFFF, data, n)) << c.size;
        EXPECT_EQ(e.xsum, XsumUpdate(0, data, n)) << c.size;
        EXPECT_EQ(e.md5, md5) << c.size;
    }
    EXPECT_EQ(fs.OpenNow(), 0);
}

TEST_F(Pass, EveryVariantStartsAndFinishesItsOwnWay) {
    const std::string file = dir.Write("check", "123456789");
    const std::string empty = dir.Write("empty", "");
    struct Case {
        std::uint8_t v16, v32;
        std::uint16_t crc16, empty16;
        std::uint32_t crc32;
    } const cases[] = {{0, 0, 0x31C3, 0x0000, 0x2DFD2D88},
                       {1, 1, 0x29B1, 0xFFFF, 0xCBF43926},
                       {2, 1, 0xBB3D, 0x0000, 0xCBF43926}};
    for (const Case& c : cases) {
        ctx.state.Crc16Variant = c.v16;
        ctx.state.Crc32Variant = c.v32;
        const std::int32_t a = List(file);
        const std::int32_t b = List(empty);
        ctx.RunPass();
        EXPECT_EQ(ctx.table[a].crc16, c.crc16);
        EXPECT_EQ(ctx.table[a].crc32, c.crc32);
        EXPECT_EQ(ctx.table[a].xsum, 0x01DD);
        EXPECT_EQ(DigestToHex(ctx.table[a].md5), "25f9e794323b453885f5181f1b624d0b");
        EXPECT_EQ(ctx.table[b].crc16, c.empty16);
        EXPECT_EQ(ctx.table[b].crc32, 0u);
        EXPECT_EQ(DigestToHex(ctx.table[b].md5), "d41d8cd98f00b204e9800998ecf8427e");
    }
}

TEST_F(Pass, ImportedRowsAreVerifiedAgainstTheirStoredValues) {
    const std::string same = dir.Write("same", "abc");
    const std::string changed = dir.Write("changed", "abd");
    auto imported = [&](const std::string& path) {
        FileEntry e = test::Row(path, S::RECHECK, 3);
        e.crc16 = 0x514A;
        e.crc32 = 0x352441C2;
        e.xsum = 0x0126;
        e.md5 = DigestOfText("abc");
        e.band = EntryBand::IMPORTED;
        return AppendRow(ctx, e);
    };
    const std::int32_t a = imported(same);
    const std::int32_t b = imported(changed);
    const std::int32_t c = imported(dir / "gone");
    ctx.RunPass();
    EXPECT_EQ(ctx.table[a].band, EntryBand::UNCHANGED);
    EXPECT_EQ(ctx.table[b].band, EntryBand::CHANGED);
    EXPECT_EQ(ctx.table[b].md5, DigestOfText("abd"));  // the new values replace the stored
    EXPECT_EQ(ctx.table[c].status, S::INVALID);
    EXPECT_EQ(ctx.table[c].band, EntryBand::IMPORTED);
}

TEST_F(Pass, SettledRowsAreNeverRead) {
    const std::string file = dir.Write("f", "x");
    for (S s : {S::OKAY, S::FLAGGED, S::INVALID, S::DELETED, S::MARKER}) List(file, s);
    ctx.table[2].size = 5;
    ctx.RunPass();
    EXPECT_EQ(fs.Calls(Call::Read), 0);
    EXPECT_EQ(ctx.state.TotalBytes, 5);
    EXPECT_EQ(ctx.state.FlaggedBytes, 5);
    EXPECT_EQ(ctx.state.FlaggedCount, 1);
    EXPECT_EQ(host.lines.back(), "Listing 5 files, total 5 bytes, 1 flagged 5 bytes");
}

TEST_F(Pass, FilesThatCannotBeOpenedStayCalcingAndMissingOnesTurnInvalid) {
    const std::string locked = dir.Write("locked", "x");
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs.Fail({Call::Open, locked, EACCES});
    const std::int32_t a = List(locked);
    const std::int32_t b = List(dir / "missing");
    const std::int32_t c = List(fifo);
    ctx.RunPass();
    EXPECT_EQ(ctx.table[a].status, S::CALCING);
    EXPECT_EQ(ctx.message.StatusMessage, locked + " failed");
    EXPECT_EQ(ctx.table[b].status, S::INVALID);
    EXPECT_EQ(ctx.table[c].status, S::INVALID);  // never opened, so never blocks
    fs.Heal();
    ctx.RunPass();  // tried again by the next pass
    EXPECT_EQ(ctx.table[a].status, S::OKAY);
}

TEST_F(Pass, HaltReadsOneMoreBlockAndLeavesTheRowCalcing) {
    const std::string big = dir.Write("big", RandomBytes(5 * 0x100000, 1));
    const std::int32_t row = List(big);
    ctx.table[row].crc32 = 0x12345678;  // old values stay
    bool halted = false;
    const auto announce = [&](bool h) { halted = h; };
    host.onPump = [&] {
        if (fs.Calls(Call::Read) == 2) pass.HaltOrResume(announce);  // a Halt click during the pump
    };
    ctx.RunPass();
    EXPECT_TRUE(halted);
    EXPECT_EQ(fs.Calls(Call::Read), 3);
    EXPECT_EQ(ctx.table[row].status, S::CALCING);
    EXPECT_EQ(ctx.table[row].crc32, 0x12345678u);
    EXPECT_FALSE(ctx.state.Updating);
    EXPECT_FALSE(ctx.state.Processing);
    EXPECT_EQ(fs.OpenNow(), 0);
    EXPECT_EQ(host.lines.back(), "Listing 1 files, processing...");  // line left standing

    host.onPump = nullptr;
    FlagAll(ctx);  // while halted: statuses change, nothing is read
    EXPECT_EQ(fs.Calls(Call::Read), 3);
    pass.HaltOrResume(announce);  // Resume: starts the file again from its first byte
    EXPECT_FALSE(halted);
    EXPECT_EQ(fs.Calls(Call::Read), 3 + 6);
    EXPECT_EQ(ctx.table[row].status, S::OKAY);
}

// Files after the failed one may have been read, refused or found missing meanwhile: their rows
// and messages stay as they were all the same.
TEST_F(Pass, AReadErrorEndsThePassCleanlyAndKeepsTheOldValues) {
    const std::string a = dir.Write("a", RandomBytes(3 * 0x100000, 2));
    const std::string b = dir.Write("b", "b");
    const std::string c = dir.Write("c", "c");
    const std::int32_t ra = List(a, S::RECHECK);
    const std::int32_t rb = List(b);
    const std::int32_t rc = List(c, S::CALCING);
    const std::int32_t rd = List(dir / "missing");
    ctx.table[ra].md5 = DigestOfText("old");
    ctx.table[ra].size = 77;
    fs.Fail({Call::Read, a, EIO, 2, 2});
    fs.Fail({Call::Open, c, EACCES});
    ctx.RunPass();
    EXPECT_EQ(ctx.table[ra].status, S::CALCING);
    EXPECT_EQ(ctx.table[ra].md5, DigestOfText("old"));
    // The rest of the table is untouched.
    EXPECT_EQ(test::Statuses(ctx),
              (std::vector<S>{S::CALCING, S::WAITING, S::CALCING, S::WAITING}));
    EXPECT_EQ(ctx.table[rb].size, 0);
    EXPECT_EQ(ctx.message.StatusMessage, "");
    EXPECT_FALSE(ctx.state.Updating);
    EXPECT_FALSE(ctx.state.Processing);
    EXPECT_EQ(fs.OpenNow(), 0);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(a), std::string::npos);
    EXPECT_EQ(ctx.state.TotalBytes, 77);  // the totals still describe the whole list

    fs.Heal();
    ctx.RunPass();
    EXPECT_EQ(ctx.table[ra].status, S::OKAY);
    EXPECT_EQ(ctx.table[rb].status, S::OKAY);
    EXPECT_EQ(ctx.table[rc].status, S::OKAY);
    EXPECT_EQ(ctx.table[rd].status, S::INVALID);
}

// The command line's way: each failure is told once, the pass goes on, and no later pass
// (such as the one a command ends with) tries a failed file again.
TEST_F(Pass, UnderTryOnceAFailedFileIsToldOnceAndThePassGoesOn) {
    pass.setFailedFiles(FailedFiles::TryOnce);
    const std::string a = dir.Write("a", RandomBytes(3 * 0x100000, 2));
    const std::string c = dir.Write("c", "c");
    const std::int32_t ra = List(a);
    List(dir.Write("b", "b"));
    List(c);
    List(dir / "missing");
    List(dir.Write("e", "e"));
    ctx.table[ra].md5 = DigestOfText("old");
    fs.Fail({Call::Read, a, EIO, 2, 2});
    fs.Fail({Call::Open, c, EACCES});
    ctx.RunPass();
    EXPECT_EQ(test::Statuses(ctx),
              (std::vector<S>{S::CALCING, S::OKAY, S::CALCING, S::INVALID, S::OKAY}));
    EXPECT_EQ(ctx.table[ra].md5, DigestOfText("old"));
    EXPECT_EQ(host.errors, std::vector<std::string>{"Cannot read " + a + ": Input/output error"});
    EXPECT_EQ(ctx.message.StatusMessage, c + " failed");
    EXPECT_EQ(ctx.state.TotalBytes, 2);
    EXPECT_FALSE(ctx.state.Updating);
    EXPECT_EQ(fs.OpenNow(), 0);

    const int reads = fs.Calls(Call::Read);
    fs.Heal();
    ctx.message.StatusMessage.clear();
    FlagAll(ctx);
    EXPECT_EQ(fs.Calls(Call::Read), reads);
    EXPECT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(ctx.message.StatusMessage, "");
    EXPECT_EQ(ctx.table[ra].status, S::CALCING);
}

TEST_F(Pass, ACloseErrorEndsThePassToo) {
    const std::int32_t row = List(dir.Write("a", "abc"));
    fs.Fail({Call::Close, "", EIO});
    ctx.RunPass();
    EXPECT_EQ(ctx.table[row].status, S::CALCING);
    EXPECT_EQ(host.errors.size(), 1u);
    EXPECT_FALSE(ctx.state.Updating);
}

TEST_F(Pass, APassAskedForDuringAPassRunsOnceAfterIt) {
    const std::int32_t a = List(dir.Write("a", RandomBytes(2 * 0x100000, 3)));
    List(dir.Write("b", "b"));
    int asked = 0;
    host.onPump = [&] {
        if (asked++ < 3) ToggleMarker(ctx, a);  // each asks for a pass; none may nest
    };
    ctx.RunPass();
    EXPECT_FALSE(pass.running());
    EXPECT_EQ(ctx.table[a].status, S::OKAY);
    // The running pass and exactly one deferred pass: each fits the window once.
    EXPECT_EQ(host.fits.size(), 2u);
}

}  // namespace
}  // namespace vellum
