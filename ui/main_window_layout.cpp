// The controls of MainWindow, top to bottom: the list panel (the header strip over the
// list), the splitter, and the lower panel (the binary view over the bottom bar); and the list's
// pop-up menu.
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "filelist/list_commands.h"
#include "interchange/recycle.h"
#include "ui/add_progress_window.h"
#include "ui/fitted_size.h"
#include "ui/grid_model.h"
#include "ui/hex_view.h"
#include "ui/list_drop.h"
#include "ui/list_grid.h"
#include "ui/main_window.h"
#include "ui/mnemonics.h"
#include "ui/pass_display.h"
#include "ui/pictures.h"
#include "ui/qt_dialogs.h"
#include "ui/splitter_bar.h"
#include "ui/web_panel.h"

namespace vellum::ui {

namespace {

constexpr int kVersionPanelWidth = 104;
constexpr int kLimitPictureWidth = 41;
constexpr int kHaltPanelWidth = 97;

QVBoxLayout* Column(QWidget* owner, int border) {
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(border, border, border, border);
    layout->setSpacing(0);
    return layout;
}

QFrame* FixedWidthPanel(const char* name, int width) {
    auto* panel = new QFrame;
    panel->setObjectName(name);
    panel->setFixedWidth(width);
    return panel;
}

}  // namespace

void MainWindow::BuildControls() {
    ApplyFormFont(*this);
    QVBoxLayout* layout = Column(this, 0);
    layout->addWidget(BuildListPanel(), 1);
    splitter_ = new SplitterBar;
    splitter_->setObjectName("splitter");
    layout->addWidget(splitter_);
    layout->addWidget(BuildLowerPanel());
    BuildPopupMenu();
    startTimer_ = new QTimer(this);
    startTimer_->setObjectName("startTimer");
    startTimer_->setSingleShot(true);
    messageTimer_ = new QTimer(this);
    messageTimer_->setObjectName("messageTimer");
    PlaceOnScreen();
}

void MainWindow::FitToFont() {
    // The version box beside the limit picture, its bold caption clear of its raised frame.
    constexpr int kTextMargin = 2;
    versionPanel_->setFixedWidth(kLimitPictureWidth +
                                 FitWidth(kVersionPanelWidth - kLimitPictureWidth, *versionBox_,
                                          {versionBox_->text()},
                                          2 * (versionBox_->frameWidth() + kTextMargin)));
    // The longer caption sets the width, so that the bar does not shift between Halt and Resume.
    haltPanel_->setFixedWidth(ButtonWidth(kHaltPanelWidth, *haltButton_,
                                          {HaltButtonCaption(false), HaltButtonCaption(true)}));
    bottomBar_->setFixedHeight(DesignOr(kBottomBarHeight, haltButton_->sizeHint().height()));
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && haltPanel_ != nullptr) FitToFont();
}

namespace {

// The room the values of a column take at their widest, by the core's column number.
int ValuesWidth(const QFontMetrics& metrics, int column) {
    if (const auto kind = DigestOfColumn(column))
        return WidestRun(metrics, u"0123456789abcdef", static_cast<int>(2 * InfoOf(*kind).bytes));
    switch (column) {
        case kColumnSize:  // sizes up to hundreds of gigabytes
            return WidestRun(metrics, u"0123456789", 12) +
                   3 * metrics.horizontalAdvance(QLocale::system().groupSeparator());
        case kColumnCrc16:
        case kColumnXsum:
            return WidestRun(metrics, u"0123456789ABCDEF", 4);
        case kColumnCrc32:
            return WidestRun(metrics, u"0123456789ABCDEF", 8);
        case kColumnMd5:
            return WidestRun(metrics, u"0123456789abcdef", 32);
        case kColumnStatus:  // its longest words
            return WidestText(
                metrics, {u"FLAGGED", u"CALCING", u"WAITING", u"INVALID", u"DELETED", u"MARKER"});
        default:
            return 0;
    }
}

int DesignWidth(int column) {
    constexpr int kMd5Bytes = 16;
    if (const auto kind = DigestOfColumn(column))
        return kDesignColumnWidths[kColumnMd5] * static_cast<int>(InfoOf(*kind).bytes) / kMd5Bytes;
    return kDesignColumnWidths[column];
}

}  // namespace

std::vector<int> FittedColumnWidths(const QFontMetrics& metrics, const ColumnMap& columns) {
    // The header strip shares the widths: a caption with the widest of its sort marks fits too.
    const auto caption = [&](int column) {
        const std::string_view base = BaseCaption(column);
        const QString text = QString::fromLatin1(base.data(), qsizetype(base.size()));
        return WidestText(metrics, {text + " ^", text + " v", text + " +"});
    };
    // Text starts 2 pixels in; keep as much room after it, and the grid line.
    constexpr int kInsets = 5;
    std::vector<int> widths(static_cast<std::size_t>(columns.count()));
    for (int view = 0; view < columns.count(); ++view) {
        const int column = columns.CoreColumn(view);
        // The path column takes what the window leaves.
        widths[static_cast<std::size_t>(view)] =
            column == kColumnFilename
                ? DesignWidth(column)
                : DesignOr(DesignWidth(column),
                           std::max(ValuesWidth(metrics, column), caption(column)) + kInsets);
    }
    return widths;
}

