// The binary view: title bar, switch and the hand-drawn hex grid.
#include "ui/hex_view.h"

#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "filelist/list_context.h"
#include "filelist/status_line.h"
#include "platform/error_text.h"
#include "platform/files.h"
#include "ui/fitted_size.h"
#include "ui/legible_colour.h"

namespace vellum::ui {
namespace {

constexpr int kWheelRows = 3;
constexpr HexRgb kHexGridLineColour = 0xC0C0C0;
constexpr int kMonospacePixels = 11;

HexFontSizes MeasureHexFont(const QFont& font) {
    const QFontMetricsF metrics(font);
    HexFontSizes sizes;
    sizes.digitAdvance = 0;
    for (QChar digit : u"0123456789abcdef")
        sizes.digitAdvance = std::max(sizes.digitAdvance, metrics.horizontalAdvance(digit));
    sizes.charAdvance = 0;
    for (char16_t c = 32; c <= 126; ++c)
        sizes.charAdvance = std::max(sizes.charAdvance, metrics.horizontalAdvance(QChar(c)));
    sizes.lineHeight = metrics.height();
    return sizes;
}

}  // namespace

HexGrid::HexGrid(CellSource source, QWidget* parent)
    : QAbstractScrollArea(parent), source_(std::move(source)) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    FitCellsToFont();
}

void HexGrid::FitCellsToFont() {
    cells_ = FitHexCells(MeasureHexFont(font()));
    columns_ = HexColumns(offsetDigits_, cells_);
    UpdateMinimumWidth();
    UpdateScrollBar();
    UpdateSidewaysBar();
    viewport()->update();
}

void HexGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitCellsToFont();
}

void HexGrid::SetRowCount(std::int64_t rows) {
    rowCount_ = std::max<std::int64_t>(rows, 2);
    UpdateScrollBar();
    ScrollTo(topRow_);
    if (currentRow_ > rowCount_ - 1) SetCurrentCell(currentColumn_, rowCount_ - 1);
    viewport()->update();
}

void HexGrid::SetOffsetDigits(int digits) {
    offsetDigits_ = digits;
    if (HexColumns(digits, cells_).width(0) == columns_.width(0)) return;
    columns_ = HexColumns(digits, cells_);
    UpdateMinimumWidth();
    UpdateSidewaysBar();
    viewport()->update();
}

void HexGrid::SetCurrentCell(int column, std::int64_t row) {
    currentColumn_ = std::clamp(column, 1, kHexColumnCount - 1);
    currentRow_ = std::clamp<std::int64_t>(row, 1, rowCount_ - 1);
    if (currentRow_ < topRow_) {
        ScrollTo(currentRow_);
    } else if (currentRow_ >= topRow_ + visibleRows()) {
        ScrollTo(currentRow_ - visibleRows() + 1);
    }
    ScrollAcrossTo(currentColumn_);
    viewport()->update();
}

int HexGrid::visibleRows() const {
    return std::max(1, (viewport()->height() - rowPitch()) / rowPitch());
}

std::int64_t HexGrid::lastTop() const {
    return std::max<std::int64_t>(0, rowCount_ - 1 - visibleRows());
}

int HexGrid::rowTop(std::int64_t row) const {
    if (row == 0) return 0;
    return rowPitch() + static_cast<int>(row - topRow_) * rowPitch();
}

std::int64_t HexGrid::rowAt(int y) const {
    if (y < rowPitch()) return 0;
    return topRow_ + (y - rowPitch()) / rowPitch();
}

int HexGrid::cellLeft(int column) const {
    return column == 0 ? columns_.left(0) : columns_.left(column) - across_;
}

int HexGrid::columnAt(int x) const {
    return x < columns_.left(1) ? columns_.columnAt(x) : columns_.columnAt(x + across_);
}

QRect HexGrid::cellRect(int column, std::int64_t row) const {
    if (column < 0 || column >= kHexColumnCount || row < 0 || row >= rowCount_) return {};
    const bool onScreen = row == 0 || (row >= topRow_ && row <= topRow_ + visibleRows());
    if (!onScreen) return {};
    const QRect cell(cellLeft(column), rowTop(row), columns_.width(column), cells_.rowHeight);
    // A cell scrolled under the frozen offsets is not on screen either.
    if (column > 0 && cell.right() < columns_.left(1)) return {};
    return cell;
}

