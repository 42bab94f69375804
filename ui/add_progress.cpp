#include "ui/add_progress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QTimer>
#include <QWindow>

#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

// How long Show waits for the window system to put the window on screen. The add that follows
// holds every event back, so a window not on screen by then would stay blank until the end.
constexpr int kExposeWaitMs = 250;

// Reaches to the window's right edge, so that counts of ten digits still fit.
QLabel* PlaceValueLabel(QWidget* parent, const char* name, int y) {
    QLabel* label = PlaceLabel(parent, name, "0", 96, y);
    label->resize(parent->width() - 96 - 8, label->height());
    return label;
}

QLabel* PlaceCaption(QWidget* parent, const char* name, const QString& text, int y) {
    QLabel* label = PlaceLabel(parent, name, text, 8, y);
    FitLabel(*label, 96 - 8 - 4);
    return label;
}

}  // namespace

TForm5::TForm5(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle("Add file progress");
    setModal(false);
    ApplyFormFont(*this);
    setFixedSize(176, 91);
    Label3 = PlaceCaption(this, "Label3", "Scanning Folders", 16);
    Label4 = PlaceValueLabel(this, "Label4", 16);
    Label1 = PlaceCaption(this, "Label1", "Adding files", 40);
    Label2 = PlaceValueLabel(this, "Label2", 40);
    Label5 = PlaceCaption(this, "Label5", "Skipped Files", 64);
    Label6 = PlaceValueLabel(this, "Label6", 64);
    CentreOnScreen(*this);
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