void MainWindow::ApplyColumnWidths() {
    // The window's font, as the grid draws.
    const std::vector<int> widths = FittedColumnWidths(fontMetrics(), Columns());
    for (std::size_t view = 0; view < widths.size(); ++view)
        listGrid_->setColumnWidth(static_cast<int>(view), widths[view]);
}

QFrame* MainWindow::BuildListPanel() {
    listPanel_ = new QFrame;
    listPanel_->setObjectName("listPanel");
    QVBoxLayout* layout = Column(listPanel_, kPanelBorder);
    headerModel_ = new HeaderStripModel(ctx_, this);
    headerStrip_ = new HeaderStrip;
    headerStrip_->setObjectName("headerStrip");
    headerStrip_->setModel(headerModel_);
    gridModel_ = new FileGridModel(ctx_, this);
    listGrid_ = new ListGrid;
    listGrid_->setObjectName("listGrid");
    listGrid_->setModel(gridModel_);
    // The window may be made as low as the user likes; the list then simply shows less.
    listGrid_->setMinimumHeight(1);
    ApplyColumnWidths();
    layout->addWidget(headerStrip_);
    layout->addWidget(listGrid_, 1);
    return listPanel_;
}

QFrame* MainWindow::BuildLowerPanel() {
    lowerPanel_ = new QFrame;
    lowerPanel_->setObjectName("lowerPanel");
    QVBoxLayout* layout = Column(lowerPanel_, kPanelBorder);
    hexView_ = new HexView(ctx_);
    hexView_->setObjectName("HexView");
    layout->addWidget(hexView_, 1);
    layout->addWidget(BuildBottomBar());
    SetLowerPanelHeight(kLowerPanelDesignHeight);
    return lowerPanel_;
}

QFrame* MainWindow::BuildBottomBar() {
    bottomBar_ = new QFrame;
    bottomBar_->setObjectName("bottomBar");
    bottomBar_->setFixedHeight(kBottomBarHeight);
    auto* bar = new QHBoxLayout(bottomBar_);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(0);

    versionPanel_ = FixedWidthPanel("versionPanel", kVersionPanelWidth);
    auto* left = new QHBoxLayout(versionPanel_);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    limitPicture_ = new QLabel;
    limitPicture_->setObjectName("limitPicture");
    limitPicture_->setFixedWidth(kLimitPictureWidth);
    limitPicture_->setAlignment(Qt::AlignCenter);
    SetPicture(*limitPicture_, kLimitPicture);
    versionBox_ = new QLabel;
    versionBox_->setObjectName("versionBox");
    versionBox_->setAlignment(Qt::AlignCenter);
    versionBox_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont bold;  // only the weight: family and size come from the window
    bold.setBold(true);
    versionBox_->setFont(bold);
    left->addWidget(limitPicture_);
    left->addWidget(versionBox_, 1);

    haltPanel_ = FixedWidthPanel("haltPanel", kHaltPanelWidth);
    haltButton_ = new QPushButton(HaltButtonCaption(false), haltPanel_);
    haltButton_->setObjectName("haltButton");
    // Reached by Tab and pressed by Space; a click leaves the focus where it was.
    haltButton_->setFocusPolicy(Qt::TabFocus);
    Column(haltPanel_, 0)->addWidget(haltButton_);

    statusLine_ = new QLabel(QStringLiteral("No Files!"));
    statusLine_->setObjectName("statusLine");
    statusLine_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLine_->setIndent(4);
    statusLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLine_->setMinimumWidth(0);
    statusLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    webPanel_ = new WebPanel;
    bar->addWidget(versionPanel_);
    bar->addWidget(haltPanel_);
    bar->addWidget(statusLine_, 1);
    bar->addWidget(webPanel_);
    return bottomBar_;
}