void HexGrid::ScrollTo(std::int64_t top) {
    topRow_ = std::clamp<std::int64_t>(top, 1, 1 + lastTop());
    settingBar_ = true;
    verticalScrollBar()->setValue(ScrollValueFor(topRow_ - 1, map_));
    settingBar_ = false;
    viewport()->update();
}

void HexGrid::UpdateScrollBar() {
    map_ = ScrollMapFor(lastTop());
    const auto page = std::max<std::int64_t>(1, visibleRows() / map_.scale);
    settingBar_ = true;
    verticalScrollBar()->setRange(0, map_.maximum);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(static_cast<int>(page));
    verticalScrollBar()->setValue(ScrollValueFor(topRow_ - 1, map_));
    settingBar_ = false;
}

// Keeps the current column in view beside the frozen offsets.
void HexGrid::ScrollAcrossTo(int column) {
    const int frozen = columns_.left(1);
    const int shown = viewport()->width() - frozen;
    int across = across_;
    if (columns_.left(column) - across < frozen) across = columns_.left(column) - frozen;
    if (columns_.left(column + 1) - across > frozen + shown)
        across = columns_.left(column + 1) - frozen - shown;
    horizontalScrollBar()->setValue(across);
}

void HexGrid::UpdateSidewaysBar() {
    QScrollBar* bar = horizontalScrollBar();
    const int hidden = columns_.contentWidth() - viewport()->width();
    bar->setRange(0, std::max(0, hidden));
    bar->setPageStep(std::max(1, viewport()->width() - columns_.left(1)));
    bar->setSingleStep(cells_.hexCell);
    across_ = bar->value();
}

// The offsets and a few bytes; a narrower window scrolls the rest into view.
void HexGrid::UpdateMinimumWidth() {
    const int bar = verticalScrollBar()->sizeHint().width();
    setMinimumWidth(columns_.left(1 + kLeastShownBytes) + bar + 2 * frameWidth());
}

void HexGrid::scrollContentsBy(int, int) {
    // The bar moved under the user's hand; moves made here set the top first.
    if (!settingBar_) topRow_ = 1 + TopFor(verticalScrollBar()->value(), map_);
    across_ = horizontalScrollBar()->value();
    viewport()->update();
}

void HexGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
    UpdateSidewaysBar();
    ScrollTo(topRow_);
}

void HexGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    painter.setFont(font());
    PaintRow(painter, 0, dirty);
    const int height = viewport()->height();
    for (std::int64_t row = topRow_; row < rowCount_ && rowTop(row) < height; ++row) {
        PaintRow(painter, row, dirty);
    }
    const QRect current = cellRect(currentColumn_, currentRow_);
    if (hasFocus() && current.isValid()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = current;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void HexGrid::PaintRow(QPainter& painter, std::int64_t row, const QRect& dirty) {
    const QRect line(0, rowTop(row), columns_.contentWidth() - across_, rowPitch());
    if (!line.intersects(dirty)) return;
    // Cells are drawn over the row's strip, leaving the grid lines between them.
    painter.fillRect(line, QColor(kHexGridLineColour));
    // The scrolled cells first, kept off the frozen offsets, then the offset itself.
    const QRect scrolled(columns_.left(1), line.top(), viewport()->width(), rowPitch());
    painter.save();
    painter.setClipRect(scrolled);
    for (int column = 1; column < kHexColumnCount; ++column) {
        const QRect rect(cellLeft(column), line.top(), columns_.width(column), cells_.rowHeight);
        if (rect.intersects(dirty) && rect.intersects(scrolled))
            PaintCell(painter, column, row, rect);
    }
    painter.restore();
    const QRect offset(cellLeft(0), line.top(), columns_.width(0), cells_.rowHeight);
    if (offset.intersects(dirty)) PaintCell(painter, 0, row, offset);
}

void HexGrid::PaintCell(QPainter& painter, int column, std::int64_t row, const QRect& rect) {
    const CellLook look = source_(column, row);
    const QColor ground = look.buttonFace ? palette().color(QPalette::Button)
                                          : QColor(static_cast<QRgb>(look.background));
    painter.fillRect(rect, ground);
    if (look.text.empty()) return;
    // The tints are fixed and light and keep their text colours; the button face is the
    // desktop's and may be dark.
    const QColor text(static_cast<QRgb>(look.textColour));
    painter.setPen(look.buttonFace ? Legible(text, ground) : text);
    // Left and top with no margin, cut off at the cell's edge.
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(look.text.data(), static_cast<int>(look.text.size())));
}

