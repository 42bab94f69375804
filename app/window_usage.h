// What `vellum --help` and `vellum --version` print: answered before any window or display is
// needed, as Linux programs answer them. Every other argument goes to the window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vellum::app {

// The text to print on standard output instead of starting, when an argument asks for it.
[[nodiscard]] std::optional<std::string> EarlyAnswer(const std::vector<std::string>& args);

}  // namespace vellum::app
