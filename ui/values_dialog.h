// ValuesDialog, "Values for selected file": the stored values of one row in edit boxes, so that
// the user can select and copy them; below md5, a box for each further digest the list shows.
#pragma once

#include <QDialog>
#include <array>

#include "filelist/file_entry.h"

class QLabel;
class QLineEdit;

namespace vellum::ui {

class ValuesDialog final : public QDialog {
    Q_OBJECT

  public:
    explicit ValuesDialog(QWidget* parent = nullptr);

    // Fills the boxes from the entry as it stands, whatever its status, with a box for each
    // digest of shown, and brings the window to the front without making it modal.
    void ShowEntry(const vellum::FileEntry& entry, DigestMask shown = 0);

    // The text of box 1 (the file name) to 6 (md5); empty for any other number.
    [[nodiscard]] QString BoxText(int n) const;
    // The box of a further digest; hidden while the list does not show it.
    [[nodiscard]] const QLineEdit& DigestBox(DigestKind kind) const;

  private:
    void FitToTexts();

    struct Box {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
    };
    std::array<Box, 6> boxes_{};
    std::array<Box, kDigestKindCount> digestBoxes_{};
    DigestMask shown_ = 0;
};

}  // namespace vellum::ui
