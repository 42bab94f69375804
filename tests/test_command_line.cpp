// The window's command line: variant switches, the file limit and the start-up paths.
#include <gtest/gtest.h>

#include "filelist/command_line.h"
#include "filelist/list_context.h"

namespace vellum {
namespace {

TEST(CommandLine, SwitchesIgnoreCaseAndTheLaterOneWins) {
    ListContext ctx;
    EXPECT_FALSE(SweepOptions(ctx, {"-crc16c", "-CRC16A", "-Crc32A", "x", "-noAutoCheck"}));
    EXPECT_EQ(ctx.state.Crc16Variant, 0);
    EXPECT_EQ(ctx.state.Crc32Variant, 0);
    EXPECT_TRUE(ctx.state.NoAutoCheck);

    ListContext other;
    EXPECT_FALSE(SweepOptions(other, {"-crc16a", "-crc16c", "-crc16"}));  // whole words only
    EXPECT_EQ(other.state.Crc16Variant, 2);
    EXPECT_EQ(other.state.Crc32Variant, 1);
    EXPECT_FALSE(other.state.NoAutoCheck);
}

TEST(CommandLine, FileLimitFromTheFOption) {
    struct Case {
        std::vector<std::string> args;
        std::int32_t maxFiles;
        const char* error;
    } const cases[] = {
        {{"-f100", "a.txt"}, 100, nullptr},
        {{"a.txt", "-F50000"}, 50000, nullptr},
        {{"-f-7"}, 0, nullptr},
        {{"-f10", "-fx1", "-f20"}, 10, "'x1' is not a valid integer value"},
        {{"-f"}, 16384, "'' is not a valid integer value"},
        {{"-f99999999999"}, 16384, "'99999999999' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        ListContext ctx;
        const auto error = SweepOptions(ctx, c.args);
        EXPECT_EQ(ctx.state.MaxFiles, c.maxFiles) << c.args[0];
        EXPECT_EQ(ctx.table.length(), c.maxFiles + 1);  // sized even after an error
        if (c.error)
            EXPECT_EQ(error.value_or("none"), c.error);
        else
            EXPECT_FALSE(error);
    }
}

TEST(CommandLine, StartupPathsSkipALeadingFOptionAndStopAtFifteen) {
    std::vector<std::string> sixteen;
    for (int k = 0; k < 16; ++k) sixteen.push_back("p" + std::to_string(k));
    const auto paths = StartupPaths(sixteen);
    ASSERT_EQ(paths.size(), 15u);
    EXPECT_EQ(paths.back(), "p14");

    EXPECT_EQ(StartupPaths({"-f100", "a.txt", "b.txt"}),
              (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(StartupPaths({"a.txt", "-f100"}), (std::vector<std::string>{"a.txt", "-f100"}));
}

}  // namespace
}  // namespace vellum
