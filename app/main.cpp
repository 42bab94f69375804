// vellum: the window. Answers --help, --version and an unknown option without a display;
// otherwise creates the application and the main window with the real dialogs and trash (the
// splash comes and goes while the window is made), and runs the event loop until the main
// window is closed.
#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/window_usage.h"
#include "platform/files.h"
#include "platform/trash.h"
#include "program_identity.h"
#include "ui/app_icon.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
    // As start-up's adding sees it: anything with attributes names something.
    const auto exists = [](const std::string& path) {
        return vellum::platform::RealFileSystem().Attributes(path) !=
               vellum::platform::kAttrFailure;
    };
    if (const auto answer = vellum::app::AnswerEarly({argv + 1, argv + argc}, exists)) {
        std::fputs(answer->text.c_str(), answer->toStandardError ? stderr : stdout);
        return answer->status;
    }
    QApplication app(argc, argv);
    // The desktop entry's name, so that the desktop matches the window to its launcher.
    const QString id =
        QString::fromUtf8(vellum::kApplicationId.data(), qsizetype(vellum::kApplicationId.size()));
    QGuiApplication::setDesktopFileName(id);
    QApplication::setWindowIcon(vellum::ui::ApplicationIcon(id));
    // QApplication has taken its own options out of argv; what is left is ours, as bytes.
    std::vector<std::string> args(argv + 1, argv + argc);
    vellum::ui::MainWindow window(
        std::move(args),
        [](QWidget* parent) { return std::make_unique<vellum::ui::QtDialogs>(parent); },
        vellum::platform::RealTrash());
    window.show();
    return QApplication::exec();
}
