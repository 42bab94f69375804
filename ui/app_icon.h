// The window's icon: the desktop's own, from its icon theme, where the theme has it; else the
// one the program carries, so that no desktop shows the window without it.
#pragma once

#include <QIcon>
#include <QString>

namespace vellum::ui {

// The icon named id in the icon theme, else the program's own at 48, 128 and 256 pixels.
[[nodiscard]] QIcon ApplicationIcon(const QString& id);

}  // namespace vellum::ui
