// Reading the server's answer: the marker values and the verdicts.
#include <gtest/gtest.h>

#include "net/version_check.h"

namespace vellum::net {
namespace {

TEST(ReplyValue, RunsFromTheMarkerToTheNextUnderscore) {
    const std::string line = "_PROGRAM_Vellum_LATEST VERSION_1.420_NEWS_x_\r\n";
    const struct {
        std::string text;
        const char* key;
        const char* value;
    } cases[] = {
        {line, "PROGRAM", "Vellum"},
        {line, "LATEST VERSION", "1.420"},
        {line, "NEWS", "x"},
        {"_NEWS_two\r\nlines_\r\n", "NEWS", "two\r\nlines"},
        {"_NEWS_no end\r\n", "NEWS", ""},
        {"_NEWS_x_", "NEWS", ""},  // last byte is never in
        {"_NEWS_", "NEWS", ""},
        {"_news_lower_\r\n", "NEWS", ""},
        {"_NEWS_1st_ _NEWS_2nd_\r\n", "NEWS", "1st"},
    };
    for (const auto& c : cases) EXPECT_EQ(ReplyValue(c.text, c.key), c.value) << c.text;
}

TEST(VersionCheck, JudgesTheReplyAsTextAgainstOurVersion) {
    const std::string latest = "This is the latest version";
    const std::string preview =
        "This is an preview version as it is newet than the current officially released version";
    const std::string upgrade = "This is not the latest version. click here to upgrade to version ";
    const std::string unknown = "Cannot determine latest version";
    const struct {
        const char* body;
        LogoPicture picture;
        std::string message;
        const char* news;
    } cases[] = {
        {"_PROGRAM_Vellum_\n_LATEST VERSION_1.420_\n_NEWS_All fine_\n", LogoPicture::kGreen, latest,
         "All fine"},
        {"_PROGRAM_Vellum_\n_LATEST VERSION_1.5_\n_NEWS_All fine_\n", LogoPicture::kRed,
         upgrade + "1.5", "All fine"},
        {"_PROGRAM_Vellum_\n_LATEST VERSION_1.0_\n", LogoPicture::kGreen, preview, ""},
        {"_PROGRAM_Vellum_\n_LATEST VERSION_1.42_\n", LogoPicture::kGreen, preview, ""},
        {"_PROGRAM_Vellum_\n_LATEST VERSION_1.4200_\n", LogoPicture::kRed, upgrade + "1.4200", ""},
        // Bytes compare unsigned: a high byte is greater than any digit.
        {"_PROGRAM_Vellum_\n_LATEST VERSION_\xC3\xA9_\n", LogoPicture::kRed, upgrade + "\xC3\xA9",
         ""},
        {"_PROGRAM_vellum_\n_LATEST VERSION_1.420_\n", LogoPicture::kGrey, unknown, ""},
        {"_PROGRAM_Vellum_LATEST VERSION_1.420_NEWS_x_", LogoPicture::kGreen, latest, "x"},
        {"_PROGRAM_Vellum_\r_LATEST VERSION_1.420_\r\n_NEWS_the end", LogoPicture::kGreen, latest,
         ""},
        {"<html>Not Found</html>", LogoPicture::kGrey, unknown, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const VersionCheckOutcome outcome = JudgeReplyBody(c.body);
        EXPECT_TRUE(outcome.exchanged);
        EXPECT_EQ(outcome.verdict.picture, c.picture);
        EXPECT_EQ(outcome.verdict.message, c.message);
        EXPECT_EQ(outcome.news, c.news);
    }
    EXPECT_EQ(PictureHint(latest),
              "Click here to visit web site, Right Click to check latest version, " + latest);
}

}  // namespace
}  // namespace vellum::net