void HexGrid::keyPressEvent(QKeyEvent* event) {
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    const std::int64_t page = visibleRows();
    switch (event->key()) {
        case Qt::Key_Up:
            SetCurrentCell(currentColumn_, currentRow_ - 1);
            break;
        case Qt::Key_Down:
            SetCurrentCell(currentColumn_, currentRow_ + 1);
            break;
        case Qt::Key_Left:
            SetCurrentCell(currentColumn_ - 1, currentRow_);
            break;
        case Qt::Key_Right:
            SetCurrentCell(currentColumn_ + 1, currentRow_);
            break;
        case Qt::Key_PageUp:
            SetCurrentCell(currentColumn_, currentRow_ - page);
            break;
        case Qt::Key_PageDown:
            SetCurrentCell(currentColumn_, currentRow_ + page);
            break;
        case Qt::Key_Home:
            if (control)
                SetCurrentCell(currentColumn_, 1);
            else
                SetCurrentCell(1, currentRow_);
            break;
        case Qt::Key_End:
            if (control)
                SetCurrentCell(currentColumn_, rowCount_ - 1);
            else
                SetCurrentCell(kHexColumnCount - 1, currentRow_);
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void HexGrid::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    const int column = columnAt(at.x());
    const std::int64_t row = rowAt(at.y());
    if (column >= 1 && row >= 1 && row < rowCount_) SetCurrentCell(column, row);
    event->accept();
}

void HexGrid::wheelEvent(QWheelEvent* event) {
    // Sideways, the scroll area's own bar does the work.
    if (event->angleDelta().y() == 0) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // The wheel moves in whole notches of 120; touchpads deliver them in pieces.
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / 120;
    wheelRemainder_ %= 120;
    if (notches != 0) ScrollTo(topRow_ - std::int64_t{notches} * kWheelRows);
    event->accept();
}

void HexGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void HexGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

HexView::HexView(vellum::ListContext& ctx, QWidget* parent)
    : QWidget(parent), ctx_(ctx), cache_(ctx) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildTitleBar());

    grid_ = new HexGrid([this](int column, std::int64_t row) { return Cell(column, row); }, this);
    grid_->setObjectName("grid");
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPixelSize(FollowDesktopFont(kMonospacePixels));
    grid_->setFont(mono);
    layout->addWidget(grid_, 1);
    // Takes the room the hidden grid leaves, so that the title bar stays at the top.
    layout->addStretch(0);

    report_ = [this](const std::string& path, const std::string&) {
        PostFailed(ctx_, path);
        ctx_.host->ShowStatus();
    };
    cache_.SetFailureHook(
        [this](const std::string& path, const std::string& error) { ReportLater(path, error); });
}

QWidget* HexView::BuildTitleBar() {
    titleBar_ = new QWidget(this);
    titleBar_->setObjectName("titleBar");
    titleBar_->setFixedHeight(kTitleBarHeight);

    onOffLabel_ = new QLabel(QStringLiteral("Binary View ON"), titleBar_);
    onOffLabel_->setObjectName("onOffLabel");
    onOffLabel_->setAlignment(Qt::AlignCenter);
    onOffLabel_->setFrameStyle(QFrame::Panel | QFrame::Raised);

    hideShowButton_ = new QPushButton(QStringLiteral("HIDE"), titleBar_);
    hideShowButton_->setObjectName("hideShowButton");
    hideShowButton_->setFocusPolicy(Qt::NoFocus);
    connect(hideShowButton_, &QPushButton::clicked, this, &HexView::hideShowClicked);

    auto* left = new QHBoxLayout(titleBar_);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(onOffLabel_);
    left->addWidget(hideShowButton_);
    left->addStretch(1);

    // Placed by hand: centred on the whole bar, as far as the panels over its left end let it.
    titleLabel_ = new QLabel(titleBar_);
    titleLabel_->setObjectName("titleLabel");
    titleLabel_->setAlignment(Qt::AlignCenter);
    titleLabel_->setTextFormat(Qt::PlainText);
    FitTitleBar();
    return titleBar_;
}

