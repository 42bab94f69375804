#include "platform/error_text.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vellum::platform {
namespace {

// The run-time's few words for errno values; every other value is "I/O error %d". A file nobody
// may write and one on a read-only mount are both a refusal to the user, as a full disk and a
// spent quota are both no room.
struct Wording {
    int code;
    std::string_view text;
};
constexpr Wording kRunTimeWordings[] = {
    {EACCES, "File access denied"}, {EPERM, "File access denied"}, {EROFS, "File access denied"},
    {ENOSPC, "Disk full"},          {EDQUOT, "Disk full"},         {ENOENT, "File not found"},
};

// strerror_r has two shapes: the POSIX one fills the buffer and returns a status, the GNU one
// returns the text, which may be a static string rather than the buffer.
[[maybe_unused]] const char* MessageOf(int status, const char* buffer) {
    return status == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* MessageOf(const char* text, const char*) {
    return text;
}

}  // namespace

std::string ErrorText(int code) {
    char buffer[256] = {};
    const char* text = MessageOf(::strerror_r(code, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(code);
    return text;
}

std::string IoErrorText(int code) {
    for (const Wording& wording : kRunTimeWordings)
        if (wording.code == code) return std::string(wording.text);
    return "I/O error " + std::to_string(code);
}

std::string AboutFile(std::string_view path, std::string_view reason) {
    std::string text(path);
    return text.append(": ").append(reason);
}

std::string AboutLine(std::string_view path, std::int64_t line, std::string_view reason) {
    std::string text(path);
    return text.append(", line ").append(std::to_string(line)).append(": ").append(reason);
}

}  // namespace vellum::platform
