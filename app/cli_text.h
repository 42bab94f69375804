// Names as vellum-cli prints them. A name with a backslash or a line break could forge a line of
// output ("a.iso", a line feed, "UNCHANGED", a tab, "b.iso"), so such a name is escaped as md5sum
// escapes it, and the line that holds it starts with a backslash.
#pragma once

#include <string>
#include <string_view>

namespace vellum::cli {

// "VERDICT\tname\n", or "\VERDICT\tescaped name\n".
[[nodiscard]] std::string VerdictLine(std::string_view verdict, std::string_view name);
// A message for standard error kept on one line: backslashes, CRs and LFs in it are escaped.
[[nodiscard]] std::string OneLine(std::string_view text);

}  // namespace vellum::cli
