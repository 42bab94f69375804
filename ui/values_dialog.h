// TForm4, "Values for selected file": the stored values of one row in edit boxes, so that
// the user can select and copy them.
#pragma once

#include <QDialog>
#include <array>

#include "filelist/file_entry.h"

class QLabel;
class QLineEdit;

namespace vellum::ui {

class TForm4 final : public QDialog {
    Q_OBJECT

  public:
    explicit TForm4(QWidget* parent = nullptr);

    // Fills the boxes from the entry as it stands, whatever its status, and brings the window
    // to the front without making it modal.
    void ShowEntry(const vellum::FileEntry& entry);

    // The text of Edit1 to Edit6; empty for any other number.
    [[nodiscard]] QString EditText(int n) const;

  private:
    void FitToTexts(const std::array<QLabel*, 6>& labels);

    std::array<QLineEdit*, 6> edits_{};
};

}  // namespace vellum::ui
