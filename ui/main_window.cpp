// MainWindow's life: creation (SetUp), the start-up work of the first timer tick, what the
// list pass asks of the window, the Halt/Resume button, the message timer and closing.
#include "ui/main_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "filelist/adding.h"
#include "filelist/command_line.h"
#include "platform/settings_location.h"
#include "program_identity.h"
#include "ui/add_progress_window.h"
#include "ui/grid_model.h"
#include "ui/hex_view.h"
#include "ui/legible_colour.h"
#include "ui/list_grid.h"
#include "ui/pass_display.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_fit.h"
#include "ui/values_dialog.h"

namespace vellum::ui {

namespace {

constexpr int kStartDelayMilliseconds = 1;
constexpr int kMessageTickMilliseconds = 1000;

QString FromBytes(std::string_view bytes) {
    return QFile::decodeName(QByteArray(bytes.data(), qsizetype(bytes.size())));
}

// Red and blue as designed, lightened just enough where the desktop's window colour is dark.
QColor StatusTextColour(StatusColour colour, const QPalette& palette) {
    const QColor ground = palette.color(QPalette::Window);
    switch (colour) {
        case StatusColour::Red:
            return Legible(QColor(0xFF0000), ground);
        case StatusColour::Blue:
            return Legible(QColor(0x0000FF), ground);
        default:
            return palette.color(QPalette::WindowText);
    }
}

}  // namespace

MainWindow::MainWindow(std::vector<std::string> args, const DialogsFactory& makeDialogs,
                       platform::Trash& trash, ListPass::Clock clock, StartupSettings startup,
                       QWidget* parent)
    : QWidget(parent),
      host_(*this),
      pass_(ctx_, std::move(clock)),
      trash_(trash),
      args_(std::move(args)),
      startup_(std::move(startup)) {
    if (startup_.settingsPath.empty()) startup_.settingsPath = platform::PrepareSettingsPath();
    ctx_.host = &host_;
    dialogs_ = makeDialogs(this);
    dialogs_->KeepSizesIn(startup_.settingsPath);
    BuildControls();
    SetUp();
    std::unique_ptr<SplashWindow> splash = ShowSplash();
    // Hidden until wanted; the folder chooser is made by the dialogs on first use.
    aboutBox_ = new AboutBox(startup_.openPage, this);
    valuesDialog_ = new ValuesDialog(this);
    addProgress_ = new AddProgressWindow(this);
    splash->HoldFor(startup_.splashHold);
    splash.reset();
    ConnectEvents();
    startTimer_->start(kStartDelayMilliseconds);
    messageTimer_->start(kMessageTickMilliseconds);
}

MainWindow::~MainWindow() {
    // The child widgets hold references into the list and the pass; they go while both exist.
    ctx_.host = &ctx_.nullHost;
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MainWindow::SetUp() {
    setObjectName("MainWindow");
    setWindowTitle(QString::fromStdString(ProgramTitle()));
    versionBox_->setText(
        QStringLiteral("v ") +
        QString::fromUtf8(kProgramVersion.data(), qsizetype(kProgramVersion.size())));
    FitToFont();
    LoadShownDigests();
    // The file table is sized even when a -f number was bad; the box tells which one.
    const std::optional<std::string> error = SweepOptions(ctx_, args_);
    RefreshLimitHint();
    if (error) dialogs_->ShowError(*error);
}

void MainWindow::FinishStartup() {
    // The window manager's frame is known now that the window is up.
    KeepOnScreen(*this);
    SyncHeaderColumns();
    AddStartupPaths(ctx_, StartupPaths(args_), FileChooser(), *addProgress_);
    StartupIdentityAndCheck();
    startupDone_ = true;
}

ChooseFiles MainWindow::FileChooser() {
    return [this](const std::string& startFolder) { return dialogs_->ChooseFiles(startFolder); };
}

void MainWindow::RefreshLimitHint() {
    limitPicture_->setToolTip(QStringLiteral("%1 max files configured").arg(ctx_.state.MaxFiles));
}

// The pass calls this at its start and end and at most every 300 ms between, and the commands
// after they change rows; the model tells the grid, which repaints at the next event pump.
void MainWindow::RepaintGrid(std::int32_t rowCount) {
    // A command may have changed the digests calculated (an import of a list that holds some):
    // their columns come with the pass that fills them.
    FollowShownDigests();
    gridModel_->SetGridRowCount(rowCount);
    // A list that holds no file any more (Clear) leaves nothing to view.
    if (rowCount <= 1 && !hexView_->ViewedPath().empty()) hexView_->Clear();
    gridModel_->ValuesChanged();
    // The limit doubles quietly when the table grows; every repaint keeps the hint true.
    RefreshLimitHint();
}

void MainWindow::RowsAboutToMove() {
    gridModel_->RowsAboutToMove();
}

void MainWindow::RowsMoved() {
    gridModel_->RowsMoved();
    // The grid's current cell, where the keys start from, goes with the selected file too.
    const std::int32_t row = ctx_.state.SelectedRow;
    if (row < 1 || row >= gridModel_->rowCount()) return;
    const QModelIndex current = listGrid_->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    QScrollBar* sideways = listGrid_->horizontalScrollBar();
    const int across = sideways->value();
    listGrid_->setCurrentIndex(gridModel_->index(row, column));
    sideways->setValue(across);
}

void MainWindow::ShowStatus() {
    const StatusLine& line =
        ComposeStatusLine(ctx_, QLocale::system().groupSeparator().toStdString());
    statusLine_->setText(FromBytes(line.text));
    QFont font = statusLine_->font();
    font.setBold(line.bold);
    statusLine_->setFont(font);
    QPalette palette = statusLine_->palette();
    palette.setColor(QPalette::WindowText, StatusTextColour(line.colour, this->palette()));
    statusLine_->setPalette(palette);
    ShowStatusWhole();
    // The pass calls this between blocks, when no paint event would get through.
    statusLine_->repaint();
}

void MainWindow::FitRows(std::int32_t rowCount) {
    // Never lower: a window the user made taller stays as it is. Never past the screen's
    // bottom either.
    const int wanted = std::min(WantedWindowHeight(rowCount), TallestOnScreen(*this));
    if (height() < wanted) resize(width(), wanted);
}

void MainWindow::ShowStatusWhole() {
    const QString text = statusLine_->text();
    const int room = statusLine_->contentsRect().width() - statusLine_->indent();
    const bool cut = statusLine_->fontMetrics().horizontalAdvance(text) > room;
    statusLine_->setToolTip(cut ? text : QString());
}

void MainWindow::RepaintHeaderAndHexView() {
    headerModel_->CaptionsChanged();
    hexView_->RepaintView();
}

void MainWindow::ShowErrorBox(const std::string& text) {
    dialogs_->ShowError(text);
}

void MainWindow::HaltButtonClicked() {
    pass_.HaltOrResume([this](bool halted) { haltButton_->setText(HaltButtonCaption(halted)); });
}

void MainWindow::MessageTick() {
    if (CountDownMessage(ctx_)) ShowStatus();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Once the window goes the program ends, so no pass may read on: not one that runs below
    // us on the stack, inside its event pump, nor one that an add command whose progress
    // window let this close through would start next. A running pass stops after one more
    // block, and the window closes once it has returned.
    ctx_.state.HaltRequested = true;
    if (pass_.running()) {
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    startTimer_->stop();
    messageTimer_->stop();
    KeepPlace();
    event->accept();
}

}  // namespace vellum::ui
