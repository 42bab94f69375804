// Where the settings file lives: named by VELLUM_SETTINGS; else beside the program, where a
// portable copy keeps it; else, for an installed copy whose folder its user cannot write, in
// the user's configuration folder.
#pragma once

#include <string>
#include <string_view>

namespace vellum::platform {

// What the choice depends on, gathered from the environment and the file system.
struct SettingsSources {
    std::string settingsEnv;       // VELLUM_SETTINGS; empty when unset
    std::string besidePath;        // the program's path with ".INI"; empty when unknown
    bool besideExists = false;     // a file is at besidePath
    bool folderWritable = false;   // the program's folder may be written
    std::string xdgConfigHome;     // XDG_CONFIG_HOME; empty when unset
    std::string home;              // the user's home folder; empty when unknown
    bool installedFolder = false;  // the program's folder holds installed programs
};

struct SettingsLocation {
    std::string path;           // empty when there is nowhere to keep it
    bool inUserConfig = false;  // under the user's configuration folder, which may need making
};

[[nodiscard]] SettingsLocation ChooseSettingsLocation(const SettingsSources& sources);

// Whether folder holds installed programs rather than a portable copy: anything under /usr,
// /bin and /sbin, the user's ~/.local/bin, or the folder this build installs its programs into,
// each compared with folder after links, "." and ".." and extra slashes are resolved on both
// sides; or a folder that holds other programs, any executable file but vellum, vellum-cli and
// programName (the running program's own name). Root may write the system's folders, but a file
// made there belongs to no package and is shared by every user; a folder of programs, such as
// ~/.local/bin or ~/bin, holds programs, not their settings.
[[nodiscard]] bool IsInstalledProgramFolder(std::string_view folder, std::string_view home,
                                            std::string_view programName);

// The sources of this run: the environment, /proc/self/exe, and HOME (or the password
// database when HOME is unset or not absolute).
[[nodiscard]] SettingsSources GatherSettingsSources();

// The settings file of this run, its folder made (mode 0700) when it belongs in the user's
// configuration folder. A folder that cannot be made shows later, when the file is written.
[[nodiscard]] std::string PrepareSettingsPath();

}  // namespace vellum::platform
