// The status line: summary texts, the posted message's look and its expiry.
#include <gtest/gtest.h>

#include <limits>

#include "filelist/counted.h"
#include "filelist/list_context.h"
#include "tests/support/recording_host.h"
#include "tests/support/rows.h"

namespace vellum {
namespace {

TEST(FormatThousands, GroupsDigitsInThrees) {
    struct Case {
        std::int64_t value;
        const char* sep;
        const char* text;
    } cases[] = {
        {0, ",", "0"},
        {999, ",", "999"},
        {1000, ",", "1,000"},
        {1234567, ",", "1,234,567"},
        {-1234, ",", "-1,234"},
        {3'000'000'000LL, ".", "3.000.000.000"},
        {std::numeric_limits<std::int64_t>::min(), ",", "-9,223,372,036,854,775,808"},
        {1234567, "\u202f", "1\u202f234\u202f567"},  // a separator of several bytes
    };
    for (const Case& c : cases) EXPECT_EQ(FormatThousands(c.value, c.sep), c.text) << c.value;
}

// Our own messages say "1 file"; the summary keeps its "Listing 1 files" (below).
TEST(Counted, OnlyExactlyOneIsSingular) {
    EXPECT_EQ(Counted(1, "file"), "1 file");
    EXPECT_EQ(Counted(0, "file"), "0 files");
    EXPECT_EQ(Counted(2, "file"), "2 files");
    EXPECT_EQ(Counted(-1, "file"), "-1 files");
    EXPECT_EQ(Counted(1001, "byte", "1,001"), "1,001 bytes");
}

TEST(StatusLine, SummaryCountsFilesAndBytes) {
    ListContext ctx;
    SizeFileTable(ctx);
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text,
              "Listing 0 files, total 0 bytes, 0 flagged 0 bytes");

    test::Fill(
        ctx, {test::Row("a", EntryStatus::OKAY, 1000), test::Row("b", EntryStatus::FLAGGED, 2500)});
    ctx.state.TotalBytes = 3500;
    ctx.state.FlaggedBytes = 2500;
    ctx.state.FlaggedCount = 1;
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text,
              "Listing 2 files, total 3,500 bytes, 1 flagged 2,500 bytes");

    ctx.state.Processing = true;
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text, "Listing 2 files, processing...");
}

TEST(StatusLine, FileLimitSuffixOnSummariesOnly) {
    ListContext ctx;
    SetMaxFiles(ctx, 3);
    SizeFileTable(ctx);
    test::Fill(ctx, {test::Row("a"), test::Row("b")});
    ASSERT_EQ(ctx.state.RowCount, ctx.state.MaxFiles);
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text,
              "Listing 2 files, total 0 bytes, 0 flagged 0 bytes. FILE LIMIT REACHED");
    ctx.state.Processing = true;
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text,
              "Listing 2 files, processing.... FILE LIMIT REACHED");
    PostFailed(ctx, "/x");
    EXPECT_EQ(ComposeStatusLine(ctx, ",").text, "/x failed");
}

TEST(StatusLine, MessageLookCarriesOverUntilTheNextSummary) {
    ListContext ctx;
    SizeFileTable(ctx);
    // Posted before anything else: no style, no colour.
    PostStatusMessage(ctx, "Exactly 2 markers must be set", 5);
    StatusLine line = ComposeStatusLine(ctx, ",");
    EXPECT_FALSE(line.bold);
    EXPECT_EQ(line.colour, StatusColour::Default);

    PostFailed(ctx, "/a");
    PostStatusMessage(ctx, "Exactly 2 markers must be set", 5);  // keeps bold red
    line = ComposeStatusLine(ctx, ",");
    EXPECT_EQ(line.text, "Exactly 2 markers must be set");
    EXPECT_TRUE(line.bold);
    EXPECT_EQ(line.colour, StatusColour::Red);

    PostStatusMessage(ctx, "news", "Bold", "Blue", 15);
    EXPECT_EQ(ComposeStatusLine(ctx, ",").colour, StatusColour::Blue);

    ctx.state.MessageTicks = 0;
    line = ComposeStatusLine(ctx, ",");
    EXPECT_FALSE(line.bold);
    EXPECT_EQ(line.colour, StatusColour::Default);
}

TEST(StatusLine, MessageExpiresAtItsLastTick) {
    ListContext ctx;
    SizeFileTable(ctx);
    PostFailed(ctx, "/a");
    for (int tick = 1; tick < 5; ++tick) EXPECT_FALSE(CountDownMessage(ctx)) << tick;
    EXPECT_TRUE(CountDownMessage(ctx));
    EXPECT_FALSE(CountDownMessage(ctx));  // nothing due: the timer does nothing
    EXPECT_EQ(ctx.state.MessageTicks, 0);
}

TEST(StatusLine, PostingTellsTheHost) {
    test::RecordingHost host;
    ListContext ctx;
    ctx.host = &host;
    PostFailed(ctx, "/gone");
    PostStatusMessage(ctx, "Exactly 2 markers must be set", 5);
    EXPECT_EQ(host.posted,
              (std::vector<std::string>{"/gone failed", "Exactly 2 markers must be set"}));
}

}  // namespace
}  // namespace vellum
