// The program's pictures, embedded from resources/vellum.qrc: JPEGs decoded by our libjpeg
// decoder, bitmaps by Qt's built-in BMP reader.
#pragma once

#include <QImage>
#include <string_view>

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

}  // namespace vellum::ui
