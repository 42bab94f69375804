// The pop-up menu's items that ask first: each asks its dialog and hands the answer to the
// core's command, which ends with a list pass.
#include <QLocale>

#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/reference_folders.h"
#include "interchange/list_file.h"
#include "interchange/recycle.h"
#include "pass/folder_duplicates.h"
#include "pass/link_copies.h"
#include "ui/add_progress_window.h"
#include "ui/main_window.h"

namespace vellum::ui {

void MainWindow::ConfirmAndClear() {
    if (dialogs_->Confirm("Are you sure you want to clear all these files? this cannot be undone"))
        Clear(ctx_);
}

void MainWindow::ChooseAndAddFolder() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice) vellum::AddFolder(ctx_, choice->folder, choice->mask, *addProgress_);
}

void MainWindow::ChooseAndFindDuplicates() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice)
        (void)vellum::FindDuplicatesInFolder(ctx_, pass_, choice->folder, choice->mask,
                                             *addProgress_);
}

void MainWindow::ChooseAndFlagOutside() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice) vellum::FlagIdenticalsOutside(ctx_, {choice->folder});
}

// The blocks are shared where the file system can; hard links, which make the names one file,
// only once the user has agreed to that.
void MainWindow::ReplaceFlaggedWithLinks() {
    LinkRequest request;
    request.hardLinksInstead = [this](std::int32_t copies) {
        return dialogs_->Confirm(HardLinkQuestion(copies));
    };
    request.thousandsSeparator = QLocale::system().groupSeparator().toStdString();
    (void)vellum::ReplaceFlaggedWithLinks(ctx_, pass_, request);
}

void MainWindow::ChooseAndExportFlagged() {
    const std::optional<SaveChoice> choice = dialogs_->ChooseExportFile(ctx_.calculate.digests);
    if (!choice) return;
    const std::optional<std::string> error =
        ExportFlaggedList(ctx_, choice->path, choice->filterIndex);
    if (error) dialogs_->ShowError(*error);
}

void MainWindow::ChooseAndImportList() {
    const std::optional<std::string> error =
        vellum::ImportChosenList(ctx_, dialogs_->ChooseImportFile());
    // Rows read before a failed read stay, and so do the digests their list brought.
    FollowShownDigests();
    if (error) dialogs_->ShowError(*error);
}

}  // namespace vellum::ui
