// vellum-cli --verify and --check on real files, on lists that vellum-cli itself wrote and on
// lists of the digest tools, read as those tools read them; and nothing a name holds can forge a
// line of what it prints.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

using test::RunProgram;

TEST(CliVerify, PrintsAVerdictPerRowAndExitsByTheWorstOfThem) {
    test::TempDir dir;
    const std::string same = dir.Write("same.txt", "abc");
    const std::string changed = dir.Write("changed.txt", "abc");
    const std::string deleted = dir.Write("deleted, with comma.txt", "abc");
    // Lists as vellum-cli prints them, kept as files.
    auto list = [&](const std::string& name, std::vector<std::string> args) {
        args.insert(args.begin(), {"vellum-cli", "--no-progress"});
        return dir.Write(name, RunProgram(args).out);
    };
    const std::string all = list("all.csv", {same, changed, deleted});
    const std::string one = list("one.csv", {same});
    const std::string crc16a = list("crc16a.csv", {"-crc16a", same});
    const std::string tabbed = list("tabbed.txt", {"--tab", same});
    dir.Write("changed.txt", "abd");
    std::filesystem::remove(deleted);

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string errHas;
    };
    const Case cases[] = {
        {{"--verify", one}, 0, "UNCHANGED\t" + same + "\n", ""},
        {{"--verify", all},
         1,
         "UNCHANGED\t" + same + "\nCHANGED\t" + changed + "\nMISSING\t" + deleted + "\n",
         ""},
        {{"-crc16a", "--verify", crc16a}, 0, "UNCHANGED\t" + same + "\n", ""},
        {{"--verify", crc16a}, 1, "CHANGED\t" + same + "\n", ""},
        {{"--verify", tabbed}, 1, "", "no usable line"},
        {{"--verify", dir / "missing.csv"}, 2, "", "No such file or directory"},
        {{"--verify", one, same}, 2, "", "--verify takes no PATH"},
    };
    for (Case c : cases) {
        c.args.insert(c.args.begin(), "vellum-cli");
        const auto r = RunProgram(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.back();
        EXPECT_EQ(r.out, c.out) << c.args.back();
        EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    }
}

// The same files listed by each digest tool, plain and tagged, and by hand: vellum-cli's
// verdicts are those of the tool's own check, line for line.
TEST(CliVerify, GivesTheVerdictsOfTheToolsOwnCheckForEveryToolsList) {
    test::TempDir dir;
    const std::string a = dir.Write("a.iso", "first release");
    const std::string b = dir.Write("b b.iso", "second release");
    const std::string c = dir.Write("c.iso", "third release");
    for (const std::string tool :
         {"md5sum", "sha1sum", "sha224sum", "sha256sum", "sha384sum", "sha512sum", "b2sum"}) {
        for (const std::string tag : {"", "--tag"}) {
            SCOPED_TRACE(tool + " " + tag);
            test::RunRequest write;
            write.argv = {"/bin/sh", "-c", tool + " " + tag + " -- a.iso 'b b.iso' c.iso"};
            write.cwd = dir.path();
            const std::string list = dir.Write("LIST", test::RunBounded(write).out);
            dir.Write("c.iso", "third release, changed");
            test::RunRequest check;
            check.argv = {"/usr/bin/" + tool, "-c", list};
            check.cwd = dir.path();
            const auto theirs = test::RunBounded(check);
            const auto ours = RunProgram({"vellum-cli", "--verify", list});
            dir.Write("c.iso", "third release");
            EXPECT_EQ(theirs.out, "a.iso: OK\nb b.iso: OK\nc.iso: FAILED\n");
            EXPECT_EQ(ours.out, "UNCHANGED\t" + a + "\nUNCHANGED\t" + b + "\nCHANGED\t" + c + "\n");
            EXPECT_EQ(ours.exitCode, theirs.exitCode);
            EXPECT_EQ(ours.err, "");
        }
    }
}

