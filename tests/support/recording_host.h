// The tests' one recording host: writes down what the core asks of the window while a pass or a
// command runs (status lines, errors, posted messages, heights), and lets a test act from inside
// the event pump as a click would.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "filelist/list_context.h"

namespace vellum::test {

class RecordingHost final : public ListHost {
  public:
    void ShowStatus() override {
        if (list != nullptr) lines.push_back(ComposeStatusLine(*list, ",").text);
    }
    void PumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void FitRows(std::int32_t rowCount) override { fits.push_back(rowCount); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void StatusPosted(std::string_view text) override { posted.emplace_back(text); }

    ListContext* list = nullptr;  // when set, each ShowStatus composes its line into lines
    std::function<void()> onPump;
    std::vector<std::string> lines;
    std::vector<std::string> errors;
    std::vector<std::string> posted;
    std::vector<std::int32_t> fits;
    int pumps = 0;
};

}  // namespace vellum::test
