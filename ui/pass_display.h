// What the window shows of the list pass: the Halt/Resume button's caption, and how tall the
// window grows for the rows of the list.
#pragma once

#include <QString>
#include <cstdint>

namespace vellum::ui {

// The caption names the action the button will take.
[[nodiscard]] QString HaltButtonCaption(bool halted);

// Rows of 20 pixels with 1-pixel lines, the bottom bar of 25 and a margin of 50, at most 600.
[[nodiscard]] int WantedWindowHeight(std::int32_t rowCount);

}  // namespace vellum::ui
