#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <charconv>

namespace vellum::ui {
namespace {

// Before a window is shown nothing says how tall its title bar will be. This is a common
// one at the desktop's scale; KeepOnScreen corrects the guess once the real frame is known.
constexpr QMargins kAssumedFrame(2, 30, 2, 2);

QSize FrameSize(QSize size, const QMargins& frame) {
    return size.grownBy(frame);
}

}  // namespace

QSize SizeInside(QSize wanted, QSize minimum, const QRect& area, const QMargins& frame) {
    const QSize room = area.size().shrunkBy(frame);
    return wanted.boundedTo(room).expandedTo(minimum);
}

QPoint CentredIn(QSize size, const QRect& area, const QMargins& frame) {
    const QSize outer = FrameSize(size, frame);
    return {area.x() + std::max(0, (area.width() - outer.width()) / 2),
            area.y() + std::max(0, (area.height() - outer.height()) / 2)};
}

QRect MovedInside(const QRect& frame, const QRect& area) {
    QRect moved = frame;
    if (moved.right() > area.right()) moved.moveRight(area.right());
    if (moved.bottom() > area.bottom()) moved.moveBottom(area.bottom());
    if (moved.left() < area.left()) moved.moveLeft(area.left());
    if (moved.top() < area.top()) moved.moveTop(area.top());
    return moved;
}

std::string PlaceText(const QRect& place) {
    return std::to_string(place.x()) + ',' + std::to_string(place.y()) + ',' +
           std::to_string(place.width()) + ',' + std::to_string(place.height());
}

std::optional<QRect> ReadPlace(std::string_view text) {
    int numbers[4] = {};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (int k = 0; k < 4; ++k) {
        if (k > 0) {
            if (at == end || *at != ',') return std::nullopt;
            ++at;
        }
        const auto [next, ec] = std::from_chars(at, end, numbers[k]);
        if (ec != std::errc()) return std::nullopt;
        at = next;
    }
    if (at != end || numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

std::string SizeText(QSize size) {
    return std::to_string(size.width()) + ',' + std::to_string(size.height());
}

std::optional<QSize> ReadSize(std::string_view text) {
    const std::optional<QRect> place = ReadPlace("0,0," + std::string(text));
    if (!place) return std::nullopt;
    return place->size();
}

bool FitsOneOf(const QRect& place, const std::vector<QRect>& areas) {
    return std::any_of(areas.begin(), areas.end(),
                       [&](const QRect& area) { return area.contains(place); });
}

QMargins FrameOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    if (handle == nullptr || !window.isVisible()) return kAssumedFrame;
    return handle->frameMargins();
}

QRect AvailableArea(const QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

std::vector<QRect> AvailableAreas() {
    std::vector<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    return areas;
}

void FitOnScreen(QWidget& window, QSize wanted) {
    const QRect area = AvailableArea(window);
    if (area.isEmpty()) {
        window.resize(wanted);
        return;
    }
    const QMargins frame = FrameOf(window);
    const QSize size = SizeInside(wanted, window.minimumSize(), area, frame);
    window.resize(size);
    window.move(CentredIn(size, area, frame));
}

void KeepOnScreen(QWidget& window) {
    const QRect area = AvailableArea(window);
    const QRect outer = window.frameGeometry();
    if (area.isEmpty() || area.contains(outer)) return;
    const QMargins frame = FrameOf(window);
    const QSize size = SizeInside(window.size(), window.minimumSize(), area, frame);
    if (size != window.size()) window.resize(size);
    window.move(MovedInside(QRect(outer.topLeft(), FrameSize(size, frame)), area).topLeft());
}

int TallestOnScreen(const QWidget& window) {
    const QRect area = AvailableArea(window);
    if (area.isEmpty()) return QWIDGETSIZE_MAX;
    return std::max(window.height(),
                    area.bottom() - window.frameGeometry().bottom() + window.height());
}

}  // namespace vellum::ui
