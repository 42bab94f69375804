// Sending the flagged files to the trash. Rows whose file went become DELETED; the others stay
// FLAGGED, and a status message says how many could not be moved, and which was the first.
#pragma once

#include <cstdint>
#include <string>

namespace vellum {

struct ListContext;
namespace platform {
class Trash;
}

// Moves one file to the trash; true when it went. A path that is not a file is refused.
[[nodiscard]] bool RecycleFile(ListContext& ctx, platform::Trash& trash, const std::string& path);

// "1 file could not be moved to the trash: PATH", or "N files ...: the first is PATH".
[[nodiscard]] std::string NotMovedText(std::int32_t count, const std::string& first);

// The whole command; ends with a list pass.
void SendFlaggedToTrash(ListContext& ctx, platform::Trash& trash);

}  // namespace vellum
