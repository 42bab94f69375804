#include "ui/values_dialog.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "checksum/md5.h"
#include "filelist/value_text.h"
#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

struct BoxPlace {
    const char* caption;
    int width;
    int top;
};

constexpr std::array<BoxPlace, 6> kBoxes{{
    {"Filename", 609, 8},
    {"size", 73, 32},
    {"crc16", 41, 56},
    {"crc32", 65, 80},
    {"chksum", 41, 104},
    {"md5", 225, 128},
}};

constexpr int kBoxLeft = 64;
constexpr int kBoxHeight = 21;

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
    setFixedSize(683, 167);
    for (std::size_t i = 0; i < kBoxes.size(); ++i) {
        QLabel* label = PlaceLabel(this, "", kBoxes[i].caption, 8, 0);
        label->move(8, kBoxes[i].top + (kBoxHeight - label->height()) / 2);
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QString("Edit%1").arg(i + 1));
        edits_[i]->setGeometry(kBoxLeft, kBoxes[i].top, kBoxes[i].width, kBoxHeight);
        if (i > 0) setTabOrder(edits_[i - 1], edits_[i]);
    }
    CentreOnScreen(*this);
}

void TForm4::ShowEntry(const vellum::FileEntry& entry) {
    const std::string_view path = entry.path.view();
    edits_[0]->setText(QFile::decodeName(QByteArray(path.data(), qsizetype(path.size()))));
    edits_[1]->setText(QString::number(entry.size));
    edits_[2]->setText(Latin(Crc16Text(entry.crc16)));
    edits_[3]->setText(Latin(Crc32Text(entry.crc32)));
    edits_[4]->setText(Latin(XsumText(entry.xsum)));
    edits_[5]->setText(Latin(DigestToHex(entry.md5)));
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
