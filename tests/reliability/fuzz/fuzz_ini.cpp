// The INI reader and writer on text in memory. The input is the file's text, then after a NUL
// a section, a key and a value separated by NULs. Setting the key must make it read back as
// set, and must leave every other key of the file reading as it did.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini.h"

namespace {

std::vector<std::string_view> Split(std::string_view bytes) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t nul = bytes.find('\0');
        parts.push_back(bytes.substr(0, nul));
        if (nul == std::string_view::npos) return parts;
        bytes.remove_prefix(nul + 1);
    }
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool BreaksLines(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Names as the program uses them: what IniWrite accepts, and what a reader can find again
// (no blanks around them, a key that is neither a comment nor a section header).
bool Usable(std::string_view section, std::string_view key, std::string_view value) {
    if (key.empty() || BreaksLines(section) || BreaksLines(key) || BreaksLines(value)) return false;
    if (section.find(']') != section.npos || key.find('=') != key.npos) return false;
    if (Trim(section) != section || Trim(key) != key) return false;
    return key.front() != ';' && key.front() != '[';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = Split({reinterpret_cast<const char*>(data), size});
    const std::string_view text = parts[0];
    const std::string_view section = parts.size() > 1 ? parts[1] : "Software\\Tarnwick\\Vellum";
    const std::string_view key = parts.size() > 2 ? parts[2] : "UniqueSerialNumber";
    const std::string_view value = parts.size() > 3 ? parts[3] : "42";
    const std::string_view otherKey = parts.size() > 4 ? parts[4] : "other";
    (void)vellum::platform::IniLookup(text, section, key);
    if (!Usable(section, key, value)) return 0;
    const std::string after = vellum::platform::IniReplace(text, section, key, value);
    if (vellum::platform::IniLookup(after, section, key) != Unquote(Trim(value))) std::abort();
    if (!EqualNoCase(otherKey, key) && vellum::platform::IniLookup(after, section, otherKey) !=
                                           vellum::platform::IniLookup(text, section, otherKey))
        std::abort();
    return 0;
}
