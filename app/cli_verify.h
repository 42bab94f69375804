// vellum-cli --verify and --check: files checked against the values a list, or a user, gives.
#pragma once

#include "app/cli_options.h"

namespace vellum::cli {

// Reads the list as a stream and prints one verdict line per file in the list's order, as each
// is known; memory stays bounded whatever the list's length. Returns the exit status: 0 every
// file unchanged, 1 otherwise (or no usable line, or an unread line under --strict), 2 the list
// cannot be read.
[[nodiscard]] int RunVerify(const Options& o);

// --check DIGEST FILE: 0 when FILE's digest of DIGEST's kind is DIGEST, 1 when not or when FILE
// cannot be read, 2 when DIGEST is no digest.
[[nodiscard]] int RunCheck(const Options& o);

}  // namespace vellum::cli
