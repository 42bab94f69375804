// The folder search's mask against a plain reference: the input is a mask, a NUL and a name.
// The matcher is greedy with one remembered star; the reference tries every split, so the two
// must agree on every pair, and the greedy one must stay fast on long runs of stars.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether mask[m..] matches name[n..]: a table over every suffix pair.
bool Reference(std::string_view mask, std::string_view name) {
    if (mask.empty()) return false;
    if (mask == "*.*") return true;
    const std::size_t w = name.size() + 1;
    std::vector<char> match((mask.size() + 1) * w, 0);
    match[mask.size() * w + name.size()] = 1;
    for (std::size_t m = mask.size(); m-- > 0;) {
        for (std::size_t n = name.size() + 1; n-- > 0;) {
            bool ok;
            if (mask[m] == '*')
                ok = match[(m + 1) * w + n] || (n < name.size() && match[m * w + n + 1]);
            else
                ok = n < name.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n])) &&
                     match[(m + 1) * w + n + 1];
            match[m * w + n] = ok;
        }
    }
    return match[0] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = bytes.find('\0');
    if (nul == std::string_view::npos || size > 4096) return 0;
    const std::string_view mask = bytes.substr(0, nul), name = bytes.substr(nul + 1);
    if (vellum::platform::MaskMatches(mask, name) != Reference(mask, name)) std::abort();
    return 0;
}