void HexView::FitTitleBar() {
    if (onOffLabel_ == nullptr) return;  // a font change while the bar is being built
    // The switch keeps one width for both of its states, so nothing moves when it is pressed.
    constexpr int kTextMargin = 2;
    const int room = 2 * (onOffLabel_->frameWidth() + kTextMargin);
    const int height = FitHeight(kTitleBarHeight, *onOffLabel_, room);
    titleBar_->setFixedHeight(height);
    onOffLabel_->setFixedSize(
        FitWidth(kOnOffWidth, *onOffLabel_, {u"Binary View ON", u"Binary View OFF"}, room), height);
    hideShowButton_->setFixedSize(ButtonWidth(kHideShowWidth, *hideShowButton_, {u"HIDE", u"SHOW"}),
                                  height);
    PlaceTitleCaption();
}

void HexView::PlaceTitleCaption() {
    const QFontMetrics metrics = titleLabel_->fontMetrics();
    const CaptionPlace place =
        PlaceCaption(width(), onOffLabel_->width() + hideShowButton_->width(),
                     metrics.horizontalAdvance(caption_));
    titleLabel_->setGeometry(place.left, 0, place.width, titleBar_->height());
    // A path too long for the bar loses its middle, never its file name; the hint has it all.
    titleLabel_->setText(place.cut ? metrics.elidedText(caption_, Qt::ElideMiddle, place.width)
                                   : caption_);
    titleLabel_->setToolTip(place.cut ? caption_ : QString());
}

void HexView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceTitleCaption();
}

void HexView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The window's font reaches the bar only once the view is placed in the window.
    if (event->type() == QEvent::FontChange) FitTitleBar();
}

bool HexView::SetViewedFile(const std::string& path, std::string* error) {
    state_.ViewedPath = path;
    cache_.ForgetFailure();
    if (path.empty()) {
        state_.ViewedSize = 0;
        return true;
    }
    const int fd = ctx_.fs->OpenForReading(path);
    std::int64_t size = fd;
    if (fd >= 0) {
        size = ctx_.fs->SizeOf(fd);
        (void)ctx_.fs->Close(fd);
    }
    if (size < 0) {
        if (error != nullptr) *error = platform::ErrorText(static_cast<int>(-size));
        cache_.NoteFailureReported(path);
        // Neither the previous file's name nor its size may stand over a file that failed.
        Clear();
        return false;
    }
    state_.ViewedSize = size;
    return true;
}

void HexView::Refresh() {
    grid_->SetOffsetDigits(OffsetDigits(state_.ViewedSize));
    grid_->SetRowCount(HexRowCount(state_.ViewedSize));
    RepaintView();
    caption_ = QFile::decodeName(QByteArray::fromStdString(state_.ViewedPath));
    PlaceTitleCaption();
}

void HexView::Clear() {
    state_.ViewedPath.clear();
    state_.ViewedSize = 0;
    Refresh();
}

void HexView::RepaintView() {
    grid_->viewport()->update();
}

void HexView::SetGridShown(bool shown) {
    grid_->setVisible(shown);
    onOffLabel_->setText(shown ? QStringLiteral("Binary View ON")
                               : QStringLiteral("Binary View OFF"));
    hideShowButton_->setText(shown ? QStringLiteral("HIDE") : QStringLiteral("SHOW"));
}

bool HexView::gridShown() const {
    return !grid_->isHidden();
}

int HexView::ToggleShown(int lowerPanelHeight, int windowHeight) {
    const bool hiding = gridShown();
    const ViewHeights heights =
        hiding ? HideHeights(lowerPanelHeight) : ShowHeights(state_.HexViewHeight, windowHeight);
    state_.HexViewHeight = heights.hexViewHeight;
    SetGridShown(!hiding);
    return heights.lowerPanelHeight;
}

CellLook HexView::Cell(int column, std::int64_t row) {
    return HexCellLook(column, row, state_.ViewedSize, [this](std::int64_t offset) {
        return cache_.ReadCachedByte(state_.ViewedPath, offset);
    });
}

void HexView::ReportLater(const std::string& path, const std::string& error) {
    // The cache meets failures while painting; a report that repaints or opens a box must
    // wait until that paint is over.
    QMetaObject::invokeMethod(
        this,
        [this, path, error] {
            if (report_) report_(path, error);
            if (path == state_.ViewedPath) Clear();
        },
        Qt::QueuedConnection);
}

QString HexView::titleCaption() const {
    return caption_;
}

QString HexView::onOffCaption() const {
    return onOffLabel_->text();
}

QString HexView::hideShowCaption() const {
    return hideShowButton_->text();
}

}  // namespace vellum::ui
