// The freedesktop.org trash through GIO, which also picks the trash of the file's own mount
// when the file is not on the home file system.
#include "platform/trash.h"

#include <gio/gio.h>

#include <memory>

namespace vellum::platform {
namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

}  // namespace

bool Trash::MoveToTrash(const std::string& fullPath) {
    // A NUL would end the name early and trash some other file.
    if (fullPath.empty() || fullPath.find('\0') != std::string::npos) return false;
    // A relative XDG_DATA_HOME (or HOME) would have GIO build the home trash inside whatever
    // folder is current and move the file there, where no trash view would ever show it.
    if (!g_path_is_absolute(g_get_user_data_dir())) return false;
    const std::unique_ptr<GFile, ObjectUnref> file(g_file_new_for_path(fullPath.c_str()));
    GError* raw = nullptr;
    const bool moved = g_file_trash(file.get(), nullptr, &raw) != FALSE;
    const std::unique_ptr<GError, ErrorFree> error(raw);
    return moved;
}

Trash& RealTrash() {
    static Trash trash;
    return trash;
}

}  // namespace vellum::platform
