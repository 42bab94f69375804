// A count with its noun, "1 file" and "2 files", for the messages Vellum words itself (the
// window's own texts, such as "Listing 1 files", are kept as they always read).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellum {

// The count in decimal (or as shown, when the caller groups its digits), a blank and the noun,
// with an "s" unless the count is exactly one.
[[nodiscard]] inline std::string Counted(std::int64_t count, std::string_view noun,
                                         std::string_view shown = {}) {
    std::string text = shown.empty() ? std::to_string(count) : std::string(shown);
    text += ' ';
    text += noun;
    if (count != 1) text += 's';
    return text;
}

}  // namespace vellum
