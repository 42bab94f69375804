#include "ui/folder_chooser.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>
#include <QTreeView>
#include <QUrl>

#include "ui/fitted_size.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_fit.h"

namespace vellum::ui {
namespace {

// The models watch the folders they have read, so that a folder made while the chooser is open,
// or since it was last open (it is kept from one use to the next), shows where it belongs.
QFileSystemModel* MakeModel(QObject* parent, QDir::Filters filters) {
    auto* model = new QFileSystemModel(parent);
    model->setReadOnly(true);
    model->setFilter(filters);
    model->sort(0, Qt::AscendingOrder);
    return model;
}

// The chooser as designed; on a screen too small for it, the tree and the preview give way.
constexpr QSize kDesignSize(640, 510);
constexpr QRect kTreeDesign(8, 24, 345, 209);
constexpr QRect kPreviewDesign(8, 304, 617, 169);
constexpr int kPathTop = 238;
constexpr int kPathHeight = 23;
constexpr int kMaskRow = 264;
constexpr int kPreviewCaptionTop = 288;
constexpr int kLeastTreeHeight = 60;
constexpr int kLeastPreviewHeight = 40;

QString HomeRelative(const QString& path) {
    if (path == "~") return QDir::homePath();
    if (path.startsWith("~/")) return QDir::homePath() + path.mid(1);
    return path;
}

std::optional<QString> WholeFolderPath(const QString& path) {
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isDir()) return std::nullopt;
    return QDir::cleanPath(path);
}

}  // namespace

std::optional<QString> TypedFolder(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (url.isLocalFile()) return WholeFolderPath(url.toLocalFile());
    if (auto folder = WholeFolderPath(HomeRelative(text))) return folder;
    // Pasted with a blank or a line break around it.
    return WholeFolderPath(HomeRelative(text.trimmed()));
}

FolderChooser::FolderChooser(QWidget* parent) : QDialog(parent) {
    setWindowTitle("SelectDir");
    setModal(true);
    ApplyFormFont(*this);
    resize(kDesignSize);
    BuildLabels();
    BuildTree();
    BuildMaskAndButtons();
    BuildPreview();
    SelectHome();
    setMinimumSize(cancelButton_->geometry().right() + 1 + kTreeDesign.x(),
                   kDesignSize.height() - (kTreeDesign.height() - kLeastTreeHeight) -
                       (kPreviewDesign.height() - kLeastPreviewHeight));
    FitOnScreen(*this, kDesignSize);
    Place();
}

void FolderChooser::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Place();
}

// The tree and the preview share between them what the chooser's height differs from its
// designed one, half each as far as each can give; the rows between them move with the tree's
// bottom, and both widen with the chooser.
void FolderChooser::Place() {
    const QSize grown = size() - kDesignSize;
    const int tree = std::max(kLeastTreeHeight, kTreeDesign.height() + grown.height() / 2);
    const int down = tree - kTreeDesign.height();
    const int preview =
        std::max(kLeastPreviewHeight, kPreviewDesign.height() + grown.height() - down);
    const int wider = std::max(0, grown.width());
    tree_->setGeometry(kTreeDesign.adjusted(0, 0, wider, down));
    pathEdit_->setGeometry(kTreeDesign.x(), kPathTop + down, width() - 2 * kTreeDesign.x(),
                           kPathHeight);
    maskCaption_->move(maskCaption_->x(), kMaskRow + down);
    PlaceMaskAndButtons(kMaskRow + down);
    previewCaption_->move(previewCaption_->x(), kPreviewCaptionTop + down);
    preview_->setGeometry(kPreviewDesign.x(), kPreviewDesign.y() + down,
                          kPreviewDesign.width() + grown.width(), preview);
}

void FolderChooser::accept() {
    // The folder may have gone since it was named; nothing is handed back that names none.
    if (SelectedPath().empty()) {
        okButton_->setEnabled(false);
        return;
    }
    QDialog::accept();
}

FolderChoice FolderChooser::Choice() const {
    return {SelectedPath(), PathFromQt(MaskText())};
}

std::string FolderChooser::SelectedPath() const {
    const std::optional<QString> folder = TypedFolder(pathEdit_->text());
    return folder ? PathFromQt(*folder) : std::string();
}

QString FolderChooser::PathLabelText() const {
    return pathEdit_->text();
}

QString FolderChooser::MaskText() const {
    return maskBox_->currentText();
}

void FolderChooser::SetMaskText(const QString& mask) {
    maskBox_->setCurrentText(mask);
}

bool FolderChooser::SelectPath(const std::string& path) {
    const QString folder = QFile::decodeName(QByteArray::fromStdString(path));
    // Asked for any other path, the model would list it in the tree, filters or not.
    if (!QFileInfo(folder).isDir()) return false;
    if (!SelectInTree(folder).isValid()) return false;
    WritePathLabel();
    return true;
}

QModelIndex FolderChooser::SelectInTree(const QString& folder) {
    const QModelIndex index = folders_->index(folder);
    if (!index.isValid()) return index;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    return index;
}

void FolderChooser::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A path left half typed when the chooser was last cancelled gives way to the tree's folder.
    if (!TypedFolder(pathEdit_->text())) WritePathLabel();
    tree_->scrollTo(tree_->currentIndex());
    // The keyboard starts in the tree, as the mouse does.
    tree_->setFocus(Qt::OtherFocusReason);
}

