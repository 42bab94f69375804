// JPEG pictures through libjpeg itself: the program's own pictures are decoded here and not
// by whatever image plug-ins the Qt installation happens to carry.
#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

namespace vellum::ui {

// Pictures beyond this on either side are not ours; they are refused before any allocation.
inline constexpr int kLargestJpegSide = 4096;

// The picture in bytes, as 24-bit RGB; an empty image when the bytes are not a whole, sound
// JPEG (libjpeg's complaints end the decoding, never the program).
[[nodiscard]] QImage DecodeJpeg(QByteArrayView bytes);

// DecodeJpeg of a file or Qt resource (":/pictures/..."); empty when it cannot be read.
[[nodiscard]] QImage LoadJpeg(const QString& path);

}  // namespace vellum::ui
