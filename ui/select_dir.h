// TSelectDir, the folder chooser of Add folder: a folders-only tree of the file system, the
// file-type mask, and a preview of the selected folder's contents that the mask does not filter.
#pragma once

#include <QDialog>
#include <string>

#include "ui/dialogs.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListView;
class QModelIndex;
class QPushButton;
class QTreeView;

namespace vellum::ui {

class TSelectDir final : public QDialog {
    Q_OBJECT

  public:
    explicit TSelectDir(QWidget* parent = nullptr);

    // What OK hands to Add folder: the folder selected in the tree and the mask as typed.
    [[nodiscard]] FolderChoice Choice() const;

    // The folder selected in the tree; the home folder when nothing is.
    [[nodiscard]] std::string SelectedPath() const;
    [[nodiscard]] QString PathLabelText() const;
    [[nodiscard]] QString MaskText() const;
    void SetMaskText(const QString& mask);
    // Selects a folder and writes Label3 as a click on it would; false when it is no folder.
    bool SelectPath(const std::string& path);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildLabels();
    void BuildTree();
    void BuildMaskAndButtons();
    void PlaceMaskAndButtons();
    void BuildPreview();
    void SelectHome();
    void ShellTreeView1Click();
    void WritePathLabel();
    void ShowPreview(const QModelIndex& folder);
    void FollowSelection();

    QFileSystemModel* folders_ = nullptr;
    QFileSystemModel* contents_ = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QTreeView* ShellTreeView1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QListView* ShellListView1 = nullptr;
    // Until the user's first click, the tree keeps the selected folder in view while the
    // folders above it are still being read and their rows pushed in above it.
    bool followSelection_ = true;
};

}  // namespace vellum::ui
