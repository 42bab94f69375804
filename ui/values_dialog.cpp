#include "ui/values_dialog.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "checksum/md5.h"
#include "filelist/value_text.h"
#include "ui/fitted_size.h"
#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

struct BoxPlace {
    const char* caption;
    int width;
    int top;
    // The widest text the box must show whole: count characters out of glyphs. The path box
    // keeps its designed width whatever the path; it scrolls.
    QStringView glyphs;
    int count;
};

constexpr std::array<BoxPlace, 6> kBoxes{{
    {"Filename", 609, 8, u"", 0},
    {"size", 73, 32, u"0123456789", 12},  // hundreds of gigabytes, as the list's Size column
    {"crc16", 41, 56, u"0123456789ABCDEF", 4},
    {"crc32", 65, 80, u"0123456789ABCDEF", 8},
    {"chksum", 41, 104, u"0123456789ABCDEF", 4},
    {"md5", 225, 128, u"0123456789abcdef", 32},
}};

constexpr int kDesignWidth = 683;
constexpr int kDesignHeight = 167;
constexpr int kLabelLeft = 8;
constexpr int kDesignBoxLeft = 64;
constexpr int kBoxHeight = 21;
constexpr int kGap = 4;  // between the widest caption and the boxes
constexpr int kRightMargin = 10;

QString Latin(const std::string& text) {
    return QString::fromLatin1(text);
}

}  // namespace

TForm4::TForm4(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle("Values for selected file");
    setModal(false);
    ApplyFormFont(*this);
    std::array<QLabel*, kBoxes.size()> labels{};
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        labels[i] = PlaceLabel(this, "", kBoxes[i].caption, kLabelLeft, 0);
        labels[i]->move(kLabelLeft, kBoxes[i].top + (kBoxHeight - labels[i]->height()) / 2);
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QString("Edit%1").arg(i + 1));
        if (i > 0) setTabOrder(edits_[i - 1], edits_[i]);
    }
    FitToTexts(labels);
    CentreOnScreen(*this);
}

// The boxes stand right of the widest caption, each wide enough for the longest value it can
// hold; the window takes them and its title.
void TForm4::FitToTexts(const std::array<QLabel*, 6>& labels) {
    int widestCaption = 0;
    for (const QLabel* label : labels) widestCaption = std::max(widestCaption, label->width());
    const int boxLeft = DesignOr(kDesignBoxLeft, kLabelLeft + widestCaption + kGap);
    int right = 0;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        const BoxPlace& box = kBoxes[i];
        const int text = WidestRun(edits_[i]->fontMetrics(), box.glyphs, box.count);
        edits_[i]->resize(box.width, kBoxHeight);  // the height the width is measured at
        edits_[i]->setGeometry(boxLeft, box.top, LineEditWidth(box.width, *edits_[i], text),
                               kBoxHeight);
        right = std::max(right, edits_[i]->geometry().right() + 1);
    }
    setFixedSize(std::max({kDesignWidth, right + kRightMargin, TitleBarWidth(windowTitle())}),
                 kDesignHeight);
}

void TForm4::ShowEntry(const vellum::FileEntry& entry) {
    const std::string_view path = entry.path.view();
    edits_[0]->setText(QFile::decodeName(QByteArray(path.data(), qsizetype(path.size()))));
    // A row read from another tool's list holds only the value that list gave: the others
    // stay empty, as in the list, rather than show zeros that read as values.
    const auto held = [&entry](std::uint8_t bit, const QString& text) {
        return (entry.held & bit) != 0 ? text : QString();
    };
    edits_[1]->setText(held(kHeldSize, QString::number(entry.size)));
    edits_[2]->setText(held(kHeldCrc16, Latin(Crc16Text(entry.crc16))));
    edits_[3]->setText(held(kHeldCrc32, Latin(Crc32Text(entry.crc32))));
    edits_[4]->setText(held(kHeldXsum, Latin(XsumText(entry.xsum))));
    edits_[5]->setText(held(kHeldMd5, Latin(DigestToHex(entry.md5))));
    // A long path shows from its start, as a freshly filled box would.
    for (QLineEdit* edit : edits_) edit->setCursorPosition(0);
    show();
    raise();
    activateWindow();
}

QString TForm4::EditText(int n) const {
    if (n < 1 || n > static_cast<int>(edits_.size())) return {};
    return edits_[static_cast<std::size_t>(n - 1)]->text();
}

}  // namespace vellum::ui
