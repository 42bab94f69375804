#include "platform/settings_location.h"

#include <dirent.h>
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

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// path with its links, ".", ".." and extra slashes resolved as far as it exists; the rest, which
// no program can lie in yet, is joined on as text.
std::string Resolved(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (char* real = realpath(path.c_str(), nullptr)) {
        std::string resolved(real);
        std::free(real);
        return resolved;
    }
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return path;
    const std::string parent = Resolved(slash == 0 ? std::string("/") : path.substr(0, slash));
    const std::string name = path.substr(slash + 1);
    if (name.empty() || name == ".") return parent;
    if (name == "..") return FolderOf(parent);
    return (parent == "/" ? std::string() : parent) + "/" + name;
}

bool Within(const std::string& folder, const std::string& top) {
    return folder == top || (folder.starts_with(top) && folder[top.size()] == '/');
}

// Whether folder holds an executable file (or a link to one) that is not one of Vellum's own.
bool HoldsOtherPrograms(const std::string& folder, std::string_view programName) {
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr) return false;
    bool found = false;
    while (const dirent* entry = readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || name == "vellum" || name == "vellum-cli" ||
            name == programName)
            continue;
        struct stat info {};
        const std::string path = folder + "/" + std::string(name);
        if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0) {
            found = true;
            break;
        }
    }
    closedir(listing);
    return found;
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

bool IsInstalledProgramFolder(std::string_view folder, std::string_view home,
                              std::string_view programName) {
    const std::string resolved = Resolved(std::string(folder));
    for (const char* top : {"/usr", "/bin", "/sbin"})
        if (Within(resolved, Resolved(top))) return true;
    if (Absolute(std::string(home)) && resolved == Resolved(std::string(home) + "/.local/bin"))
        return true;
    if (resolved == Resolved(VELLUM_INSTALL_BINDIR)) return true;
    return HoldsOtherPrograms(resolved, programName);
}

SettingsSources GatherSettingsSources() {
    SettingsSources s;
    s.settingsEnv = Env("VELLUM_SETTINGS");
    const std::string program = ProgramPath();
    s.besidePath = program.empty() ? std::string() : SettingsPathFor(program);
    s.xdgConfigHome = Env("XDG_CONFIG_HOME");
    s.home = HomeFolder();
    if (!s.besidePath.empty()) {
        struct stat info {};
        s.besideExists = lstat(s.besidePath.c_str(), &info) == 0;
        const std::string folder = FolderOf(program);
        s.folderWritable = access(folder.c_str(), W_OK) == 0;
        s.installedFolder = IsInstalledProgramFolder(folder, s.home, NameOf(program));
    }
    return s;
}

std::string PrepareSettingsPath() {
    const SettingsLocation chosen = ChooseSettingsLocation(GatherSettingsSources());
    if (chosen.inUserConfig) (void)MakeFolders(FolderOf(chosen.path));
    return chosen.path;
}

}  // namespace vellum::platform
