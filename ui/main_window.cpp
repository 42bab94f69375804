// TMain's life: creation (FormCreate), the start-up work of the first timer tick, what the
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
#include "ui/add_progress.h"
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

constexpr int kTimer1Milliseconds = 1;
constexpr int kTimer2Milliseconds = 1000;

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

TMain::TMain(std::vector<std::string> args, const DialogsFactory& makeDialogs,
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
    FormCreate();
    std::unique_ptr<TSplashForm> splash = ShowSplash();
    // Hidden until wanted; the folder chooser is made by the dialogs on first use.
    About = new TAbout(startup_.openPage, this);
    Form4 = new TForm4(this);
    Form5 = new TForm5(this);
    splash->HoldFor(startup_.splashHold);
    splash.reset();
    ConnectEvents();
    Timer1->start(kTimer1Milliseconds);
    Timer2->start(kTimer2Milliseconds);
}

TMain::~TMain() {
    // The child widgets hold references into the list and the pass; they go while both exist.
    ctx_.host = &ctx_.nullHost;
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void TMain::FormCreate() {
    setObjectName("TMain");
    setWindowTitle(QString::fromStdString(ProgramTitle()));
    Panel4->setText(QStringLiteral("v ") +
                    QString::fromUtf8(kProgramVersion.data(), qsizetype(kProgramVersion.size())));
    FitToFont();
    LoadShownDigests();
    // The file table is sized even when a -f number was bad; the box tells which one.
    const std::optional<std::string> error = SweepOptions(ctx_, args_);
    RefreshLimitHint();
    if (error) dialogs_->ShowError(*error);
}

void TMain::Timer1Timer() {
    Timer1->stop();
    firstopen();
}

void TMain::firstopen() {
    // The window manager's frame is known now that the window is up.
    KeepOnScreen(*this);
    SyncHeaderColumns();
    AddStartupPaths(ctx_, StartupPaths(args_), FileChooser(), *Form5);
    StartupIdentityAndCheck();
    startupDone_ = true;
}

ChooseFiles TMain::FileChooser() {
    return [this](const std::string& startFolder) { return dialogs_->ChooseFiles(startFolder); };
}

void TMain::RefreshLimitHint() {
    Image2->setToolTip(QStringLiteral("%1 max files configured").arg(ctx_.state.MaxFiles));
}

// The pass calls this at its start and end and at most every 300 ms between, and the commands
// after they change rows; the model tells the grid, which repaints at the next event pump.
void TMain::RepaintGrid(std::int32_t rowCount) {
    // A command may have changed the digests calculated (an import of a list that holds some):
    // their columns come with the pass that fills them.
    FollowShownDigests();
    gridModel_->SetGridRowCount(rowCount);
    // A list that holds no file any more (Clear) leaves nothing to view.
    if (rowCount <= 1 && !BinaryView->ViewedPath().empty()) BinaryView->Clear();
    gridModel_->ValuesChanged();
    // The limit doubles quietly when the table grows; every repaint keeps the hint true.
    RefreshLimitHint();
}

void TMain::RowsAboutToMove() {
    gridModel_->RowsAboutToMove();
}

void TMain::RowsMoved() {
    gridModel_->RowsMoved();
    // The grid's current cell, where the keys start from, goes with the selected file too.
    const std::int32_t row = ctx_.state.SelectedRow;
    if (row < 1 || row >= gridModel_->rowCount()) return;
    const QModelIndex current = DrawGrid1->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    QScrollBar* sideways = DrawGrid1->horizontalScrollBar();
    const int across = sideways->value();
    DrawGrid1->setCurrentIndex(gridModel_->index(row, column));
    sideways->setValue(across);
}

void TMain::ShowStatus() {
    const StatusLine& line =
        ComposeStatusLine(ctx_, QLocale::system().groupSeparator().toStdString());
    Panel6->setText(FromBytes(line.text));
    QFont font = Panel6->font();
    font.setBold(line.bold);
    Panel6->setFont(font);
    QPalette palette = Panel6->palette();
    palette.setColor(QPalette::WindowText, StatusTextColour(line.colour, this->palette()));
    Panel6->setPalette(palette);
    ShowStatusWhole();
    // The pass calls this between blocks, when no paint event would get through.
    Panel6->repaint();
}

void TMain::FitRows(std::int32_t rowCount) {
    // Never lower: a window the user made taller stays as it is. Never past the screen's
    // bottom either.
    const int wanted = std::min(WantedWindowHeight(rowCount), TallestOnScreen(*this));
    if (height() < wanted) resize(width(), wanted);
}

void TMain::ShowStatusWhole() {
    const QString text = Panel6->text();
    const int room = Panel6->contentsRect().width() - Panel6->indent();
    const bool cut = Panel6->fontMetrics().horizontalAdvance(text) > room;
    Panel6->setToolTip(cut ? text : QString());
}

void TMain::RepaintHeaderAndHexView() {
    headerModel_->CaptionsChanged();
    BinaryView->RepaintView();
}

void TMain::ShowErrorBox(const std::string& text) {
    dialogs_->ShowError(text);
}

void TMain::Button1Click() {
    pass_.HaltOrResume([this](bool halted) { Button1->setText(HaltButtonCaption(halted)); });
}

void TMain::Timer2Timer() {
    if (vellum::Timer2Timer(ctx_)) ShowStatus();
}

void TMain::closeEvent(QCloseEvent* event) {
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
    Timer1->stop();
    Timer2->stop();
    KeepPlace();
    event->accept();
}

}  // namespace vellum::ui
