// The list pass's way into the main window: repaint the list, tell it of a sort, draw the status
// line at once, let events through, grow the window for the rows, repaint header and hex view,
// show an error.
#pragma once

#include "filelist/list_host.h"

namespace vellum::ui {

class MainWindow;

class WindowHost final : public vellum::ListHost {
  public:
    explicit WindowHost(MainWindow& window) : window_(window) {}

    void RepaintGrid(std::int32_t rowCount) override;
    void RowsAboutToMove() override;
    void RowsMoved() override;
    void ShowStatus() override;
    void PumpEvents() override;
    void FitRows(std::int32_t rowCount) override;
    void RepaintHeaderAndHexView() override;
    void ShowError(std::string_view text) override;
    // The window shows a posted message at its next ShowStatus; nothing to do here.
    void StatusPosted(std::string_view) override {}

  private:
    MainWindow& window_;
};

}  // namespace vellum::ui
