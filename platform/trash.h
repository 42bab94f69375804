// Moving a file to the freedesktop.org trash (GIO), the home trash or that of the file's mount.
#pragma once

#include <string>

namespace vellum::platform {

class Trash {
  public:
    virtual ~Trash() = default;
    // Moves the file at fullPath (an absolute path, bytes as stored) to a trash; true when the
    // file was moved, false when no trash could take it (the file then stays where it was).
    [[nodiscard]] virtual bool MoveToTrash(const std::string& fullPath);
};

Trash& RealTrash();

}  // namespace vellum::platform
