// Where the settings file goes: the variable first, then beside the program for a portable
// copy, then the user's configuration folder for an installed one.
#include <gtest/gtest.h>

#include "platform/settings_location.h"

namespace vellum::platform {
namespace {

TEST(SettingsLocation, VariableThenBesideThenUserConfiguration) {
    const std::string beside = "/opt/vellum/vellum.INI";
    const std::string home = "/home/ann/.config/vellum/vellum.INI";
    struct Case {
        SettingsSources sources;
        SettingsLocation wanted;
    };
    const Case cases[] = {
        // VELLUM_SETTINGS wins over a file beside the program.
        {{"/tmp/s.INI", beside, true, true, "/xdg", "/home/ann"}, {"/tmp/s.INI", false}},
        // A portable copy: the file is there, or may be made there.
        {{"", beside, true, false, "/xdg", "/home/ann"}, {beside, false}},
        {{"", beside, false, true, "/xdg", "/home/ann"}, {beside, false}},
        // An installed copy: the user's configuration folder.
        {{"", beside, false, false, "/xdg", "/home/ann"}, {"/xdg/vellum/vellum.INI", true}},
        {{"", beside, false, false, "", "/home/ann"}, {home, true}},
        {{"", beside, false, false, "relative/cfg", "/home/ann"}, {home, true}},
        {{"", "", false, false, "", "/home/ann"}, {home, true}},
        // Root may write /usr/bin, but an installed copy never makes its file there; one that
        // an administrator put there is still used.
        {{"", "/usr/bin/vellum.INI", false, true, "", "/home/ann", true}, {home, true}},
        {{"", "/usr/bin/vellum.INI", true, true, "", "/home/ann", true},
         {"/usr/bin/vellum.INI", false}},
        // Nowhere else to go: the file beside the program is tried, and its failure shown.
        {{"", beside, false, false, "", ""}, {beside, false}},
        {{"", beside, false, false, "", "ann"}, {beside, false}},
    };
    for (const Case& c : cases) {
        const SettingsLocation got = ChooseSettingsLocation(c.sources);
        EXPECT_EQ(got.path, c.wanted.path) << c.sources.xdgConfigHome << " " << c.sources.home;
        EXPECT_EQ(got.inUserConfig, c.wanted.inUserConfig) << got.path;
    }
}

TEST(SettingsLocation, InstalledProgramFoldersAreTheSystemsTheUsersAndTheInstallFolder) {
    for (const char* folder :
         {"/usr/bin", "/usr", "/usr/local/bin", "/bin", "/sbin", "/home/ann/.local/bin"})
        EXPECT_TRUE(IsInstalledProgramFolder(folder, "/home/ann")) << folder;
    for (const char* folder :
         {"/usrbin", "/opt/vellum", "/home/ann/vellum", "/", "/binaries", "/home/bob/.local/bin"})
        EXPECT_FALSE(IsInstalledProgramFolder(folder, "/home/ann")) << folder;
    EXPECT_FALSE(IsInstalledProgramFolder("/.local/bin", ""));
}

}  // namespace
}  // namespace vellum::platform
