// Text colours that stay readable whatever the desktop's palette: a colour the window was drawn
// with is kept where it stands out from its ground, and only lightened (on a dark ground) or
// darkened (on a light one) where it would not, so red stays red and blue stays blue.
#pragma once

#include <QColor>

namespace vellum::ui {

// How far two colours stand apart, from 1 (the same) to 21 (black and white): the ratio of
// their relative luminances, each plus 0.05, as the web's accessibility guidelines define it.
[[nodiscard]] double Contrast(const QColor& a, const QColor& b);

// A designed colour is kept on a ground it reaches this on; the window's red on a light button
// face has 3.5.
inline constexpr double kLegibleContrast = 3.0;
// A colour that has to be moved is moved this far, as ordinary text should stand out.
inline constexpr double kMovedContrast = 4.5;

// text where it reaches kLegibleContrast on ground, else text moved towards white or black,
// whichever stands out more from ground, just far enough to reach kMovedContrast.
[[nodiscard]] QColor Legible(const QColor& text, const QColor& ground);

}  // namespace vellum::ui
