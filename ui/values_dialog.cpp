#include "ui/values_dialog.h"

#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <span>

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
constexpr int kBoxPitch = 24;  // from one box's top to the next one's
constexpr int kGap = 4;        // between the widest caption and the boxes
constexpr int kRightMargin = 10;

QString Latin(const std::string& text) {
    return QString::fromLatin1(text);
}

}  // namespace

ValuesDialog::ValuesDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setWindowTitle("Values for selected file");
    setModal(false);
    ApplyFormFont(*this);
    QLineEdit* previous = nullptr;
    const auto make = [&](const QString& caption, const QString& name) {
        Box box{PlaceLabel(this, "", caption, kLabelLeft, 0), new QLineEdit(this)};
        box.edit->setObjectName(name);
        if (previous != nullptr) setTabOrder(previous, box.edit);
        previous = box.edit;
        return box;
    };
    for (std::size_t i = 0; i < kBoxes.size(); ++i)
        boxes_[i] =
            make(kBoxes[i].caption, QString::fromLatin1(kBoxes[i].caption).toLower() + "Box");
    for (const DigestInfo& info : AllDigestInfo()) {
        const QString caption = QString::fromLatin1(info.caption);
        digestBoxes_[static_cast<std::size_t>(info.kind)] = make(caption, caption + "Box");
    }
    FitToTexts();
    CentreOnScreen(*this);
}

namespace {

// A box's place: its caption centred beside it, the box at left, top, as wide as its longest
// text needs.
int PlaceBox(QLabel& label, QLineEdit& edit, int left, int top, int design, int text) {
    label.move(kLabelLeft, top + (kBoxHeight - label.height()) / 2);
    edit.resize(design, kBoxHeight);  // the height the width is measured at
    edit.setGeometry(left, top, LineEditWidth(design, edit, text), kBoxHeight);
    return edit.geometry().right() + 1;
}

}  // namespace

// The boxes stand right of the widest caption, each wide enough for the longest value it can
// hold; the digests shown follow md5 in column order, and the window takes them all and its
// title.
void ValuesDialog::FitToTexts() {
    // Every caption counts, shown or not, so that the boxes stay put as digests come and go.
    int widestCaption = 0;
    for (const auto& group : {std::span<const Box>(boxes_), std::span<const Box>(digestBoxes_)})
        for (const Box& box : group) widestCaption = std::max(widestCaption, box.label->width());
    const int boxLeft = DesignOr(kDesignBoxLeft, kLabelLeft + widestCaption + kGap);
    int right = 0;
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        const BoxPlace& place = kBoxes[i];
        const QFontMetrics metrics = boxes_[i].edit->fontMetrics();
        right =
            std::max(right, PlaceBox(*boxes_[i].label, *boxes_[i].edit, boxLeft, place.top,
                                     place.width, WidestRun(metrics, place.glyphs, place.count)));
    }
    // md5's box is designed for its 32 digits; a digest's is as wide for each of its own.
    const BoxPlace& md5 = kBoxes.back();
    int top = md5.top;
    for (const DigestInfo& info : AllDigestInfo()) {
        const Box& box = digestBoxes_[static_cast<std::size_t>(info.kind)];
        const bool shown = (shown_ & MaskOf(info.kind)) != 0;
        box.label->setVisible(shown);
        box.edit->setVisible(shown);
        if (!shown) continue;
        top += kBoxPitch;
        const int digits = static_cast<int>(2 * info.bytes);
        right = std::max(
            right, PlaceBox(*box.label, *box.edit, boxLeft, top, md5.width * digits / md5.count,
                            WidestRun(box.edit->fontMetrics(), md5.glyphs, digits)));
    }
    setFixedSize(std::max({kDesignWidth, right + kRightMargin, TitleBarWidth(windowTitle())}),
                 kDesignHeight + top - md5.top);
}

void ValuesDialog::ShowEntry(const vellum::FileEntry& entry, DigestMask shown) {
    if (shown != shown_) {
        shown_ = shown;
        FitToTexts();
    }
    const auto edit = [this](std::size_t n) { return boxes_[n].edit; };
    const std::string_view path = entry.path.view();
    edit(0)->setText(QFile::decodeName(QByteArray(path.data(), qsizetype(path.size()))));
    // A row read from another tool's list holds only the value that list gave: the others
    // stay empty, as in the list, rather than show zeros that read as values.
    const auto held = [&entry](std::uint8_t bit, const QString& text) {
        return (entry.held & bit) != 0 ? text : QString();
    };
    edit(1)->setText(held(kHeldSize, QString::number(entry.size)));
    edit(2)->setText(held(kHeldCrc16, Latin(Crc16Text(entry.crc16))));
    edit(3)->setText(held(kHeldCrc32, Latin(Crc32Text(entry.crc32))));
    edit(4)->setText(held(kHeldXsum, Latin(XsumText(entry.xsum))));
    edit(5)->setText(held(kHeldMd5, Latin(DigestToHex(entry.md5))));
    for (const DigestInfo& info : AllDigestInfo()) {
        const bool holds = entry.digests.holds(info.kind);
        digestBoxes_[static_cast<std::size_t>(info.kind)].edit->setText(
            holds ? Latin(LowerHex(entry.digests.get(info.kind).view())) : QString());
    }
    // A long path shows from its start, as a freshly filled box would.
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->setCursorPosition(0);
    show();
    raise();
    activateWindow();
}

QString ValuesDialog::BoxText(int n) const {
    if (n < 1 || n > static_cast<int>(boxes_.size())) return {};
    return boxes_[static_cast<std::size_t>(n - 1)].edit->text();
}

const QLineEdit& ValuesDialog::DigestBox(DigestKind kind) const {
    return *digestBoxes_[static_cast<std::size_t>(kind)].edit;
}

}  // namespace vellum::ui