void MainWindow::BuildPopupMenu() {
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName("popupMenu");
    // The items that ask nothing call the core's command straight away.
    const auto on = [this](void (*command)(ListContext&)) {
        return [this, command] { command(ctx_); };
    };
    struct Item {
        const char* caption;        // nullptr: a separator
        char letter;                // its keyboard letter, unique in the menu
        std::function<void()> run;  // empty: the Digests submenu
    };
    const Item items[] = {
        {"Clear", 'C', [this] { ConfirmAndClear(); }},
        {nullptr, 0, {}},
        {"Add files", 'A', [this] { AddFiles(ctx_, FileChooser(), *addProgress_); }},
        {"Add folder", 'F', [this] { ChooseAndAddFolder(); }},
        {"Find Duplicates in Folder...", 'D', [this] { ChooseAndFindDuplicates(); }},
        {nullptr, 0, {}},
        {"Invert FLAGGED", 'I', on(InvertFlags)},
        {"Flag ALL", 'L', on(FlagAll)},
        {"Flag NONE", 'N', on(FlagNone)},
        {"Remove Flagged", 'R', on(RemoveFlagged)},
        {"Flag Adjacent Identicals", 'J', on(FlagIdenticals)},
        {"Flag Adjacent Identicals Except First", 'E', on(FlagIdenticalsExceptFirst)},
        {"Flag Identicals Outside Folder...", 'O', [this] { ChooseAndFlagOutside(); }},
        {"Flag Between Markers", 'W', on(FlagBetweenMarkers)},
        {nullptr, 0, {}},
        {"Remove Adjacent Duplicates", 'U', on(RemoveAdjacentDuplicates)},
        {nullptr, 0, {}},
        {"Digests", 'G', {}},
        {"Check Against Digest...", 'H', [this] { AskAndCheckDigest(); }},
        {nullptr, 0, {}},
        {"Replace Flagged with Links to Kept Copy", 'P', [this] { ReplaceFlaggedWithLinks(); }},
        {"Send Flagged to Recycle Bin", 'S', [this] { SendFlaggedToTrash(ctx_, trash_); }},
        {"Remove Deleted", 'T', on(RemoveDeleted)},
        {nullptr, 0, {}},
        {"EXPORT Flagged List", 'X', [this] { ChooseAndExportFlagged(); }},
        {"IMPORT file list", 'M', [this] { ChooseAndImportList(); }},
        {nullptr, 0, {}},
        {"About", 'B', [this] { ShowAbout(); }},
    };
    for (const Item& item : items) {
        if (item.caption == nullptr) {
            popupMenu_->addSeparator();
            continue;
        }
        const QString caption = WithMnemonic(item.caption, item.letter);
        if (!item.run) {
            BuildDigestsMenu(caption);
            continue;
        }
        // A letter runs the item while the menu is open; no shortcut runs it from elsewhere.
        QAction* action = popupMenu_->addAction(caption);
        connect(action, &QAction::triggered, this, item.run);
    }
}

void MainWindow::BuildDigestsMenu(const QString& caption) {
    digestsMenu_ = popupMenu_->addMenu(caption);
    digestsMenu_->setObjectName("digestsMenu");
    for (const DigestInfo& info : AllDigestInfo()) {
        QAction* action =
            digestsMenu_->addAction(WithMnemonic(info.menu, DigestMnemonic(info.kind)));
        action->setCheckable(true);
        action->setData(static_cast<int>(info.kind));
        connect(action, &QAction::triggered, this,
                [this, kind = info.kind](bool checked) { DigestMenuClick(kind, checked); });
    }
}

void MainWindow::ConnectEvents() {
    connect(listGrid_, &ListGrid::cellSelected, this, &MainWindow::CellSelected);
    connect(listGrid_, &ListGrid::cellDoubleClicked, this, &MainWindow::CellDoubleClicked);
    connect(listGrid_, &ListGrid::rightButtonPressed, this, &MainWindow::RightButtonPressed);
    connect(headerStrip_, &HeaderStrip::cellClicked, this, &MainWindow::HeaderCellClicked);
    connect(splitter_, &SplitterBar::dragStarted, this,
            [this] { dragStartHeight_ = lowerPanel_->height(); });
    connect(splitter_, &SplitterBar::dragged, this, &MainWindow::SplitterDragged);
    connect(hexView_, &HexView::hideShowClicked, this, &MainWindow::ToggleHexView);
    connect(haltButton_, &QPushButton::clicked, this, &MainWindow::HaltButtonClicked);
    connect(webPanel_, &WebPanel::clicked, this, &MainWindow::WebPanelClicked);
    connect(webPanel_, &WebPanel::pictureRightPressed, this, &MainWindow::WebPictureRightClick);
    connect(startTimer_, &QTimer::timeout, this, &MainWindow::FinishStartup);
    connect(messageTimer_, &QTimer::timeout, this, &MainWindow::MessageTick);
    new ListDrop(
        listGrid_->viewport(), [this] { return ctx_.state.Updating; },
        [this](const std::vector<std::string>& paths) { AddDropped(ctx_, paths, *addProgress_); });
    ConnectSidewaysScrolling();
    ConnectKeys();
}

// The header strip scrolls with the list, either way: a wheel over the strip moves it too.
void MainWindow::ConnectSidewaysScrolling() {
    QScrollBar* list = listGrid_->horizontalScrollBar();
    QScrollBar* strip = headerStrip_->horizontalScrollBar();
    connect(list, &QScrollBar::valueChanged, strip, &QScrollBar::setValue);
    connect(strip, &QScrollBar::valueChanged, list, &QScrollBar::setValue);
    connect(listGrid_, &ListGrid::viewportResized, this, &MainWindow::SyncHeaderColumns);
}

}  // namespace vellum::ui
