// The settings file: the INI rules on text, the atomic replacement on disk, and its path.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <utility>

#include "platform/ini.h"
#include "platform/program_path.h"
#include "tests/support/temp_dir.h"

namespace vellum::platform {
namespace {

TEST(IniLookup, MatchesNamesWithoutCaseAndTrimsValues) {
    const std::string text =
        "top=outside\n[Other]\nkey=other\n"
        "  [ software\\TARNWICK\\vellum ]  \r\n"
        "; key=commented\r\n  UniqueSerialNumber  =  123abc  \r\n"
        "quoted=\"  spaced  \"\r\nsingle='x'\nhalf=\"open\nbare\n"
        "[Software\\Tarnwick\\Vellum]\nlater=a second section is not read\n";
    const std::pair<const char*, const char*> cases[] = {
        {"uniqueserialnumber", "123abc"},
        {"QUOTED", "  spaced  "},
        {"single", "x"},
        {"half", "\"open"},
        {"bare", ""},
        {"key", ""},
        {"top", ""},
        {"later", ""},
    };
    for (const auto& [key, value] : cases)
        EXPECT_EQ(IniLookup(text, "Software\\Tarnwick\\Vellum", key), value) << key;
    EXPECT_EQ(IniLookup(text, "other", "KEY"), "other");
}

TEST(IniReplace, ChangesOneLineAndKeepsEveryOtherByte) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "[S]\nk=v\n"},
        {"; note\r\n[s]\r\n K = old \r\nz=1\r\n", "; note\r\n[s]\r\nK=v\r\nz=1\r\n"},
        {"[S]\na=1\n\n[T]\nb=2\n", "[S]\na=1\nk=v\n\n[T]\nb=2\n"},
        {"[S]\na=1", "[S]\na=1\nk=v\n"},
        {"[S]\n[T]\n", "[S]\nk=v\n[T]\n"},
        {"[T]\r\nb=2", "[T]\r\nb=2\r\n\r\n[S]\r\nk=v\r\n"},
    };
    for (const auto& [before, after] : cases)
        EXPECT_EQ(IniReplace(before, "S", "k", "v"), after) << before;
}

TEST(IniFile, WriteReplacesTheFileWholeAndLeavesNothingElseBehind) {
    test::TempDir dir;
    const std::string path = dir.Write("Vellum.INI", "[Keep]\r\nthis=as it was\r\n");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(IniWrite(path, "Software\\Tarnwick\\Vellum", "UniqueSerialNumber", "1abc"));
    ASSERT_TRUE(IniWrite(path, "software\\tarnwick\\vellum", "uniqueserialnumber", "2def"));
    EXPECT_EQ(test::ReadAll(path),
              "[Keep]\r\nthis=as it was\r\n\r\n[Software\\Tarnwick\\Vellum]\r\n"
              "UniqueSerialNumber=2def\r\n");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(IniFile, UnusableTargetsReadEmptyAndRefuseWritesWithoutHanging) {
    test::TempDir dir;
    const std::string fifo = dir / "fifo.INI";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir.Write("huge.INI", "[S]\nk=v\n" + std::string(kMaxIniBytes, ';'));
    // Each refusal says why, in the words the user is shown.
    const std::pair<std::string, int> targets[] = {
        {dir.MakeDir("folder.INI"), EISDIR},
        {fifo, EINVAL},
        {huge, EFBIG},
        {dir / "no/dir/x.INI", ENOENT},
    };
    for (const auto& [path, reason] : targets) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(IniRead(path, "S", "k"), "") << path;
        EXPECT_FALSE(IniWrite(path, "S", "k", "v")) << path;
        EXPECT_EQ(IniStore(path, "S", "k", "v"), reason) << path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
    EXPECT_EQ(test::ReadAll(huge).size(), kMaxIniBytes + 8);  // not replaced by a part of itself
    // Text that would break the line structure is refused rather than written.
    EXPECT_EQ(IniStore(dir / "x.INI", "S", "k", "v\r\n[Injected]"), EINVAL);
    EXPECT_EQ(IniStore(dir / "x.INI", "S]", "k", "v"), EINVAL);
    EXPECT_EQ(IniStore(dir / "x.INI", "S", "k=j", "v"), EINVAL);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.INI"));
}

TEST(SettingsPath, ReplacesOnlyTheLastComponentsExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/vellum/vellum", "/opt/vellum/vellum.INI"},
        {"/opt/Vellum.exe", "/opt/Vellum.INI"},
        {"/opt/v1.4/vellum", "/opt/v1.4/vellum.INI"},
        {"/opt/a.tar.gz", "/opt/a.tar.INI"},
        {"/opt/.vellum", "/opt/.vellum.INI"},
        {"vellum", "vellum.INI"},
    };
    for (const auto& [program, settings] : cases) EXPECT_EQ(SettingsPathFor(program), settings);
    EXPECT_EQ(std::filesystem::path(ProgramPath()).filename(), "test_ini");
    EXPECT_EQ(SettingsPathFor(ProgramPath()), ProgramPath() + ".INI");
}

}  // namespace
}  // namespace vellum::platform