void FolderChooser::BuildLabels() {
    PlaceLabel(this, "treeCaption", "Select the base folder you wish to add from", 8, 8);
    // Where the caption "File Path" stood: the path itself, which can be typed or pasted.
    pathEdit_ = new QLineEdit(this);
    pathEdit_->setObjectName("pathEdit");
    pathEdit_->setPlaceholderText("File Path");
    QFont bold = pathEdit_->font();
    bold.setBold(true);
    pathEdit_->setFont(bold);
    pathEdit_->setGeometry(8, kPathTop, width() - 16, kPathHeight);
    connect(pathEdit_, &QLineEdit::textEdited, this, &FolderChooser::PathTyped);
    maskCaption_ = PlaceLabel(this, "maskCaption", "Select file type to filter", 8, kMaskRow);
    previewCaption_ =
        PlaceLabel(this, "previewCaption", "File Preview only (unfiltered)", 8, kPreviewCaptionTop);
}

void FolderChooser::BuildTree() {
    folders_ = MakeModel(this, QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders_->setRootPath("/");
    tree_ = new QTreeView(this);
    tree_->setObjectName("tree");
    tree_->setGeometry(kTreeDesign);
    tree_->setModel(folders_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column) tree_->hideColumn(column);
    tree_->setRootIsDecorated(false);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(tree_, &QTreeView::clicked, this, &FolderChooser::TreeClicked);
    // Whatever moves the highlight (a click, either button, the keyboard) renames the folder.
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderChooser::CurrentFolderChanged);
    // Rows arrive and are sorted after each folder is read; both move the selected one.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, &FolderChooser::FollowSelection);
    connect(folders_, &QAbstractItemModel::layoutChanged, this, &FolderChooser::FollowSelection);
}

void FolderChooser::BuildMaskAndButtons() {
    maskBox_ = new QComboBox(this);
    maskBox_->setObjectName("maskBox");
    maskBox_->setEditable(true);
    maskBox_->setInsertPolicy(QComboBox::NoInsert);
    maskBox_->addItem("*.*");
    maskBox_->setCurrentText("*.*");
    okButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    okButton_->setObjectName("okButton");
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    cancelButton_ =
        new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    PlaceMaskAndButtons(kMaskRow);
    setTabOrder(tree_, pathEdit_);
    setTabOrder(pathEdit_, maskBox_);
}

// The mask box stands right of its caption and holds a mask of a usual length whole; the buttons
// follow it at their designed distances.
void FolderChooser::PlaceMaskAndButtons(int row) {
    constexpr int kGap = 4;          // between the caption and the box
    constexpr int kBoxToOk = 15;     // as designed: the box ends at 169, OK starts at 184
    constexpr int kOkToCancel = 80;  // OK at 184, Cancel at 264
    const int boxLeft = DesignOr(120, maskCaption_->x() + maskCaption_->width() + kGap);
    maskBox_->setGeometry(boxLeft, row, 49, 21);
    const int text = maskBox_->fontMetrics().horizontalAdvance(QStringLiteral("*.backup"));
    maskBox_->resize(ComboBoxWidth(49, *maskBox_, text), 21);
    const int ok = maskBox_->geometry().right() + 1 + kBoxToOk;
    okButton_->setGeometry(ok, row, 75, 25);
    cancelButton_->setGeometry(ok + kOkToCancel, row, 75, 25);
}

void FolderChooser::BuildPreview() {
    contents_ =
        MakeModel(this, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    preview_ = new QListView(this);
    preview_->setObjectName("preview");
    preview_->setGeometry(kPreviewDesign);
    preview_->setModel(contents_);
    preview_->setViewMode(QListView::ListMode);
    preview_->setFlow(QListView::TopToBottom);
    preview_->setWrapping(true);
    preview_->setResizeMode(QListView::Adjust);
    // On the tooltip colours as a pair: the list is disabled, and its grey disabled text on a
    // yellow tooltip ground could hardly be read.
    QPalette palette = preview_->palette();
    const QPalette tips = QToolTip::palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base,
                         tips.color(QPalette::Inactive, QPalette::ToolTipBase));
        palette.setColor(group, QPalette::Text,
                         tips.color(QPalette::Inactive, QPalette::ToolTipText));
    }
    preview_->setPalette(palette);
    // It only shows what is there; the choice is made in the tree.
    preview_->setEnabled(false);
}

// The Linux counterpart of starting at the desktop: the home folder, opened out and in view.
void FolderChooser::SelectHome() {
    QModelIndex home = folders_->index(QDir::homePath());
    if (!home.isValid()) home = folders_->index("/");
    for (QModelIndex up = home.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
    tree_->setCurrentIndex(home);
    WritePathLabel();
}

void FolderChooser::TreeClicked() {
    followSelection_ = false;
    // A click on the folder already highlighted takes back a path typed since.
    WritePathLabel();
}

void FolderChooser::WritePathLabel() {
    const QModelIndex current = tree_->currentIndex();
    pathEdit_->setText(current.isValid() ? folders_->filePath(current) : QString());
    if (okButton_ != nullptr) okButton_->setEnabled(current.isValid());
}

void FolderChooser::CurrentFolderChanged(const QModelIndex& current) {
    ShowPreview(current);
    if (!typing_) WritePathLabel();
}

void FolderChooser::PathTyped(const QString& text) {
    const std::optional<QString> folder = TypedFolder(text);
    // OK hands back only a folder the box names.
    okButton_->setEnabled(folder.has_value());
    if (!folder) return;
    typing_ = true;
    followSelection_ = false;
    (void)SelectInTree(*folder);
    typing_ = false;
}

void FolderChooser::ShowPreview(const QModelIndex& folder) {
    const QString path = folders_->filePath(folder);
    preview_->setRootIndex(contents_->setRootPath(path));
}

void FolderChooser::FollowSelection() {
    if (followSelection_) tree_->scrollTo(tree_->currentIndex());
}

}  // namespace vellum::ui
