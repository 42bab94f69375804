// Sending the flagged files to the trash. Rows whose file went become DELETED; the others stay
// FLAGGED, and a status message says how many could not be moved.
#pragma once

#include <string>

namespace vellum {

struct ListContext;
namespace platform {
class Trash;
}

// Moves one file to the trash; true when it went. A path that is not a file is refused.
[[nodiscard]] bool RecycleFile(ListContext& ctx, platform::Trash& trash, const std::string& path);

// The whole command; ends with a list pass.
void SendFlaggedToTrash(ListContext& ctx, platform::Trash& trash);

}  // namespace vellum
