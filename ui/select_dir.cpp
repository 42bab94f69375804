#include "ui/select_dir.h"

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

TSelectDir::TSelectDir(QWidget* parent) : QDialog(parent) {
    setWindowTitle("SelectDir");
    setModal(true);
    ApplyFormFont(*this);
    resize(kDesignSize);
    BuildLabels();
    BuildTree();
    BuildMaskAndButtons();
    BuildPreview();
    SelectHome();
    setMinimumSize(BitBtn2->geometry().right() + 1 + kTreeDesign.x(),
                   kDesignSize.height() - (kTreeDesign.height() - kLeastTreeHeight) -
                       (kPreviewDesign.height() - kLeastPreviewHeight));
    FitOnScreen(*this, kDesignSize);
    Place();
}

void TSelectDir::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Place();
}

// The tree and the preview share between them what the chooser's height differs from its
// designed one, half each as far as each can give; the rows between them move with the tree's
// bottom, and both widen with the chooser.
void TSelectDir::Place() {
    const QSize grown = size() - kDesignSize;
    const int tree = std::max(kLeastTreeHeight, kTreeDesign.height() + grown.height() / 2);
    const int down = tree - kTreeDesign.height();
    const int preview =
        std::max(kLeastPreviewHeight, kPreviewDesign.height() + grown.height() - down);
    const int wider = std::max(0, grown.width());
    ShellTreeView1->setGeometry(kTreeDesign.adjusted(0, 0, wider, down));
    PathEdit->setGeometry(kTreeDesign.x(), kPathTop + down, width() - 2 * kTreeDesign.x(),
                          kPathHeight);
    Label1->move(Label1->x(), kMaskRow + down);
    PlaceMaskAndButtons(kMaskRow + down);
    Label2->move(Label2->x(), kPreviewCaptionTop + down);
    ShellListView1->setGeometry(kPreviewDesign.x(), kPreviewDesign.y() + down,
                                kPreviewDesign.width() + grown.width(), preview);
}

void TSelectDir::accept() {
    // The folder may have gone since it was named; nothing is handed back that names none.
    if (SelectedPath().empty()) {
        BitBtn1->setEnabled(false);
        return;
    }
    QDialog::accept();
}

FolderChoice TSelectDir::Choice() const {
    return {SelectedPath(), PathFromQt(MaskText())};
}

std::string TSelectDir::SelectedPath() const {
    const std::optional<QString> folder = TypedFolder(PathEdit->text());
    return folder ? PathFromQt(*folder) : std::string();
}

QString TSelectDir::PathLabelText() const {
    return PathEdit->text();
}

QString TSelectDir::MaskText() const {
    return ComboBox1->currentText();
}

void TSelectDir::SetMaskText(const QString& mask) {
    ComboBox1->setCurrentText(mask);
}

bool TSelectDir::SelectPath(const std::string& path) {
    const QString folder = QFile::decodeName(QByteArray::fromStdString(path));
    // Asked for any other path, the model would list it in the tree, filters or not.
    if (!QFileInfo(folder).isDir()) return false;
    if (!SelectInTree(folder).isValid()) return false;
    WritePathLabel();
    return true;
}

QModelIndex TSelectDir::SelectInTree(const QString& folder) {
    const QModelIndex index = folders_->index(folder);
    if (!index.isValid()) return index;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
        ShellTreeView1->expand(up);
    ShellTreeView1->setCurrentIndex(index);
    ShellTreeView1->scrollTo(index);
    return index;
}

void TSelectDir::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A path left half typed when the chooser was last cancelled gives way to the tree's folder.
    if (!TypedFolder(PathEdit->text())) WritePathLabel();
    ShellTreeView1->scrollTo(ShellTreeView1->currentIndex());
    // The keyboard starts in the tree, as the mouse does.
    ShellTreeView1->setFocus(Qt::OtherFocusReason);
}

void TSelectDir::BuildLabels() {
    Label4 = PlaceLabel(this, "Label4", "Select the base folder you wish to add from", 8, 8);
    // Where the caption "File Path" stood: the path itself, which can be typed or pasted.
    PathEdit = new QLineEdit(this);
    PathEdit->setObjectName("PathEdit");
    PathEdit->setPlaceholderText("File Path");
    QFont bold = PathEdit->font();
    bold.setBold(true);
    PathEdit->setFont(bold);
    PathEdit->setGeometry(8, kPathTop, width() - 16, kPathHeight);
    connect(PathEdit, &QLineEdit::textEdited, this, &TSelectDir::PathTyped);
    Label1 = PlaceLabel(this, "Label1", "Select file type to filter", 8, kMaskRow);
    Label2 = PlaceLabel(this, "Label2", "File Preview only (unfiltered)", 8, kPreviewCaptionTop);
}

