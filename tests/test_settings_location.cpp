// Where the settings file goes: the variable first, then beside the program for a portable
// copy, then the user's configuration folder for an installed one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/settings_location.h"
#include "tests/support/temp_dir.h"

namespace vellum::platform {
namespace {

using test::TempDir;

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
        EXPECT_TRUE(IsInstalledProgramFolder(folder, "/home/ann", "vellum")) << folder;
    for (const char* folder :
         {"/usrbin", "/opt/vellum", "/home/ann/vellum", "/binaries", "/home/bob/.local/bin"})
        EXPECT_FALSE(IsInstalledProgramFolder(folder, "/home/ann", "vellum")) << folder;
    EXPECT_FALSE(IsInstalledProgramFolder("/.local/bin", "", "vellum"));
}

// The folders are compared as the system finds them, not as their names are spelt: a home
// given with a trailing slash or reached through a link, and a ~/.local/bin that is a link
// itself (the program's own path, from the kernel, names the folder the link leads to).
TEST(SettingsLocation, TheUsersFolderOfProgramsIsFoundThroughSlashesAndLinks) {
    TempDir dir;
    const std::string home = dir.MakeDir("home/ann");
    const std::string bin = dir.MakeDir("home/ann/.local/bin");
    EXPECT_TRUE(IsInstalledProgramFolder(bin, home + "/", "vellum"));
    EXPECT_TRUE(IsInstalledProgramFolder(bin, dir.path() + "//home/./bob/../ann", "vellum"));
    ASSERT_EQ(symlink("home", (dir / "users").c_str()), 0);
    EXPECT_TRUE(IsInstalledProgramFolder(bin, dir / "users/ann", "vellum"));

    const std::string bob = dir.MakeDir("home/bob/.local");
    const std::string dotfiles = dir.MakeDir("home/bob/dotfiles/bin");
    ASSERT_EQ(symlink("../dotfiles/bin", (bob + "/bin").c_str()), 0);
    EXPECT_TRUE(IsInstalledProgramFolder(dotfiles, dir / "home/bob", "vellum"));
    EXPECT_FALSE(IsInstalledProgramFolder(dotfiles, home, "vellum"));
}

// A copy kept with nothing but its own (its twin, its settings, other files, a folder) is
// portable, whatever it is called; beside any other program, by file or by link, as in ~/bin,
// it is an installed one.
TEST(SettingsLocation, AFolderWithOtherProgramsHoldsInstalledPrograms) {
    TempDir dir;
    const auto file = [&](const std::string& name, mode_t mode) {
        const std::string path = dir.Write(name, "#!/bin/sh\n");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
    };
    for (const char* name : {"own/vellum", "own/vellum-cli", "own/vellum-1.420"}) file(name, 0755);
    file("own/vellum.INI", 0644);
    file("own/notes.txt", 0644);
    dir.MakeDir("own/lib");
    EXPECT_FALSE(IsInstalledProgramFolder(dir / "own", "/home/ann", "vellum-1.420"));

    file("beside a file/vellum", 0755);
    file("beside a file/backup", 0700);
    dir.MakeDir("beside a link");
    ASSERT_EQ(symlink("/bin/sh", (dir / "beside a link/sh").c_str()), 0);
    for (const char* folder : {"beside a file", "beside a link", "own"})
        EXPECT_TRUE(IsInstalledProgramFolder(dir / folder, "/home/ann", "vellum")) << folder;
}

}  // namespace
}  // namespace vellum::platform
