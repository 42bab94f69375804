// Every dialog and message box the window opens goes through this one interface, so that
// widget tests can script the answers. QtDialogs is the real one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "checksum/digests.h"

class QString;

namespace vellum::ui {

// What the folder chooser returns on OK: the base folder's path and the mask as typed.
struct FolderChoice {
    std::string folder;
    std::string mask;
};

// What the save dialog of the export returns: the file's path and the file type chosen, the
// 1-based position among ExportTypes (1 "csv", 2 "tabbed txt", 3 "md5sum list", 4 "SFV", then
// those of the digests shown).
struct SaveChoice {
    std::string path;
    int filterIndex = 1;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // OpenDialog1 of Add files: several files, no filter, resizable; nothing on cancel.
    // startFolder empty: the dialog's own choice.
    virtual std::optional<std::vector<std::string>> ChooseFiles(const std::string& startFolder) = 0;
    // FolderChooser, modal; nothing unless closed with OK.
    virtual std::optional<FolderChoice> ChooseFolder() = 0;
    // SaveDialog1 of the export: the types of ExportTypes for the digests the list shows ("csv",
    // "tabbed txt", "md5sum list", "SFV", then each digest's), no overwrite prompt.
    virtual std::optional<SaveChoice> ChooseExportFile(DigestMask shown = 0) = 0;
    // OpenDialog2 of the import: one file; "CSV" first among the file types.
    virtual std::optional<std::string> ChooseImportFile() = 0;
    // A digest of the selected file, as the user types or pastes it; nothing on cancel.
    virtual std::optional<std::string> AskDigest() = 0;
    // A Yes/No question; true only for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // The program's general error box.
    virtual void ShowError(const std::string& text) = 0;
    // Where the dialogs keep the sizes the user gives them from one run to the next.
    virtual void KeepSizesIn(const std::string& settingsPath) { (void)settingsPath; }
};

// Paths travel as bytes; these convert at the edge of Qt.
[[nodiscard]] std::string PathFromQt(const QString& path);

}  // namespace vellum::ui
