// vellum-cli --verify on real files and on lists that vellum-cli itself wrote.
#include <gtest/gtest.h>

#include <filesystem>

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
        {{"--verify", dir / "missing.csv"}, 2, "", "File not found"},
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

}  // namespace
}  // namespace vellum
