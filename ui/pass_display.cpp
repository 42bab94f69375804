#include "ui/pass_display.h"

#include <algorithm>

namespace vellum::ui {

QString HaltButtonCaption(bool halted) {
    return halted ? QStringLiteral("Resume Calculation") : QStringLiteral("Halt Calculation");
}

int WantedWindowHeight(std::int32_t rowCount) {
    return static_cast<int>(std::min<std::int64_t>(21LL * rowCount + 75, 600));
}

}  // namespace vellum::ui
