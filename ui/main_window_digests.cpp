// MainWindow's further digests: the Digests submenu and the columns, values and settings that
// follow it, and the check of the selected row against a digest the user has.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <string>
#include <utility>
#include <vector>

#include "filelist/shown_digests.h"
#include "interchange/digest_check.h"
#include "net/install_id.h"
#include "platform/ini.h"
#include "ui/grid_model.h"
#include "ui/main_window.h"

namespace vellum::ui {
namespace {

// Beside the installation identifier: "sha256,sha512".
constexpr std::string_view kDigestsKey = "Digests";
// Long enough to read a path and compare it with the page the digest came from.
constexpr std::int32_t kCheckTicks = 10;

constexpr std::string_view kNoRowText = "Select a file to check against the digest";
constexpr std::string_view kNotADigestText =
    "Not a digest: give the hexadecimal digits of an MD5, SHA-1, SHA-2 or BLAKE2b-512 digest";

// "SHA-256 does not match"; 128 digits stand for two kinds, and then neither matched.
std::string NoMatchText(const PublishedDigest& digest) {
    if (digest.md5) return "MD5 does not match";
    std::vector<std::string> names;
    ForEachKind(digest.kinds, [&](DigestKind kind) { names.emplace_back(InfoOf(kind).menu); });
    if (names.size() == 1) return names.front() + " does not match";
    return "Neither " + names.front() + " nor " + names.back() + " matches";
}

// What the status line says after the pass: bold blue for a match, bold red for anything else.
struct CheckOutcome {
    std::string text;
    bool good = false;
};

CheckOutcome Outcome(const FileEntry& row, const PublishedDigest& digest) {
    const std::string path(row.path.view());
    if (!ValuesCalculated(row.status)) return {"Could not read the file to check it: " + path};
    if (const auto matched = MatchedAlgorithm(row, digest))
        return {*matched + " matches: " + path, true};
    return {NoMatchText(digest) + ": " + path};
}

}  // namespace

void MainWindow::LoadShownDigests() {
    storedDigests_ = ReadDigestNames(
        platform::IniRead(startup_.settingsPath, net::kSettingsSection, kDigestsKey));
    ctx_.calculate.digests = storedDigests_;
    FollowShownDigests();
}

void MainWindow::DigestMenuClick(DigestKind kind, bool checked) {
    const DigestMask others = ctx_.calculate.digests & ~MaskOf(kind);
    ShowDigests(ctx_, checked ? others | MaskOf(kind) : others);
    FollowShownDigests();
}

void MainWindow::FollowShownDigests() {
    const DigestMask shown = ctx_.calculate.digests;
    if (Columns().shown() != shown) {
        gridModel_->ShowDigests(shown);
        headerModel_->ShowDigests(shown);
        ApplyColumnWidths();
        FitPathColumn();
    }
    for (QAction* action : digestsMenu_->actions())
        action->setChecked((shown & MaskOf(static_cast<DigestKind>(action->data().toInt()))) != 0);
    if (shown == storedDigests_) return;
    // A settings file that cannot be written was reported at start-up, with the identifier; the
    // choice still holds for this run, and is not tried again at every repaint.
    (void)platform::IniWrite(startup_.settingsPath, net::kSettingsSection, kDigestsKey,
                             DigestNames(shown));
    storedDigests_ = shown;
}

void MainWindow::AskAndCheckDigest() {
    // Nothing to ask for without a row: the check says what is missing.
    if (ctx_.state.SelectedRow < 1 || ctx_.state.SelectedRow >= ctx_.state.RowCount) {
        CheckSelectedAgainst({});
        return;
    }
    if (const std::optional<std::string> text = dialogs_->AskDigest()) CheckSelectedAgainst(*text);
}

void MainWindow::PasteDigest() {
    // The menu's twin, and like the menu not offered while a pass runs.
    if (ctx_.state.Processing) return;
    CheckSelectedAgainst(QGuiApplication::clipboard()->text().toStdString());
}

void MainWindow::CheckSelectedAgainst(const std::string& text) {
    const std::int32_t row = ctx_.state.SelectedRow;
    const auto post = [this](std::string_view message, bool good) {
        PostStatusMessage(ctx_, message, "Bold", good ? "Blue" : "Red", kCheckTicks);
        ShowStatus();
    };
    if (row < 1 || row >= ctx_.state.RowCount) {
        post(kNoRowText, false);
        return;
    }
    const std::optional<PublishedDigest> digest = ReadPublishedDigest(text);
    if (!digest) {
        post(kNotADigestText, false);
        return;
    }
    ExpectDigest(ctx_.table[row], *digest);
    ctx_.RunPass();
    const CheckOutcome outcome = Outcome(std::as_const(ctx_.table)[row], *digest);
    post(outcome.text, outcome.good);
}

}  // namespace vellum::ui
