// FolderChooser, the folder chooser of Add folder (and of the other commands that ask for a
// folder): a folders-only tree of the file system, the path of the folder it will hand back, which
// can be typed or pasted as well, the file-type mask, and a preview of the folder's contents that
// the mask does not filter. The path box always names the folder that OK hands back. It opens at
// its designed size where the screen holds it; smaller, its tree and preview give way.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "ui/dialogs.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace vellum::ui {

class FolderChooser final : public QDialog {
    Q_OBJECT

  public:
    explicit FolderChooser(QWidget* parent = nullptr);

    // What OK hands to Add folder: the folder the path box names and the mask as typed.
    [[nodiscard]] FolderChoice Choice() const;

    // The folder the path box names; empty while what is typed there names none (OK is then
    // disabled).
    [[nodiscard]] std::string SelectedPath() const;
    [[nodiscard]] QString PathLabelText() const;
    [[nodiscard]] QString MaskText() const;
    void SetMaskText(const QString& mask);
    // Selects a folder in the tree, and names it in the path box; false when it is no folder.
    bool SelectPath(const std::string& path);

    // OK: closes only while the path box names a folder that is there.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildLabels();
    void BuildTree();
    void BuildMaskAndButtons();
    void PlaceMaskAndButtons(int row);
    void Place();
    void BuildPreview();
    void SelectHome();
    void TreeClicked();
    void WritePathLabel();
    // The tree's highlight moved, by the mouse, the keyboard or a typed path.
    void CurrentFolderChanged(const QModelIndex& current);
    void PathTyped(const QString& text);
    void ShowPreview(const QModelIndex& folder);
    void FollowSelection();
    [[nodiscard]] QModelIndex SelectInTree(const QString& folder);

    QFileSystemModel* folders_ = nullptr;
    QFileSystemModel* contents_ = nullptr;
    QLabel* maskCaption_ = nullptr;
    QLabel* previewCaption_ = nullptr;
    QLineEdit* pathEdit_ = nullptr;
    QTreeView* tree_ = nullptr;
    QComboBox* maskBox_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QListView* preview_ = nullptr;
    // Until the user's first click, the tree keeps the selected folder in view while the
    // folders above it are still being read and their rows pushed in above it.
    bool followSelection_ = true;
    // A typed path moves the highlight without the path box being written over under the cursor.
    bool typing_ = false;
};

// The folder a typed or pasted path names: a whole path, "~" for the home folder, or a file URL;
// nothing when it names no folder.
[[nodiscard]] std::optional<QString> TypedFolder(const QString& text);

}  // namespace vellum::ui
