// vellum: the window. Creates the application and the main window with the real dialogs and
// trash (the splash comes and goes while the window is made), and runs the event loop until
// the main window is closed.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "platform/trash.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // QApplication has taken its own options out of argv; what is left is ours, as bytes.
    std::vector<std::string> args(argv + 1, argv + argc);
    vellum::ui::TMain window(
        std::move(args),
        [](QWidget* parent) { return std::make_unique<vellum::ui::QtDialogs>(parent); },
        vellum::platform::RealTrash());
    window.show();
    return QApplication::exec();
}
