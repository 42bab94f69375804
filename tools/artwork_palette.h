// The colours that Vellum's pictures and its icon share: ink, parchment and seal.
#pragma once

#include <QColor>

namespace vellum::artwork {

inline const QColor kInk(0x2B, 0x2A, 0x4C);
inline const QColor kParchmentTop(0xF4, 0xEA, 0xD3);
inline const QColor kParchmentBottom(0xE4, 0xD1, 0xA9);
inline const QColor kParchmentEdge(0xA8, 0x8E, 0x5C);
inline const QColor kSealLight(0xBE, 0x42, 0x38);
inline const QColor kSealDark(0x7A, 0x1E, 0x1B);

}  // namespace vellum::artwork
