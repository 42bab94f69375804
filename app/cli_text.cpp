#include "app/cli_text.h"

#include "interchange/checksum_lines.h"

namespace vellum::cli {

std::string OneLine(std::string_view text) {
    return EscapedName(text);
}

std::string VerdictLine(std::string_view verdict, std::string_view name) {
    const bool escape = NeedsEscape(name);
    std::string line = escape ? "\\" : "";
    line += verdict;
    line += '\t';
    line += escape ? EscapedName(name) : std::string(name);
    line += '\n';
    return line;
}

}  // namespace vellum::cli
