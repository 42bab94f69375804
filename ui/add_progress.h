// TForm5, the small "Add file progress" window that counts folders, added and skipped files
// while an add command runs with the main window's events held back.
#pragma once

#include <QDialog>

#include "filelist/adding.h"

class QLabel;

namespace vellum::ui {

class TForm5 final : public QDialog, public vellum::AddProgress {
    Q_OBJECT

  public:
    explicit TForm5(QWidget* parent = nullptr);

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

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
};

}  // namespace vellum::ui
