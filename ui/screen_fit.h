// Where a window goes among the screens there are: inside a screen's available area at any
// scale, at the size it was made for where that fits and smaller where it does not, and back
// where the user left it when that place still fits a screen present. The rules work on
// rectangles alone; the few functions that take a widget only read or set its geometry.
#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace vellum::ui {

// A client size that fits area with frame around it: wanted, cut to the area where that is
// smaller, but never below minimum.
[[nodiscard]] QSize SizeInside(QSize wanted, QSize minimum, const QRect& area,
                               const QMargins& frame);
// The top left of the frame of a window of client size size, centred in area, and never
// above or left of it.
[[nodiscard]] QPoint CentredIn(QSize size, const QRect& area, const QMargins& frame);
// A frame rectangle moved into area; where it is larger than the area, it starts at its corner.
[[nodiscard]] QRect MovedInside(const QRect& frame, const QRect& area);

// A window's place as the settings file keeps it, "x,y,width,height": the top left of its
// frame and the size of its client area.
[[nodiscard]] std::string PlaceText(const QRect& place);
[[nodiscard]] std::optional<QRect> ReadPlace(std::string_view text);
// A window's size alone, "width,height".
[[nodiscard]] std::string SizeText(QSize size);
[[nodiscard]] std::optional<QSize> ReadSize(std::string_view text);
// Whether a window's place lies whole inside one of the areas. Its frame is not known before it
// is shown: KeepOnScreen then moves a title bar that hangs over the edge back in.
[[nodiscard]] bool FitsOneOf(const QRect& place, const std::vector<QRect>& areas);

// The frame the window manager puts around window: measured once it is on screen; before
// that, a title bar and thin borders as most window managers draw them.
[[nodiscard]] QMargins FrameOf(const QWidget& window);
// The available area (the screen less the desktop's panels) of the screen window is on.
[[nodiscard]] QRect AvailableArea(const QWidget& window);
// The available areas of every screen there is.
[[nodiscard]] std::vector<QRect> AvailableAreas();

// Sizes window to wanted, or as much of it as its screen's area holds, and centres it there.
void FitOnScreen(QWidget& window, QSize wanted);
// A window whose frame hangs over the edge of its screen's area (a window manager drew a
// taller title bar than foreseen) is moved back inside, and made smaller where it must.
void KeepOnScreen(QWidget& window);
// The height window may grow to from where it stands, its frame still inside the area.
[[nodiscard]] int TallestOnScreen(const QWidget& window);

}  // namespace vellum::ui
