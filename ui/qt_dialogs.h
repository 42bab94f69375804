// The real Dialogs: Qt's file dialogs, the folder chooser FolderChooser and message boxes, plus
// the look that every small window of the program shares (its font, centred on the screen).
#pragma once

#include <QPointer>
#include <QSize>
#include <memory>
#include <string>

#include "ui/dialogs.h"

class QFileDialog;
class QInputDialog;
class QLabel;
class QString;
class QWidget;

namespace vellum::ui {

class FolderChooser;

class QtDialogs final : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent);
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    std::optional<std::vector<std::string>> ChooseFiles(const std::string& startFolder) override;
    std::optional<FolderChoice> ChooseFolder() override;
    std::optional<SaveChoice> ChooseExportFile(DigestMask shown = 0) override;
    std::optional<std::string> ChooseImportFile() override;
    std::optional<std::string> AskDigest() override;
    bool Confirm(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void KeepSizesIn(const std::string& settingsPath) override;

  private:
    // Opens a file dialog at the size the user last gave one, and keeps the size it closes at.
    int Run(QFileDialog& dialog);

    QWidget* parent_;
    std::string settingsPath_;  // empty: sizes are kept for this run only
    QSize fileDialogSize_;
    // Made on first use and kept, so the chooser opens where the user left it.
    QPointer<FolderChooser> selectDir_;
};

// The file dialogs as the commands run them, built apart so their settings can be checked. Each
// opens wide enough for its columns to read whole, and fits them to what each folder shows.
[[nodiscard]] std::unique_ptr<QFileDialog> MakeOpenDialog1(QWidget* parent,
                                                           const std::string& startFolder);
[[nodiscard]] std::unique_ptr<QFileDialog> MakeSaveDialog1(QWidget* parent, DigestMask shown = 0);
[[nodiscard]] std::unique_ptr<QFileDialog> MakeOpenDialog2(QWidget* parent);
// The small dialog of Check Against Digest, with its one text box.
[[nodiscard]] std::unique_ptr<QInputDialog> MakeDigestDialog(QWidget* parent);
// The 1-based position of the file type selected in the dialog (1 when none matches).
[[nodiscard]] int SelectedFilterIndex(const QFileDialog& dialog);

// The desktop's sans-serif at FollowDesktopFont(11) pixels, the font of every window of the
// program.
void ApplyFormFont(QWidget& form);
// Places a window (not yet shown) in the middle of the screen it will appear on.
void CentreOnScreen(QWidget& form);
// A label of its text's own size with its top left corner at x, y of its parent; the name is
// the control's, so tests can find it.
QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& text, int x, int y);

}  // namespace vellum::ui
