#include "ui/qt_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>

#include "interchange/export_line.h"
#include "net/install_id.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "program_identity.h"
#include "ui/file_dialog_fit.h"
#include "ui/fitted_size.h"
#include "ui/folder_chooser.h"
#include "ui/screen_fit.h"

namespace vellum::ui {
namespace {

// "w,h" beside the installation identifier: the size the user last left a file dialog at.
constexpr std::string_view kFileDialogSizeKey = "FileDialogSize";

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
    FitToRead(*dialog);
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

// The input dialog's own margins around its text box, with room to spare.
constexpr int kDigestDialogMargins = 60;

}  // namespace

std::unique_ptr<QFileDialog> MakeOpenDialog1(QWidget* parent, const std::string& startFolder) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
    if (!startFolder.empty()) dialog->setDirectory(TextToQt(startFolder));
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSaveDialog1(QWidget* parent, DigestMask shown) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptSave, QFileDialog::AnyFile);
    QStringList filters;
    for (const ExportType& type : ExportTypes(shown))
        filters << QString::fromStdString(type.name + " (" + type.pattern + ")");
    dialog->setNameFilters(filters);
    dialog->selectNameFilter(filters.first());
    // No default suffix here: ChooseExportFile adds the one of the type chosen at the end.
    // An existing list file is replaced without a question.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeOpenDialog2(QWidget* parent) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    // Lines are recognised by their shape, whatever the file is called. No default suffix: a
    // list called MD5SUMS would be looked for as MD5SUMS.csv.
    QStringList filters = {"CSV (*.csv)", "md5sum list (*.md5 *MD5SUMS* *md5sums*)", "SFV (*.sfv)"};
    // Each digest's list by its suffix and by the name its tool's users give it: SHA256SUMS.
    for (const ExportType& type : ExportTypes(kAllDigests)) {
        if (type.layout.shape != ExportLayout::Shape::Sums || !type.layout.digest) continue;
        const QString tool = QString::fromLatin1(InfoOf(*type.layout.digest).tool).toUpper();
        filters << QString::fromStdString(type.name) + " (*" + QString::fromStdString(type.suffix) +
                       " *" + tool + "S*)";
    }
    filters << "All files (*)";
    dialog->setNameFilters(filters);
    return dialog;
}

std::unique_ptr<QInputDialog> MakeDigestDialog(QWidget* parent) {
    auto dialog = std::make_unique<QInputDialog>(parent);
    ApplyFormFont(*dialog);
    dialog->setWindowTitle("Check Against Digest");
    dialog->setLabelText(
        "The published digest of the selected file (MD5, SHA-1, SHA-2 or "
        "BLAKE2b-512):");
    dialog->setInputMode(QInputDialog::TextInput);
    // SHA-256's 64 digits in view; longer ones scroll in the box.
    const int digits = WidestRun(dialog->fontMetrics(), u"0123456789abcdef", 64);
    dialog->resize(std::max(dialog->sizeHint().width(), digits + kDigestDialogMargins),
                   dialog->sizeHint().height());
    return dialog;
}

namespace {

std::string WithDefaultSuffix(std::string path, int filterIndex, DigestMask shown) {
    const std::string_view name = platform::FileNamePart(path);
    if (name.empty() || name.find('.') != std::string_view::npos) return path;
    // Vellum's own layouts take "txt"; the other tools look for their lists by theirs.
    const std::vector<ExportType> types = ExportTypes(shown);
    const auto index = static_cast<std::size_t>(filterIndex - 1);
    return path + (index < types.size() ? types[index].suffix : types.front().suffix);
}

}  // namespace

int SelectedFilterIndex(const QFileDialog& dialog) {
    const auto position = dialog.nameFilters().indexOf(dialog.selectedNameFilter());
    return position < 0 ? 1 : static_cast<int>(position) + 1;
}

void ApplyFormFont(QWidget& form) {
    constexpr int kFormPixels = 11;
    QFont font = QGuiApplication::font();
    font.setPixelSize(FollowDesktopFont(kFormPixels));
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

void QtDialogs::KeepSizesIn(const std::string& settingsPath) {
    settingsPath_ = settingsPath;
    const std::optional<QSize> kept =
        ReadSize(platform::IniRead(settingsPath, net::kSettingsSection, kFileDialogSizeKey));
    if (kept) fileDialogSize_ = *kept;
}

int QtDialogs::Run(QFileDialog& dialog) {
    if (fileDialogSize_.isValid()) OpenAtKeptSize(dialog, fileDialogSize_);
    const int result = dialog.exec();
    if (dialog.size() == fileDialogSize_) return result;
    fileDialogSize_ = dialog.size();
    // Without a settings file the size is kept for this run.
    if (!settingsPath_.empty())
        (void)platform::IniWrite(settingsPath_, net::kSettingsSection, kFileDialogSizeKey,
                                 SizeText(fileDialogSize_));
    return result;
}

std::optional<std::vector<std::string>> QtDialogs::ChooseFiles(const std::string& startFolder) {
    const auto dialog = MakeOpenDialog1(parent_, startFolder);
    if (Run(*dialog) != QDialog::Accepted) return std::nullopt;
    return ChosenPaths(*dialog);
}

std::optional<FolderChoice> QtDialogs::ChooseFolder() {
    if (!selectDir_) selectDir_ = new FolderChooser(parent_);
    if (selectDir_->exec() != QDialog::Accepted) return std::nullopt;
    return selectDir_->Choice();
}

std::optional<SaveChoice> QtDialogs::ChooseExportFile(DigestMask shown) {
    const auto dialog = MakeSaveDialog1(parent_, shown);
    if (Run(*dialog) != QDialog::Accepted) return std::nullopt;
    const auto paths = ChosenPaths(*dialog);
    if (paths.empty()) return std::nullopt;
    const int type = SelectedFilterIndex(*dialog);
    return SaveChoice{WithDefaultSuffix(paths.front(), type, shown), type};
}

std::optional<std::string> QtDialogs::ChooseImportFile() {
    const auto dialog = MakeOpenDialog2(parent_);
    if (Run(*dialog) != QDialog::Accepted) return std::nullopt;
    const auto paths = ChosenPaths(*dialog);
    if (paths.empty()) return std::nullopt;
    return paths.front();
}

std::optional<std::string> QtDialogs::AskDigest() {
    const auto dialog = MakeDigestDialog(parent_);
    if (dialog->exec() != QDialog::Accepted) return std::nullopt;
    return dialog->textValue().toStdString();
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
