// AddProgressWindow, the small "Add file progress" window that counts folders, added and skipped
// files while an add command runs with the main window's events held back.
#pragma once

#include <QDialog>

#include "filelist/adding.h"

class QLabel;

namespace vellum::ui {

class AddProgressWindow final : public QDialog, public vellum::AddProgress {
    Q_OBJECT

  public:
    explicit AddProgressWindow(QWidget* parent = nullptr);

    void Show() override;
    void ResetAddedLabel() override;
    void Update(const AddCounters& counters) override;
    void Hide() override;

    // The value labels' texts: folders scanned, files added, files skipped.
    [[nodiscard]] QString FolderText() const;
    [[nodiscard]] QString AddedText() const;
    [[nodiscard]] QString SkippedText() const;

  private:
    void FitToTexts();
    void WaitUntilExposed();

    QLabel* addedCaption_ = nullptr;
    QLabel* addedCount_ = nullptr;
    QLabel* folderCaption_ = nullptr;
    QLabel* folderCount_ = nullptr;
    QLabel* skippedCaption_ = nullptr;
    QLabel* skippedCount_ = nullptr;
};

}  // namespace vellum::ui
