// What the list pass and the list commands ask of whatever shows the list: the window, the
// command line, or nothing at all in tests. The core calls out only through this interface.
#pragma once

#include <cstdint>
#include <string_view>

namespace vellum {

class ListHost {
  public:
    virtual ~ListHost() = default;

    // The table changed: redraw the list grid, which now has rowCount rows (row 0 included).
    virtual void RepaintGrid(std::int32_t rowCount) { (void)rowCount; }
    // The file rows are about to change places, and have changed them (a sort): the same rows
    // in a new order, so that a view can tell a reorder from new values.
    virtual void RowsAboutToMove() {}
    virtual void RowsMoved() {}
    // Compose the status line (ComposeStatusLine) and draw it at once.
    virtual void ShowStatus() {}
    // Let pending window events through; handlers may run commands from in here.
    virtual void PumpEvents() {}
    // The list has rowCount rows (row 0 included): make the window tall enough for them, as far
    // as it goes.
    virtual void FitRows(std::int32_t rowCount) { (void)rowCount; }
    // Redraw the header strip and the hex view (end of a pass).
    virtual void RepaintHeaderAndHexView() {}
    // A read or close error in the middle of a file: in the window it ends the command's pass,
    // on the command line only that file's calculation.
    virtual void ShowError(std::string_view text) { (void)text; }
    // A status message was just posted; the window shows it at its next ShowStatus, the
    // command line prints it at once.
    virtual void StatusPosted(std::string_view text) { (void)text; }
};

// The host that shows nothing: tests and anything without a display.
class NullHost final : public ListHost {};

// Runs a list pass. The commands end with one; the calculation driver provides it.
class PassRunner {
  public:
    virtual ~PassRunner() = default;
    virtual void RunPass() = 0;
};

}  // namespace vellum