// Lines that cannot be read are said with their count and the first one's number, and fail the
// run only under --strict; --quiet, --status and --ignore-missing do what their names say.
TEST(CliVerify, SaysEveryUnreadLineAndReportsAsAskedTo) {
    test::TempDir dir;
    const std::string a = dir.Write("a", "a");
    const std::string b = dir.Write("b", "b");
    const auto sha256 = [&](const std::string& path) {
        return RunProgram({"/usr/bin/sha256sum", path}).out;
    };
    const std::string good = sha256(a) + sha256(b);
    const std::string typo = std::string(63, 'a') + "  a\n";  // one digit short
    const std::string gone = std::string(64, 'f') + "  " + (dir / "gone") + "\n";
    const std::string mixed =
        dir.Write("mixed.sha256", "# made by hand\n\n" + good + typo + gone + "not a line\n");
    struct Case {
        std::vector<std::string> options;
        int exitCode;
        std::string out;
        bool warned;
    };
    const std::string verdicts = "UNCHANGED\t" + a + "\nUNCHANGED\t" + b + "\n";
    const std::string missing = "MISSING\t" + (dir / "gone") + "\n";
    const Case cases[] = {
        {{}, 1, verdicts + missing, true},
        {{"--ignore-missing"}, 0, verdicts, true},
        {{"--ignore-missing", "--strict"}, 1, verdicts, true},
        {{"--quiet"}, 1, missing, true},
        {{"--status"}, 1, "", false},
        {{"--status", "--ignore-missing"}, 0, "", false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"vellum-cli"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"--verify", mixed});
        const auto r = RunProgram(args);
        SCOPED_TRACE(args[1]);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out, c.out);
        // The comment and the blank line are no faults; the typo (line 5) and the prose are.
        EXPECT_EQ(r.err.find("2 lines") != std::string::npos, c.warned) << r.err;
        EXPECT_EQ(r.err.find("line 5") != std::string::npos, c.warned) << r.err;
    }
    const std::string onlyGone = dir.Write("gone.sha256", gone);
    const auto none = RunProgram({"vellum-cli", "--ignore-missing", "--verify", onlyGone});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no file was verified"), std::string::npos) << none.err;
}

// A list from a pipe; a list that is a folder or a device is named as such.
TEST(CliVerify, ReadsStandardInputAndNamesWhatIsNoList) {
    test::TempDir dir;
    const std::string a = dir.Write("a", "a");
    const std::string list = dir.Write("list", RunProgram({"/usr/bin/b2sum", a}).out);
    test::RunRequest piped;
    piped.argv = {"/bin/sh", "-c", test::BuildDir() + "/vellum-cli --verify - < '" + list + "'"};
    const auto r = test::RunBounded(piped);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "UNCHANGED\t" + a + "\n");
    const std::pair<std::string, std::string> notLists[] = {{dir.path(), "is a folder"},
                                                            {"/dev/null", "is a device"}};
    for (const auto& [path, said] : notLists) {
        const auto refused = RunProgram({"vellum-cli", "--verify", path});
        EXPECT_EQ(refused.exitCode, 2) << path;
        EXPECT_NE(refused.err.find(said), std::string::npos) << refused.err;
    }
}

// A file named to look like a verdict of another file's gets an escaped line of its own.
TEST(CliVerify, NoNameCanForgeALine) {
    test::TempDir dir;
    const std::string forger = dir.Write("a.iso\nUNCHANGED\tb.iso", "bytes");
    const std::string list =
        dir.Write("SHA256SUMS", RunProgram({"/usr/bin/sha256sum", forger}).out);
    dir.Write("a.iso\nUNCHANGED\tb.iso", "other bytes");
    const auto r = RunProgram({"vellum-cli", "--verify", list});
    EXPECT_EQ(r.out, "\\CHANGED\t" + dir.path() + "/a.iso\\nUNCHANGED\tb.iso\n");
    const auto listed = RunProgram({"vellum-cli", "--format", "sha256sum", forger});
    EXPECT_EQ(listed.out, RunProgram({"/usr/bin/sha256sum", forger}).out);
    const auto csv = RunProgram({"vellum-cli", forger});
    EXPECT_EQ(csv.out, "");
    EXPECT_EQ(csv.exitCode, 1);
    EXPECT_NE(csv.err.find("left out"), std::string::npos) << csv.err;
}

TEST(CliCheck, TellsWhetherAPublishedDigestIsTheFiles) {
    test::TempDir dir;
    const std::string file = dir.Write("release.iso", "release");
    const std::string sha256 = RunProgram({"/usr/bin/sha256sum", file}).out.substr(0, 64);
    const std::string b2 = RunProgram({"/usr/bin/b2sum", file}).out.substr(0, 128);
    struct Case {
        std::string digest;
        int exitCode;
        std::string out;
    };
    const Case cases[] = {
        {sha256, 0, file + ": SHA-256 matches\n"},
        {b2, 0, file + ": BLAKE2b-512 matches\n"},
        {std::string(128, '0'), 1, file + ": does not match (SHA-512 or BLAKE2b-512)\n"},
        {"not a digest", 2, ""},
    };
    for (const Case& c : cases) {
        const auto r = RunProgram({"vellum-cli", "--check", c.digest, file});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.digest;
        EXPECT_EQ(r.out, c.out) << c.digest;
    }
}

}  // namespace
}  // namespace vellum
