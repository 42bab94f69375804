#include "platform/program_path.h"

#include <unistd.h>

#include <vector>

namespace vellum::platform {

namespace {

// Long enough for any path the kernel hands out; the loop only guards against truncation.
constexpr std::size_t kFirstGuess = 256;
constexpr std::size_t kLongestPath = 64 * 1024;

}  // namespace

std::string ProgramPath() {
    for (std::size_t size = kFirstGuess; size <= kLongestPath; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    return {};
}

std::string SettingsPathFor(std::string_view programPath) {
    const auto slash = programPath.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = programPath.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot > nameStart;
    return std::string(hasExtension ? programPath.substr(0, dot) : programPath) + ".INI";
}

}  // namespace vellum::platform
