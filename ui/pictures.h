// The program's pictures, embedded from resources/vellum.qrc: JPEGs decoded by our libjpeg
// decoder, bitmaps by Qt's built-in BMP reader. Each is there at its size and at twice its size
// ("name@2x.jpg"), so that a scaled screen shows it sharp.
#pragma once

#include <QImage>
#include <QPixmap>
#include <string_view>

class QLabel;

namespace vellum::ui {

inline constexpr std::string_view kWebGrey = "web_grey.jpg";
inline constexpr std::string_view kWebGreen = "web_green.jpg";
inline constexpr std::string_view kWebRed = "web_red.jpg";
inline constexpr std::string_view kAboutBackground = "about_background.jpg";
inline constexpr std::string_view kAboutTitle = "about_title.jpg";
inline constexpr std::string_view kAboutSeal = "about_seal.jpg";
inline constexpr std::string_view kAboutLink = "about_link.bmp";
inline constexpr std::string_view kSplashBitmap = "splash.bmp";
inline constexpr std::string_view kLimitPicture = "limit.bmp";

// One picture by its file name; an empty image when it is missing or damaged.
[[nodiscard]] QImage Picture(std::string_view name);

// The picture for a screen of this device pixel ratio: the 1x drawing up to 1, else the 2x
// drawing, scaled to the ratio where it is not 2. The pixmap carries the ratio, so it takes the
// 1x picture's place in the window's coordinates.
[[nodiscard]] QPixmap PicturePixmap(std::string_view name, qreal ratio);
// Shows the picture in the label at the label's device pixel ratio.
void SetPicture(QLabel& label, std::string_view name);

}  // namespace vellum::ui
