// The installation identifier in the settings file, and the addresses on the maker's host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

#include "checksum/md5.h"
#include "net/install_id.h"
#include "net/web_host.h"
#include "tests/support/temp_dir.h"

namespace vellum::net {
namespace {

constexpr std::int64_t kEpoch = 946'688'461'001;  // 2000-01-01 01:01:01.001, local ms since 1970

// 1 to 19 decimal digits, then 32 lower-case hexadecimal digits.
bool HasIdForm(const std::string& id) {
    if (id.size() < 33 || id.size() > 51) return false;
    const auto digits = id.begin() + static_cast<std::ptrdiff_t>(id.size() - 32);
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isHex = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); };
    return std::all_of(id.begin(), digits, isDigit) && std::all_of(digits, id.end(), isHex);
}

LocalClock At(std::int64_t ms) {
    return [ms] { return ms; };
}

TEST(InstallId, EveryClockReadingGivesAnIdOfTheStoredForm) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {kEpoch, 0}, {kEpoch + 1, 1},       {kEpoch - 1, 1},
        {0, kEpoch}, {kMax, kMax - kEpoch}, {kMin, kMax},  // clamped, not wrapped
    };
    for (const auto& [localMs, t] : cases) {
        EXPECT_EQ(MillisecondsSince2000(localMs), t) << localMs;
        const std::string id = MakeInstallId(t);
        EXPECT_TRUE(HasIdForm(id)) << id;
        EXPECT_EQ(id.substr(id.size() - 32), DigestToHex(DigestOfText(std::to_string(t))));
    }
    EXPECT_NE(MakeInstallId(1000), MakeInstallId(1001));
}

TEST(InstallId, IsMadeOnceAndStoredBesideOtherSettings) {
    test::TempDir dir;
    const std::string path = dir.Write("vellum.INI", "[Window]\nleft=10\n");
    const InstallIdOutcome first = LoadInstallId(path, At(kEpoch + 123'456'789));
    EXPECT_TRUE(first.made);
    EXPECT_EQ(first.writeError, "");
    EXPECT_EQ(first.id, MakeInstallId(123'456'789));
    EXPECT_EQ(test::ReadAll(path),
              "[Window]\nleft=10\n\n[Software\\Tarnwick\\Vellum]\n"
              "UniqueSerialNumber=" +
                  first.id + "\n");
    const InstallIdOutcome second = LoadInstallId(path, At(kEpoch + 999));
    EXPECT_FALSE(second.made);
    EXPECT_EQ(second.id, first.id);

    dir.Write("hand.INI", "[software\\tarnwick\\vellum]\r\nuniqueserialnumber=hand-made\r\n");
    EXPECT_EQ(LoadInstallId(dir / "hand.INI", At(kEpoch)).id, "hand-made");
}

TEST(InstallId, UnwritableSettingsFileIsReportedWithItsReasonAndTheIdStillServes) {
    test::TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {dir.MakeDir("vellum.INI"), "Is a directory"},
        {dir / "missing/vellum.INI", "No such file or directory"},
    };
    for (const auto& [path, reason] : cases) {
        const InstallIdOutcome outcome = LoadInstallId(path, At(kEpoch + 5));
        EXPECT_TRUE(outcome.made);
        EXPECT_EQ(outcome.writeError, "Unable to write to " + path);
        EXPECT_EQ(outcome.writeReason, reason);
        EXPECT_EQ(outcome.id, MakeInstallId(5));
    }
}

// The first line as it always was; the second tells why and what it costs, the version check
// only when this start would have made one.
TEST(InstallId, TheFailureMessageSaysWhyAndWhatFollows) {
    const InstallIdOutcome outcome{"1abc", true, "Unable to write to /opt/v/vellum.INI",
                                   "Permission denied"};
    EXPECT_EQ(WriteFailureMessage(outcome, true),
              "Unable to write to /opt/v/vellum.INI\nPermission denied: the installation "
              "identifier is not kept, and the version check is skipped this time.");
    EXPECT_EQ(WriteFailureMessage(outcome, false),
              "Unable to write to /opt/v/vellum.INI\nPermission denied: the installation "
              "identifier is not kept.");
}

TEST(WebHost, EnvironmentOverridesTheBuiltInHostOnlyWithAHostName) {
    const std::string builtIn = WebHostFrom(nullptr);
    for (const char* host : {"127.0.0.1:8080", "[::1]:81", "updates.vellum.example"})
        EXPECT_EQ(WebHostFrom(host), host);
    for (const char* junk : {"", "evil.example/steal?", "a b", "user@host"})
        EXPECT_EQ(WebHostFrom(junk), builtIn) << junk;

    setenv("VELLUM_WEB_HOST", "127.0.0.1:9", 1);
    EXPECT_EQ(VersionCheckUrl(""), "http://127.0.0.1:9/vellum/version.php");
    EXPECT_EQ(VersionCheckUrl("12abc"), "http://127.0.0.1:9/vellum/version.php?uniqueid=12abc");
    EXPECT_EQ(VersionCheckUrl("a b&c"), "http://127.0.0.1:9/vellum/version.php?uniqueid=a%20b%26c");
    EXPECT_EQ(HomePageUrl(), "http://127.0.0.1:9/");
    EXPECT_EQ(ProductPageUrl(), "http://127.0.0.1:9/vellum.php");
    unsetenv("VELLUM_WEB_HOST");
}

}  // namespace
}  // namespace vellum::net
