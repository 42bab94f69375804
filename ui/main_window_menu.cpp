// The items of PopupMenu1: each asks its dialog, if it has one, and hands the answer to the
// core's command, which ends with a list pass.
#include <QLocale>

#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/reference_folders.h"
#include "interchange/list_file.h"
#include "interchange/recycle.h"
#include "pass/folder_duplicates.h"
#include "pass/link_copies.h"
#include "ui/add_progress.h"
#include "ui/main_window.h"

namespace vellum::ui {

void TMain::Clear1Click() {
    if (dialogs_->Confirm("Are you sure you want to clear all these files? this cannot be undone"))
        Clear(ctx_);
}

void TMain::Add1Click() {
    vellum::AddFiles(ctx_, FileChooser(), *Form5);
}

void TMain::Addfolder1Click() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice) vellum::AddFolder(ctx_, choice->folder, choice->mask, *Form5);
}

void TMain::FindDuplicatesInFolder1Click() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice)
        (void)vellum::FindDuplicatesInFolder(ctx_, pass_, choice->folder, choice->mask, *Form5);
}

void TMain::InvertFLAGGED1Click() {
    vellum::InvertFlags(ctx_);
}

void TMain::FlagALL1Click() {
    vellum::FlagAll(ctx_);
}

void TMain::FlagNONE1Click() {
    vellum::FlagNone(ctx_);
}

void TMain::RemoveFlagged1Click() {
    vellum::RemoveFlagged(ctx_);
}

void TMain::FlagIdenticals1Click() {
    vellum::FlagIdenticals(ctx_);
}

void TMain::FlagIdenticalsExceptFirst1Click() {
    vellum::FlagIdenticalsExceptFirst(ctx_);
}

void TMain::FlagIdenticalsOutsideFolder1Click() {
    const std::optional<FolderChoice> choice = dialogs_->ChooseFolder();
    if (choice) vellum::FlagIdenticalsOutside(ctx_, {choice->folder});
}

void TMain::FlagMarkersClick() {
    vellum::FlagBetweenMarkers(ctx_);
}

void TMain::RemoveAdjacentDuplicates1Click() {
    vellum::RemoveAdjacentDuplicates(ctx_);
}

// The blocks are shared where the file system can; hard links, which make the names one file,
// only once the user has agreed to that.
void TMain::ReplaceFlaggedWithLinks1Click() {
    LinkRequest request;
    request.hardLinksInstead = [this](std::int32_t copies) {
        return dialogs_->Confirm(HardLinkQuestion(copies));
    };
    request.thousandsSeparator = QLocale::system().groupSeparator().toStdString();
    (void)vellum::ReplaceFlaggedWithLinks(ctx_, pass_, request);
}

void TMain::RecycleClick() {
    vellum::SendFlaggedToTrash(ctx_, trash_);
}

void TMain::RemovedDeletedClick() {
    vellum::RemoveDeleted(ctx_);
}

void TMain::ExportFlaggedList1Click() {
    const std::optional<SaveChoice> choice = dialogs_->ChooseExportFile(ctx_.calculate.digests);
    if (!choice) return;
    const std::optional<std::string> error =
        ExportFlaggedList(ctx_, choice->path, choice->filterIndex);
    if (error) dialogs_->ShowError(*error);
}

void TMain::IMPORTfilelist1Click() {
    const std::optional<std::string> error =
        vellum::ImportChosenList(ctx_, dialogs_->ChooseImportFile());
    // Rows read before a failed read stay, and so do the digests their list brought.
    FollowShownDigests();
    if (error) dialogs_->ShowError(*error);
}

}  // namespace vellum::ui
