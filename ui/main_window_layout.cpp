// The controls of TMain, top to bottom: Panel5 (the header strip DrawGrid3 over the list
// DrawGrid1), Splitter1, and Panel8 (the binary view over the bottom bar Panel1); and the
// list's pop-up menu PopupMenu1.
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

#include "ui/add_progress.h"
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

constexpr int kPanel3Width = 104;
constexpr int kImage2Width = 41;
constexpr int kPanel7Width = 97;

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

void TMain::BuildControls() {
    ApplyFormFont(*this);
    QVBoxLayout* layout = Column(this, 0);
    layout->addWidget(BuildPanel5(), 1);
    Splitter1 = new SplitterBar;
    Splitter1->setObjectName("Splitter1");
    layout->addWidget(Splitter1);
    layout->addWidget(BuildPanel8());
    BuildPopupMenu1();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    PlaceOnScreen();
}

void TMain::FitToFont() {
    // The version box beside the limit picture, its bold caption clear of its raised frame.
    constexpr int kTextMargin = 2;
    Panel3->setFixedWidth(kImage2Width + FitWidth(kPanel3Width - kImage2Width, *Panel4,
                                                  {Panel4->text()},
                                                  2 * (Panel4->frameWidth() + kTextMargin)));
    // The longer caption sets the width, so that the bar does not shift between Halt and Resume.
    Panel7->setFixedWidth(
        ButtonWidth(kPanel7Width, *Button1, {HaltButtonCaption(false), HaltButtonCaption(true)}));
    Panel1->setFixedHeight(DesignOr(kBottomBarHeight, Button1->sizeHint().height()));
}

void TMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && Panel7 != nullptr) FitToFont();
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

void TMain::ApplyColumnWidths() {
    // The window's font, as the grid draws.
    const std::vector<int> widths = FittedColumnWidths(fontMetrics(), Columns());
    for (std::size_t view = 0; view < widths.size(); ++view)
        DrawGrid1->setColumnWidth(static_cast<int>(view), widths[view]);
}

QFrame* TMain::BuildPanel5() {
    Panel5 = new QFrame;
    Panel5->setObjectName("Panel5");
    QVBoxLayout* layout = Column(Panel5, kPanelBorder);
    headerModel_ = new HeaderStripModel(ctx_, this);
    DrawGrid3 = new HeaderStrip;
    DrawGrid3->setObjectName("DrawGrid3");
    DrawGrid3->setModel(headerModel_);
    gridModel_ = new FileGridModel(ctx_, this);
    DrawGrid1 = new ListGrid;
    DrawGrid1->setObjectName("DrawGrid1");
    DrawGrid1->setModel(gridModel_);
    // The window may be made as low as the user likes; the list then simply shows less.
    DrawGrid1->setMinimumHeight(1);
    ApplyColumnWidths();
    layout->addWidget(DrawGrid3);
    layout->addWidget(DrawGrid1, 1);
    return Panel5;
}

QFrame* TMain::BuildPanel8() {
    Panel8 = new QFrame;
    Panel8->setObjectName("Panel8");
    QVBoxLayout* layout = Column(Panel8, kPanelBorder);
    BinaryView = new HexView(ctx_);
    BinaryView->setObjectName("HexView");
    layout->addWidget(BinaryView, 1);
    layout->addWidget(BuildPanel1());
    SetPanel8Height(kPanel8DesignHeight);
    return Panel8;
}

QFrame* TMain::BuildPanel1() {
    Panel1 = new QFrame;
    Panel1->setObjectName("Panel1");
    Panel1->setFixedHeight(kBottomBarHeight);
    auto* bar = new QHBoxLayout(Panel1);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(0);

    Panel3 = FixedWidthPanel("Panel3", kPanel3Width);
    auto* left = new QHBoxLayout(Panel3);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    Image2 = new QLabel;
    Image2->setObjectName("Image2");
    Image2->setFixedWidth(kImage2Width);
    Image2->setAlignment(Qt::AlignCenter);
    SetPicture(*Image2, kLimitPicture);
    Panel4 = new QLabel;
    Panel4->setObjectName("Panel4");
    Panel4->setAlignment(Qt::AlignCenter);
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
    QFont bold;  // only the weight: family and size come from the window
    bold.setBold(true);
    Panel4->setFont(bold);
    left->addWidget(Image2);
    left->addWidget(Panel4, 1);

    Panel7 = FixedWidthPanel("Panel7", kPanel7Width);
    Button1 = new QPushButton(HaltButtonCaption(false), Panel7);
    Button1->setObjectName("Button1");
    // Reached by Tab and pressed by Space; a click leaves the focus where it was.
    Button1->setFocusPolicy(Qt::TabFocus);
    Column(Panel7, 0)->addWidget(Button1);

    Panel6 = new QLabel(QStringLiteral("No Files!"));
    Panel6->setObjectName("Panel6");
    Panel6->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel6->setIndent(4);
    Panel6->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel6->setMinimumWidth(0);
    Panel6->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    Panel2 = new WebPanel;
    bar->addWidget(Panel3);
    bar->addWidget(Panel7);
    bar->addWidget(Panel6, 1);
    bar->addWidget(Panel2);
    return Panel1;
}

