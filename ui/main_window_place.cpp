// MainWindow's place among the screens: where it opens, and the place it is left in, kept in the
// settings file beside the installation identifier for the next start.
#include <QLayout>

#include "net/install_id.h"
#include "platform/ini.h"
#include "ui/main_window.h"
#include "ui/screen_fit.h"

namespace vellum::ui {
namespace {

// "x,y,width,height": the top left of the frame and the size inside it, as the window was
// last left unmaximized; and "1" when it was left maximized.
constexpr std::string_view kPlaceKey = "WindowPlace";
constexpr std::string_view kMaximizedKey = "WindowMaximized";

}  // namespace

void MainWindow::PlaceOnScreen() {
    if (PlaceAsLeft()) return;
    const QSize design(kMainWidth, kMainHeight);
    GiveWayTo(SizeInside(design, {}, AvailableArea(*this), FrameOf(*this)).height());
    FitOnScreen(*this, design);
}

bool MainWindow::PlaceAsLeft() {
    const std::optional<QRect> place =
        ReadPlace(platform::IniRead(startup_.settingsPath, net::kSettingsSection, kPlaceKey));
    // A screen since taken away, or made smaller, may have left it nowhere to go.
    if (!place || !FitsOneOf(*place, AvailableAreas())) return false;
    GiveWayTo(place->height());
    resize(place->size());
    move(place->topLeft());
    if (platform::IniRead(startup_.settingsPath, net::kSettingsSection, kMaximizedKey) == "1")
        setWindowState(windowState() | Qt::WindowMaximized);
    return true;
}

void MainWindow::GiveWayTo(int height) {
    if (height < kMainHeight) SetLowerPanelHeight(kLowerPanelDesignHeight * height / kMainHeight);
    // The window's least size follows the binary view's new height at once.
    layout()->activate();
}

void MainWindow::KeepPlace() {
    const bool maximized = isMaximized();
    // A maximized window is kept at the place it goes back to.
    const QRect inside = maximized ? normalGeometry() : geometry();
    const QMargins frame = FrameOf(*this);
    const QRect place(inside.topLeft() - QPoint(frame.left(), frame.top()), inside.size());
    // A settings file that cannot be written was reported at start-up; the window opens where
    // it always has next time.
    (void)platform::IniWrite(startup_.settingsPath, net::kSettingsSection, kPlaceKey,
                             PlaceText(place));
    (void)platform::IniWrite(startup_.settingsPath, net::kSettingsSection, kMaximizedKey,
                             maximized ? "1" : "0");
}

}  // namespace vellum::ui
