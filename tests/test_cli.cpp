// vellum-cli on real files: the lines it prints, the walk's order, duplicates and exit codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "checksum/md5.h"

#include "tests/support/run.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using test::RunProgram;

TEST(Cli, PrintsTheExportLineOfEveryVariantCombination) {
    test::TempDir dir;
    const std::string file = dir.Write("check.txt", "123456789");
    struct Case {
        const char* v16;
        const char* v32;
        const char* crc16;
        const char* crc32;
    } const cases[] = {
        {"-crc16a", "-crc32a", "31C3", "2DFD2D88"}, {"-crc16a", "-crc32b", "31C3", "CBF43926"},
        {"-crc16b", "-crc32a", "29B1", "2DFD2D88"}, {"-crc16b", "-crc32b", "29B1", "CBF43926"},
        {"-CRC16C", "-crc32a", "BB3D", "2DFD2D88"}, {"-crc16c", "-CRC32B", "BB3D", "CBF43926"},
    };
    for (const Case& c : cases) {
        const auto r = RunProgram({"vellum-cli", c.v16, c.v32, file});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "\"" + file + "\",9,\"" + c.crc16 + "\",\"" + c.crc32 +
                             "\",\"01DD\",\"25f9e794323b453885f5181f1b624d0b\"\r\n");
    }
    const auto tabbed = RunProgram({"vellum-cli", "--tab", "-crc16c", "-crc16a", file});
    EXPECT_EQ(tabbed.out, file + "\t9\t31C3\tCBF43926\t01DD\t25f9e794323b453885f5181f1b624d0b\r\n");
}

TEST(Cli, WalksFoldersInARepeatableOrderWithTheMask) {
    test::TempDir dir;
    dir.Write("t/b.log", "b");
    dir.Write("t/a.LOG", "a");
    dir.Write("t/c.txt", "c");
    dir.Write("t/sub/d.log", "d");
    const auto first = RunProgram({"vellum-cli", "--mask", "*.log", dir / "t"});
    const auto second = RunProgram({"vellum-cli", "--mask", "*.log", dir / "t"});
    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(first.out, second.out);
    const std::string t = dir / "t";
    const std::size_t a = first.out.find(t + "/a.LOG");
    const std::size_t b = first.out.find(t + "/b.log");
    const std::size_t d = first.out.find(t + "/sub/d.log");
    EXPECT_TRUE(a < b && b < d) << first.out;
    EXPECT_EQ(first.out.find("c.txt"), std::string::npos);
}

TEST(Cli, DuplicatesPrintsOnlyFilesWithAnIdenticalCopy) {
    test::TempDir dir;
    dir.Write("d/one", "same bytes");
    dir.Write("d/two/copy", "same bytes");
    dir.Write("d/other", "different");
    const auto r = RunProgram({"vellum-cli", "--duplicates", dir / "d"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find(dir / "d/one"), std::string::npos);
    EXPECT_NE(r.out.find(dir / "d/two/copy"), std::string::npos);
    EXPECT_EQ(r.out.find("other"), std::string::npos);
}

// What it prints is what can go: every copy but the first, and no other name of that one.
TEST(Cli, KeepFirstPrintsEveryCopyButOneAndNoLinkOfTheOneKept) {
    test::TempDir dir;
    const std::string a = dir.Write("d/a", "same bytes");
    const std::string copy = dir.Write("d/b/copy", "same bytes");
    const std::string c = dir.Write("d/c", "same bytes");
    dir.Write("d/other", "different");
    ASSERT_EQ(link(a.c_str(), (dir / "d/hard").c_str()), 0);
    ASSERT_EQ(symlink(a.c_str(), (dir / "d/soft").c_str()), 0);
    const auto r =
        RunProgram({"vellum-cli", "--duplicates", "--keep-first", "--format", "md5sum", dir / "d"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string md5 = DigestToHex(DigestOfText("same bytes"));
    EXPECT_EQ(r.out, md5 + "  " + copy + "\n" + md5 + "  " + c + "\n");
}

// A folder given relative and with a trailing slash; a group with no copy in it is not printed.
TEST(Cli, KeepInPrintsTheCopiesOutsideTheFolderOfGroupsWithOneInside) {
    test::TempDir dir;
    dir.Write("d/ref/a", "same bytes");
    dir.Write("d/out/b", "same bytes");
    dir.Write("d/out/c", "other bytes");
    dir.Write("d/out/e", "other bytes");
    test::RunRequest request;
    request.argv = {"vellum-cli", "--duplicates", "--keep-in", "ref/", "--format", "md5sum", "."};
    request.cwd = dir / "d";
    const auto r = test::RunBounded(request);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, DigestToHex(DigestOfText("same bytes")) + "  ./out/b\n");
    const auto missing =
        RunProgram({"vellum-cli", "--duplicates", "--keep-in", dir / "none", dir / "d"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "vellum-cli: --keep-in " + dir / "none" + " is no folder\n");
}

// The copies replaced are copies no longer: nothing is left to print, and every name opens the
// bytes it had.
TEST(Cli, LinkHardPutsTheKeptFileUnderEveryCopysName) {
    test::TempDir dir;
    const std::string a = dir.Write("d/a", "same bytes");
    const std::string b = dir.Write("d/b", "same bytes");
    const std::string c = dir.Write("d/c", "same bytes");
    const auto r = RunProgram({"vellum-cli", "--duplicates", "--keep-first", "--link", "hard",
                               "--no-progress", dir / "d"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "2 files replaced with links to the kept copy, 0 left, 20 bytes freed\n");
    struct stat sa {
    }, sb{}, sc{};
    ASSERT_EQ(stat(a.c_str(), &sa) | stat(b.c_str(), &sb) | stat(c.c_str(), &sc), 0);
    EXPECT_EQ(sa.st_ino, sb.st_ino);
    EXPECT_EQ(sa.st_ino, sc.st_ino);
    EXPECT_EQ(test::ReadAll(c), "same bytes");
}

TEST(Cli, ExitStatusTellsWhatWentWrong) {
    test::TempDir dir;
    const std::string file = dir.Write("f", "x");
    const auto missing = RunProgram({"vellum-cli", dir / "nothing", file});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, dir / "nothing" + " failed\n");
    EXPECT_NE(missing.out.find(file), std::string::npos);

    const auto repeated = RunProgram({"vellum-cli", file, file});  // one row, rechecked
    EXPECT_EQ(repeated.exitCode, 0);
    EXPECT_EQ(std::count(repeated.out.begin(), repeated.out.end(), '\n'), 1);

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"vellum-cli"},
             {"vellum-cli", "--bogus", file},
             {"vellum-cli", "--mask"},
             {"vellum-cli", "--format", "xml", file},
             {"vellum-cli", "--keep-first", file},
             {"vellum-cli", "--keep-in", dir.path(), file},
             {"vellum-cli", "--duplicates", "--keep-first", "--keep-in", dir.path(), file},
             {"vellum-cli", "--duplicates", "--link", "hard", file},
             {"vellum-cli", "--duplicates", "--keep-first", "--link", "soft", file},
             {"vellum-cli", "-crc32a", "--format", "sfv", file},
             {"vellum-cli", "--format", "md5sum", "--verify", file}}) {
        const auto usage = RunProgram(args);
        EXPECT_EQ(usage.exitCode, 2);
        EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace vellum
