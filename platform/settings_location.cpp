#include "platform/settings_location.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/program_path.h"

namespace vellum::platform {

namespace {

constexpr mode_t kPrivateFolder = 0700;

bool Absolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (Absolute(home)) return home;
    const passwd* entry = getpwuid(getuid());
    return entry != nullptr && entry->pw_dir != nullptr ? std::string(entry->pw_dir) : home;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Makes folder and whatever of its parents is missing, each with mode 0700.
bool MakeFolders(const std::string& folder) {
    if (mkdir(folder.c_str(), kPrivateFolder) == 0 || errno == EEXIST) return true;
    if (errno != ENOENT) return false;
    const std::string parent = FolderOf(folder);
    if (parent == folder || !MakeFolders(parent)) return false;
    return mkdir(folder.c_str(), kPrivateFolder) == 0 || errno == EEXIST;
}

}  // namespace

SettingsLocation ChooseSettingsLocation(const SettingsSources& s) {
    if (!s.settingsEnv.empty()) return {s.settingsEnv, false};
    const bool portable = s.folderWritable && !s.installedFolder;
    if (!s.besidePath.empty() && (s.besideExists || portable)) return {s.besidePath, false};
    const std::string config = Absolute(s.xdgConfigHome) ? s.xdgConfigHome
                               : Absolute(s.home)        ? s.home + "/.config"
                                                         : std::string();
    // With no home at all the file beside the program is tried, and its failure is reported.
    if (config.empty()) return {s.besidePath, false};
    return {config + "/vellum/vellum.INI", true};
}

bool IsInstalledProgramFolder(std::string_view folder, std::string_view home) {
    for (const std::string_view top : {"/usr", "/bin", "/sbin"})
        if (folder == top || (folder.starts_with(top) && folder[top.size()] == '/')) return true;
    if (Absolute(std::string(home)) && folder == std::string(home) + "/.local/bin") return true;
    return folder == VELLUM_INSTALL_BINDIR;
}

SettingsSources GatherSettingsSources() {
    SettingsSources s;
    s.settingsEnv = Env("VELLUM_SETTINGS");
    s.besidePath = SettingsPath();
    s.xdgConfigHome = Env("XDG_CONFIG_HOME");
    s.home = HomeFolder();
    if (!s.besidePath.empty()) {
        struct stat info {};
        s.besideExists = lstat(s.besidePath.c_str(), &info) == 0;
        const std::string folder = FolderOf(s.besidePath);
        s.folderWritable = access(folder.c_str(), W_OK) == 0;
        s.installedFolder = IsInstalledProgramFolder(folder, s.home);
    }
    return s;
}

std::string PrepareSettingsPath() {
    const SettingsLocation chosen = ChooseSettingsLocation(GatherSettingsSources());
    if (chosen.inUserConfig) (void)MakeFolders(FolderOf(chosen.path));
    return chosen.path;
}

}  // namespace vellum::platform
