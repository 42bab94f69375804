// Looking into a freedesktop.org trash folder after a test has sent files there: what it holds,
// and whether every info file has its file and every file its info file.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/temp_dir.h"

namespace vellum::test {

struct TrashContents {
    std::map<std::string, std::string> originals;  // name in files/ -> Path= of its info file
    int orphanInfos = 0;  // info files without their file: the trash would restore nothing
    int orphanFiles = 0;  // files without info: the trash cannot say where they came from
};

// A trashinfo's Path= value with its %XX escapes undone.
inline std::string TrashInfoPath(const std::string& info) {
    const std::size_t at = info.find("\nPath=");
    if (at == std::string::npos) return {};
    const std::string escaped = info.substr(at + 6, info.find('\n', at + 6) - at - 6);
    std::string path;
    for (std::size_t k = 0; k < escaped.size(); ++k) {
        if (escaped[k] == '%' && k + 2 < escaped.size()) {
            path += static_cast<char>(std::stoi(escaped.substr(k + 1, 2), nullptr, 16));
            k += 2;
        } else {
            path += escaped[k];
        }
    }
    return path;
}

inline TrashContents ReadTrash(const std::string& trash) {
    namespace fs = std::filesystem;
    TrashContents contents;
    std::error_code ec;
    const std::string suffix = ".trashinfo";
    for (const auto& info : fs::directory_iterator(trash + "/info", ec)) {
        std::string name = info.path().filename().string();
        if (name.size() <= suffix.size()) continue;
        name.resize(name.size() - suffix.size());
        if (!fs::exists(fs::symlink_status(trash + "/files/" + name))) ++contents.orphanInfos;
        contents.originals[name] = TrashInfoPath(ReadAll(info.path()));
    }
    for (const auto& file : fs::directory_iterator(trash + "/files", ec)) {
        const std::string name = file.path().filename().string();
        if (!fs::exists(trash + "/info/" + name + suffix)) ++contents.orphanFiles;
    }
    return contents;
}

}  // namespace vellum::test
