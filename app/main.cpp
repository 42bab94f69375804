// vellum: the window. Creates the application and the main window with the real dialogs and
// trash (the splash comes and goes while the window is made), and runs the event loop until
// the main window is closed.
//
// VELLUM_SETTINGS names another settings file than the one beside the program: for a program
// folder the user may not write to, and for tests that must not write beside the binary.
#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/trash.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

namespace {

vellum::ui::StartupSettings Startup() {
    vellum::ui::StartupSettings startup;
    const char* settings = std::getenv("VELLUM_SETTINGS");
    if (settings != nullptr) startup.settingsPath = settings;  // empty: beside the program
    return startup;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // QApplication has taken its own options out of argv; what is left is ours, as bytes.
    std::vector<std::string> args(argv + 1, argv + argc);
    vellum::ui::TMain window(
        std::move(args),
        [](QWidget* parent) { return std::make_unique<vellum::ui::QtDialogs>(parent); },
        vellum::platform::RealTrash(), {}, Startup());
    window.show();
    return QApplication::exec();
}
