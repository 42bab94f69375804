// Sizes of the controls that were laid out in pixels for a narrow 8-point font: each keeps its
// designed size where its text fits in the font in use, and grows just enough where it does not.
// The texts are measured with the font the control really draws with.
#pragma once

#include <QStringView>
#include <algorithm>
#include <initializer_list>

class QComboBox;
class QFontMetrics;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace vellum::ui {

// A font's pixel size as designed for the desktop's default font (9 points at 96 dots per inch,
// 12 pixels), scaled as the desktop's font is larger or smaller than that: the windows' text
// follows the desktop's.
[[nodiscard]] int FollowDesktopFont(int designPixels);

// The designed size, or what is needed where that is more.
[[nodiscard]] constexpr int DesignOr(int design, int needed) {
    return std::max(design, needed);
}

// The widest of the texts, rounded up to whole pixels.
[[nodiscard]] int WidestText(const QFontMetrics& metrics, std::initializer_list<QStringView> texts);
// count characters of the widest of glyphs: the room a value written in them can take.
[[nodiscard]] int WidestRun(const QFontMetrics& metrics, QStringView glyphs, int count);

// A widget as high as designed, or as a line of its font plus room (frame and margins).
[[nodiscard]] int FitHeight(int design, const QWidget& widget, int room);
// A widget (a label, a panel) as wide as designed, or as the widest text plus room (its frame
// and the margin the text keeps from it).
[[nodiscard]] int FitWidth(int design, const QWidget& widget,
                           std::initializer_list<QStringView> texts, int room);
// A push button that shows each of its captions whole, with the style's margin around it.
[[nodiscard]] int ButtonWidth(int design, const QPushButton& button,
                              std::initializer_list<QStringView> captions);
// A line edit that shows textWidth pixels of text without scrolling.
[[nodiscard]] int LineEditWidth(int design, const QLineEdit& edit, int textWidth);
// An editable combo box that shows textWidth pixels of text beside its arrow.
[[nodiscard]] int ComboBoxWidth(int design, const QComboBox& box, int textWidth);

// The width a window needs for the window manager to show its whole title: the title in the
// desktop's font, bold as most title bars draw it, and room for the buttons beside it.
[[nodiscard]] int TitleBarWidth(const QString& title);

}  // namespace vellum::ui
