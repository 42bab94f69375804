#include "ui/qt_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

#include "platform/files.h"
#include "program_identity.h"
#include "ui/select_dir.h"

namespace vellum::ui {
namespace {

// Qt's own dialog rather than the desktop's: it honours every option set here (no overwrite
// prompt, default suffix, the chosen file type) on any desktop, hands back real paths (a portal
// may give a proxy path of its own), and behaves the same under Xvfb and in the tests.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                            QFileDialog::FileMode files) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(files);
    dialog->setSizeGripEnabled(true);
    return dialog;
}

std::vector<std::string> ChosenPaths(const QFileDialog& dialog) {
    std::vector<std::string> paths;
    for (const QString& file : dialog.selectedFiles()) paths.push_back(PathFromQt(file));
    return paths;
}

QString TextToQt(const std::string& text) {
    return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace

std::unique_ptr<QFileDialog> MakeOpenDialog1(QWidget* parent, const std::string& startFolder) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
    if (!startFolder.empty()) dialog->setDirectory(TextToQt(startFolder));
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveDialog1(QWidget* parent) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptSave, QFileDialog::AnyFile);
    dialog->setNameFilters(
        {"csv (*.csv)", "tabbed txt (*.txt)", "md5sum list (*.md5)", "SFV (*.sfv)"});
    dialog->selectNameFilter("csv (*.csv)");
    // No default suffix here: ChooseExportFile adds the one of the type chosen at the end.
    // An existing list file is replaced without a question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeOpenDialog2(QWidget* parent) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    // Lines are recognised by their shape, whatever the file is called. No default suffix: a
    // list called MD5SUMS would be looked for as MD5SUMS.csv.
    dialog->setNameFilters(
        {"CSV (*.csv)", "md5sum list (*.md5 *MD5SUMS* *md5sums*)", "SFV (*.sfv)", "All files (*)"});
    return dialog;
}

namespace {

std::string WithDefaultSuffix(std::string path, int filterIndex) {
    const std::string_view name = platform::FileNamePart(path);
    if (name.empty() || name.find('.') != std::string_view::npos) return path;
    // Vellum's own layouts take "txt"; the other tools look for their lists by these.
    return path + (filterIndex == 3 ? ".md5" : filterIndex == 4 ? ".sfv" : ".txt");
}

}  // namespace

int SelectedFilterIndex(const QFileDialog& dialog) {
    const auto position = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    return position < 0 ? 1 : static_cast<int>(position) + 1;
}

void ApplyFormFont(QWidget& form) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    form.setFont(font);
}

void CentreOnScreen(QWidget& form) {
    const QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    form.move(area.center() - QPoint(form.width() / 2, form.height() / 2));
}

QLabel* PlaceLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QtDialogs::QtDialogs(QWidget* parent) : parent_(parent) {}

QtDialogs::~QtDialogs() {
    delete selectDir_.data();
}

std::optional<std::vector<std::string>> QtDialogs::ChooseFiles(const std::string& startFolder) {
    const auto dialog = MakeOpenDialog1(parent_, startFolder);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return ChosenPaths(*dialog);
}

std::optional<FolderChoice> QtDialogs::ChooseFolder() {
    if (!selectDir_) selectDir_ = new TSelectDir(parent_);
    if (selectDir_->exec() != QDialog::Accepted) return std::nullopt;
    return selectDir_->Choice();
}

std::optional<SaveChoice> QtDialogs::ChooseExportFile() {
    const auto dialog = MakeSaveDialog1(parent_);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const auto paths = ChosenPaths(*dialog);
    if (paths.empty()) return std::nullopt;
    const int type = SelectedFilterIndex(*dialog);
    return SaveChoice{WithDefaultSuffix(paths.front(), type), type};
}

std::optional<std::string> QtDialogs::ChooseImportFile() {
    const auto dialog = MakeOpenDialog2(parent_);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    const auto paths = ChosenPaths(*dialog);
    if (paths.empty()) return std::nullopt;
    return paths.front();
}

bool QtDialogs::Confirm(const std::string& text) {
    QMessageBox box(QMessageBox::Question, "Confirm", TextToQt(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    // The questions guard commands that cannot be undone: a stray Enter must not say Yes.
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtDialogs::ShowError(const std::string& text) {
    QMessageBox::critical(parent_, QString::fromUtf8(kProgramName.data(), kProgramName.size()),
                          TextToQt(text));
}

}  // namespace vellum::ui
