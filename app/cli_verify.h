// vellum-cli --verify: checks the files of a list file against the values it holds.
#pragma once

#include "app/cli_options.h"

namespace vellum::cli {

// Imports the list, calculates its files and prints one verdict line per row; returns the
// exit status (0 all unchanged, 1 otherwise or no valid line, 2 the list cannot be read).
[[nodiscard]] int RunVerify(const Options& o);

}  // namespace vellum::cli
