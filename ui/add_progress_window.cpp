#include "ui/add_progress_window.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "ui/fitted_size.h"
#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

// How long Show waits for the window system to put the window on screen. The add that follows
// holds every event back, so a window not on screen by then would stay blank until the end.
constexpr int kExposeWaitMs = 250;

constexpr int kDesignWidth = 176;
constexpr int kDesignHeight = 91;
constexpr int kCaptionLeft = 8;
constexpr int kDesignValueLeft = 96;
constexpr int kGap = 4;  // between a caption and its value
constexpr int kRightMargin = 8;

}  // namespace

AddProgressWindow::AddProgressWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle("Add file progress");
    setModal(false);
    ApplyFormFont(*this);
    folderCaption_ = PlaceLabel(this, "folderCaption", "Scanning Folders", kCaptionLeft, 16);
    folderCount_ = PlaceLabel(this, "folderCount", "0", kDesignValueLeft, 16);
    addedCaption_ = PlaceLabel(this, "addedCaption", "Adding files", kCaptionLeft, 40);
    addedCount_ = PlaceLabel(this, "addedCount", "0", kDesignValueLeft, 40);
    skippedCaption_ = PlaceLabel(this, "skippedCaption", "Skipped Files", kCaptionLeft, 64);
    skippedCount_ = PlaceLabel(this, "skippedCount", "0", kDesignValueLeft, 64);
    FitToTexts();
    CentreOnScreen(*this);
}

// The values stand right of the widest caption and reach to the window's right edge, with room
// for counts of ten digits; the window is wide enough for that and for its title.
void AddProgressWindow::FitToTexts() {
    const QFontMetrics metrics = fontMetrics();
    const int valueLeft = DesignOr(
        kDesignValueLeft, kCaptionLeft + kGap +
                              WidestText(metrics, {folderCaption_->text(), addedCaption_->text(),
                                                   skippedCaption_->text()}));
    const int width =
        std::max({kDesignWidth, valueLeft + WidestRun(metrics, u"0123456789", 10) + kRightMargin,
                  TitleBarWidth(windowTitle())});
    setFixedSize(width, kDesignHeight);
    for (QLabel* value : {folderCount_, addedCount_, skippedCount_})
        value->setGeometry(valueLeft, value->y(), width - valueLeft - kRightMargin,
                           value->height());
}

void AddProgressWindow::Show() {
    show();
    raise();
    WaitUntilExposed();
    repaint();
}

void AddProgressWindow::ResetAddedLabel() {
    addedCount_->setText("0");
}

void AddProgressWindow::Update(const AddCounters& counters) {
    folderCount_->setText(QString::number(counters.FolderCount));
    addedCount_->setText(QString::number(counters.AddedCount));
    skippedCount_->setText(QString::number(counters.SkippedCount));
    // Painted now: no event loop runs until the add is over.
    repaint();
}

void AddProgressWindow::Hide() {
    hide();
}

QString AddProgressWindow::FolderText() const {
    return folderCount_->text();
}
QString AddProgressWindow::AddedText() const {
    return addedCount_->text();
}
QString AddProgressWindow::SkippedText() const {
    return skippedCount_->text();
}

// Qt paints a window only once the window system has reported it on screen, and that report
// comes as an event. Only that wait lets events through, and never the user's input, so no
// command can start in the middle of an add.
void AddProgressWindow::WaitUntilExposed() {
    const QDeadlineTimer deadline(kExposeWaitMs);
    QTimer wake;  // ends the last wait on time even when no event comes
    wake.setSingleShot(true);
    wake.start(kExposeWaitMs);
    while (!(windowHandle() && windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
}

}  // namespace vellum::ui