void TSelectDir::BuildTree() {
    folders_ = MakeModel(this, QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders_->setRootPath("/");
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setGeometry(kTreeDesign);
    ShellTreeView1->setModel(folders_);
    ShellTreeView1->setHeaderHidden(true);
    for (int column = 1; column < folders_->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);
    ShellTreeView1->setRootIsDecorated(false);
    ShellTreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ShellTreeView1, &QTreeView::clicked, this, &TSelectDir::ShellTreeView1Click);
    // Whatever moves the highlight (a click, either button, the keyboard) renames the folder.
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TSelectDir::CurrentFolderChanged);
    // Rows arrive and are sorted after each folder is read; both move the selected one.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, &TSelectDir::FollowSelection);
    connect(folders_, &QAbstractItemModel::layoutChanged, this, &TSelectDir::FollowSelection);
}

void TSelectDir::BuildMaskAndButtons() {
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName("ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItem("*.*");
    ComboBox1->setCurrentText("*.*");
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), "Cancel", this);
    BitBtn2->setObjectName("BitBtn2");
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    PlaceMaskAndButtons(kMaskRow);
    setTabOrder(ShellTreeView1, PathEdit);
    setTabOrder(PathEdit, ComboBox1);
}

// The mask box stands right of its caption and holds a mask of a usual length whole; the buttons
// follow it at their designed distances.
void TSelectDir::PlaceMaskAndButtons(int row) {
    constexpr int kGap = 4;          // between the caption and the box
    constexpr int kBoxToOk = 15;     // as designed: the box ends at 169, OK starts at 184
    constexpr int kOkToCancel = 80;  // OK at 184, Cancel at 264
    const int boxLeft = DesignOr(120, Label1->x() + Label1->width() + kGap);
    ComboBox1->setGeometry(boxLeft, row, 49, 21);
    const int text = ComboBox1->fontMetrics().horizontalAdvance(QStringLiteral("*.backup"));
    ComboBox1->resize(ComboBoxWidth(49, *ComboBox1, text), 21);
    const int ok = ComboBox1->geometry().right() + 1 + kBoxToOk;
    BitBtn1->setGeometry(ok, row, 75, 25);
    BitBtn2->setGeometry(ok + kOkToCancel, row, 75, 25);
}

void TSelectDir::BuildPreview() {
    contents_ =
        MakeModel(this, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    ShellListView1 = new QListView(this);
    ShellListView1->setObjectName("ShellListView1");
    ShellListView1->setGeometry(kPreviewDesign);
    ShellListView1->setModel(contents_);
    ShellListView1->setViewMode(QListView::ListMode);
    ShellListView1->setFlow(QListView::TopToBottom);
    ShellListView1->setWrapping(true);
    ShellListView1->setResizeMode(QListView::Adjust);
    // On the tooltip colours as a pair: the list is disabled, and its grey disabled text on a
    // yellow tooltip ground could hardly be read.
    QPalette palette = ShellListView1->palette();
    const QPalette tips = QToolTip::palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base,
                         tips.color(QPalette::Inactive, QPalette::ToolTipBase));
        palette.setColor(group, QPalette::Text,
                         tips.color(QPalette::Inactive, QPalette::ToolTipText));
    }
    ShellListView1->setPalette(palette);
    // It only shows what is there; the choice is made in the tree.
    ShellListView1->setEnabled(false);
}

// The Linux counterpart of starting at the desktop: the home folder, opened out and in view.
void TSelectDir::SelectHome() {
    QModelIndex home = folders_->index(QDir::homePath());
    if (!home.isValid()) home = folders_->index("/");
    for (QModelIndex up = home.parent(); up.isValid(); up = up.parent()) ShellTreeView1->expand(up);
    ShellTreeView1->setCurrentIndex(home);
    WritePathLabel();
}

void TSelectDir::ShellTreeView1Click() {
    followSelection_ = false;
    // A click on the folder already highlighted takes back a path typed since.
    WritePathLabel();
}

void TSelectDir::WritePathLabel() {
    const QModelIndex current = ShellTreeView1->currentIndex();
    PathEdit->setText(current.isValid() ? folders_->filePath(current) : QString());
    if (BitBtn1 != nullptr) BitBtn1->setEnabled(current.isValid());
}

void TSelectDir::CurrentFolderChanged(const QModelIndex& current) {
    ShowPreview(current);
    if (!typing_) WritePathLabel();
}

void TSelectDir::PathTyped(const QString& text) {
    const std::optional<QString> folder = TypedFolder(text);
    // OK hands back only a folder the box names.
    BitBtn1->setEnabled(folder.has_value());
    if (!folder) return;
    typing_ = true;
    followSelection_ = false;
    (void)SelectInTree(*folder);
    typing_ = false;
}

void TSelectDir::ShowPreview(const QModelIndex& folder) {
    const QString path = folders_->filePath(folder);
    ShellListView1->setRootIndex(contents_->setRootPath(path));
}

void TSelectDir::FollowSelection() {
    if (followSelection_) ShellTreeView1->scrollTo(ShellTreeView1->currentIndex());
}

}  // namespace vellum::ui
