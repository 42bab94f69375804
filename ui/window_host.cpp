#include "ui/window_host.h"

#include <QCoreApplication>
#include <string>

#include "ui/main_window.h"

namespace vellum::ui {

void WindowHost::RepaintGrid(std::int32_t rowCount) {
    window_.RepaintGrid(rowCount);
}

void WindowHost::RowsAboutToMove() {
    window_.RowsAboutToMove();
}

void WindowHost::RowsMoved() {
    window_.RowsMoved();
}

void WindowHost::ShowStatus() {
    window_.ShowStatus();
}

void WindowHost::PumpEvents() {
    QCoreApplication::processEvents();
}

void WindowHost::FitRows(std::int32_t rowCount) {
    window_.FitRows(rowCount);
}

void WindowHost::RepaintHeaderAndHexView() {
    window_.RepaintHeaderAndHexView();
}

void WindowHost::ShowError(std::string_view text) {
    window_.ShowErrorBox(std::string(text));
}

}  // namespace vellum::ui
