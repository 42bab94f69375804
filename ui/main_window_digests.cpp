// TMain's further digests: the Digests submenu and the columns, values and settings that follow
// it.
#include <QAction>
#include <QMenu>
#include <string>

#include "filelist/shown_digests.h"
#include "net/install_id.h"
#include "platform/ini.h"
#include "ui/grid_model.h"
#include "ui/main_window.h"

namespace vellum::ui {
namespace {

// Beside the installation identifier: "sha256,sha512".
constexpr std::string_view kDigestsKey = "Digests";

}  // namespace

void TMain::LoadShownDigests() {
    storedDigests_ = ReadDigestNames(
        platform::IniRead(startup_.settingsPath, net::kSettingsSection, kDigestsKey));
    ctx_.calculate.digests = storedDigests_;
    FollowShownDigests();
}

void TMain::DigestMenuClick(DigestKind kind, bool checked) {
    const DigestMask others = ctx_.calculate.digests & ~MaskOf(kind);
    ShowDigests(ctx_, checked ? others | MaskOf(kind) : others);
    FollowShownDigests();
}

void TMain::FollowShownDigests() {
    const DigestMask shown = ctx_.calculate.digests;
    if (Columns().shown() != shown) {
        gridModel_->ShowDigests(shown);
        headerModel_->ShowDigests(shown);
        ApplyColumnWidths();
        FormResize();
    }
    for (QAction* action : DigestsMenu->actions())
        action->setChecked((shown & MaskOf(static_cast<DigestKind>(action->data().toInt()))) != 0);
    if (shown == storedDigests_) return;
    // A settings file that cannot be written was reported at start-up, with the identifier; the
    // choice still holds for this run, and is not tried again at every repaint.
    (void)platform::IniWrite(startup_.settingsPath, net::kSettingsSection, kDigestsKey,
                             DigestNames(shown));
    storedDigests_ = shown;
}

}  // namespace vellum::ui
