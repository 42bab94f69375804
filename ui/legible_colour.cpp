#include "ui/legible_colour.h"

#include <algorithm>
#include <cmath>

namespace vellum::ui {
namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) +
           0.0722 * Linear(colour.blueF());
}

QColor Mix(const QColor& from, const QColor& to, double share) {
    const auto channel = [share](int a, int b) {
        return static_cast<int>(std::lround(a + (b - a) * share));
    };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

}  // namespace

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Legible(const QColor& text, const QColor& ground) {
    if (Contrast(text, ground) >= kLegibleContrast) return text;
    const QColor extreme = Contrast(Qt::white, ground) >= Contrast(Qt::black, ground)
                               ? QColor(Qt::white)
                               : QColor(Qt::black);
    constexpr int kSteps = 20;
    for (int step = 1; step < kSteps; ++step) {
        const QColor moved = Mix(text, extreme, double(step) / kSteps);
        if (Contrast(moved, ground) >= kMovedContrast) return moved;
    }
    return extreme;
}

}  // namespace vellum::ui