void TMain::BuildPopupMenu1() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    using Handler = void (TMain::*)();
    struct Item {
        const char* caption;  // nullptr: a separator
        char letter;          // its keyboard letter, unique in the menu
        Handler handler;      // nullptr: the Digests submenu
    };
    static constexpr Item kItems[] = {
        {"Clear", 'C', &TMain::Clear1Click},
        {nullptr, 0, nullptr},
        {"Add files", 'A', &TMain::Add1Click},
        {"Add folder", 'F', &TMain::Addfolder1Click},
        {"Find Duplicates in Folder...", 'D', &TMain::FindDuplicatesInFolder1Click},
        {nullptr, 0, nullptr},
        {"Invert FLAGGED", 'I', &TMain::InvertFLAGGED1Click},
        {"Flag ALL", 'L', &TMain::FlagALL1Click},
        {"Flag NONE", 'N', &TMain::FlagNONE1Click},
        {"Remove Flagged", 'R', &TMain::RemoveFlagged1Click},
        {"Flag Adjacent Identicals", 'J', &TMain::FlagIdenticals1Click},
        {"Flag Adjacent Identicals Except First", 'E', &TMain::FlagIdenticalsExceptFirst1Click},
        {"Flag Identicals Outside Folder...", 'O', &TMain::FlagIdenticalsOutsideFolder1Click},
        {"Flag Between Markers", 'W', &TMain::FlagMarkersClick},
        {nullptr, 0, nullptr},
        {"Remove Adjacent Duplicates", 'U', &TMain::RemoveAdjacentDuplicates1Click},
        {nullptr, 0, nullptr},
        {"Digests", 'G', nullptr},
        {"Check Against Digest...", 'H', &TMain::CheckAgainstDigest1Click},
        {nullptr, 0, nullptr},
        {"Replace Flagged with Links to Kept Copy", 'P', &TMain::ReplaceFlaggedWithLinks1Click},
        {"Send Flagged to Recycle Bin", 'S', &TMain::RecycleClick},
        {"Remove Deleted", 'T', &TMain::RemovedDeletedClick},
        {nullptr, 0, nullptr},
        {"EXPORT Flagged List", 'X', &TMain::ExportFlaggedList1Click},
        {"IMPORT file list", 'M', &TMain::IMPORTfilelist1Click},
        {nullptr, 0, nullptr},
        {"About", 'B', &TMain::About1Click},
    };
    for (const Item& item : kItems) {
        if (item.caption == nullptr) {
            PopupMenu1->addSeparator();
            continue;
        }
        const QString caption = WithMnemonic(item.caption, item.letter);
        if (item.handler == nullptr) {
            BuildDigestsMenu(caption);
            continue;
        }
        // A letter runs the item while the menu is open; no shortcut runs it from elsewhere.
        QAction* action = PopupMenu1->addAction(caption);
        connect(action, &QAction::triggered, this, item.handler);
    }
}

void TMain::BuildDigestsMenu(const QString& caption) {
    DigestsMenu = PopupMenu1->addMenu(caption);
    DigestsMenu->setObjectName("DigestsMenu");
    for (const DigestInfo& info : AllDigestInfo()) {
        QAction* action =
            DigestsMenu->addAction(WithMnemonic(info.menu, DigestMnemonic(info.kind)));
        action->setCheckable(true);
        action->setData(static_cast<int>(info.kind));
        connect(action, &QAction::triggered, this,
                [this, kind = info.kind](bool checked) { DigestMenuClick(kind, checked); });
    }
}

void TMain::ConnectEvents() {
    connect(DrawGrid1, &ListGrid::cellSelected, this, &TMain::DrawGrid1Click);
    connect(DrawGrid1, &ListGrid::cellDoubleClicked, this, &TMain::DrawGrid1DblClick);
    connect(DrawGrid1, &ListGrid::rightButtonPressed, this, &TMain::DrawGrid1MouseDown);
    connect(DrawGrid3, &HeaderStrip::cellClicked, this, &TMain::DrawGrid3Click);
    connect(Splitter1, &SplitterBar::dragStarted, this,
            [this] { dragStartHeight_ = Panel8->height(); });
    connect(Splitter1, &SplitterBar::dragged, this, &TMain::SplitterDragged);
    connect(BinaryView, &HexView::hideShowClicked, this, &TMain::Panel10Click);
    connect(Button1, &QPushButton::clicked, this, &TMain::Button1Click);
    connect(Panel2, &WebPanel::clicked, this, &TMain::Panel2Click);
    connect(Panel2, &WebPanel::pictureRightPressed, this, &TMain::WebPictureRightClick);
    connect(Timer1, &QTimer::timeout, this, &TMain::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TMain::Timer2Timer);
    new ListDrop(
        DrawGrid1->viewport(), [this] { return ctx_.state.Updating; },
        [this](const std::vector<std::string>& paths) { AddDropped(ctx_, paths, *Form5); });
    ConnectSidewaysScrolling();
    ConnectKeys();
}

// The header strip scrolls with the list, either way: a wheel over the strip moves it too.
void TMain::ConnectSidewaysScrolling() {
    QScrollBar* list = DrawGrid1->horizontalScrollBar();
    QScrollBar* strip = DrawGrid3->horizontalScrollBar();
    connect(list, &QScrollBar::valueChanged, strip, &QScrollBar::setValue);
    connect(strip, &QScrollBar::valueChanged, list, &QScrollBar::setValue);
    connect(DrawGrid1, &ListGrid::viewportResized, this, &TMain::SyncHeaderColumns);
}

}  // namespace vellum::ui
