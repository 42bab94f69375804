#include "ui/add_progress.h"

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

TForm5::TForm5(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle("Add file progress");
    setModal(false);
    ApplyFormFont(*this);
    Label3 = PlaceLabel(this, "Label3", "Scanning Folders", kCaptionLeft, 16);
    Label4 = PlaceLabel(this, "Label4", "0", kDesignValueLeft, 16);
    Label1 = PlaceLabel(this, "Label1", "Adding files", kCaptionLeft, 40);
    Label2 = PlaceLabel(this, "Label2", "0", kDesignValueLeft, 40);
    Label5 = PlaceLabel(this, "Label5", "Skipped Files", kCaptionLeft, 64);
    Label6 = PlaceLabel(this, "Label6", "0", kDesignValueLeft, 64);
    FitToTexts();
    CentreOnScreen(*this);
}

// The values stand right of the widest caption and reach to the window's right edge, with room
// for counts of ten digits; the window is wide enough for that and for its title.
void TForm5::FitToTexts() {
    const QFontMetrics metrics = fontMetrics();
    const int valueLeft =
        DesignOr(kDesignValueLeft,
                 kCaptionLeft + kGap +
                     WidestText(metrics, {Label3->text(), Label1->text(), Label5->text()}));
    const int width =
        std::max({kDesignWidth, valueLeft + WidestRun(metrics, u"0123456789", 10) + kRightMargin,
                  TitleBarWidth(windowTitle())});
    setFixedSize(width, kDesignHeight);
    for (QLabel* value : {Label4, Label2, Label6})
        value->setGeometry(valueLeft, value->y(), width - valueLeft - kRightMargin,
                           value->height());
}

void TForm5::Show() {
    show();
    raise();
    WaitUntilExposed();
    repaint();
}

void TForm5::ResetAddedLabel() {
    Label2->setText("0");
}

void TForm5::Update(const AddCounters& counters) {
    Label4->setText(QString::number(counters.FolderCount));
    Label2->setText(QString::number(counters.AddedCount));
    Label6->setText(QString::number(counters.SkippedCount));
    // Painted now: no event loop runs until the add is over.
    repaint();
}

void TForm5::Hide() {
    hide();
}

QString TForm5::FolderText() const {
    return Label4->text();
}
QString TForm5::AddedText() const {
    return Label2->text();
}
QString TForm5::SkippedText() const {
    return Label6->text();
}

// Qt paints a window only once the window system has reported it on screen, and that report
// comes as an event. Only that wait lets events through, and never the user's input, so no
// command can start in the middle of an add.
void TForm5::WaitUntilExposed() {
    const QDeadlineTimer deadline(kExposeWaitMs);
    QTimer wake;  // ends the last wait on time even when no event comes
    wake.setSingleShot(true);
    wake.start(kExposeWaitMs);
    while (!(windowHandle() && windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
}

}  // namespace vellum::ui
