#include "ui/about_box.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QUrl>
#include <algorithm>
#include <optional>

#include "net/web_host.h"
#include "program_identity.h"
#include "ui/legible_colour.h"
#include "ui/pictures.h"
#include "ui/qt_dialogs.h"

namespace vellum::ui {
namespace {

constexpr int kAboutWidth = 222;
constexpr int kAboutHeight = 157;
constexpr QRect kTextPlace(0, 64, 137, 41);
constexpr int kFrameRoom = 5;
constexpr int kSmallestPixels = 8;

QLabel* PictureLabel(QWidget* parent, const char* name, std::string_view file, QPoint at) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    SetPicture(*label, file);
    label->setGeometry(QRect(at, label->pixmap().deviceIndependentSize().toSize()));
    return label;
}

// The letter spacing (from 0 down to -1 pixel) at which every line fits the text's place in
// font, clear of the frame the background picture draws at the box's edge; none when the
// lines are too wide or too many for it.
std::optional<double> Squeeze(const QFont& font, const QStringList& lines) {
    const QFontMetrics metrics(font);
    if (lines.size() * metrics.lineSpacing() > kTextPlace.height()) return std::nullopt;
    double spacing = 0;
    for (const QString& line : lines) {
        const int over = metrics.horizontalAdvance(line) + 2 * kFrameRoom - kTextPlace.width();
        if (over > 0 && !line.isEmpty()) spacing = std::min(spacing, -double(over) / line.size());
    }
    if (spacing < -1.0) return std::nullopt;
    return spacing;
}

QColor AverageColour(const QImage& picture) {
    if (picture.isNull()) return QColor(Qt::white);
    return picture.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
}

}  // namespace

void OpenInBrowser(const std::string& url) {
    (void)QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

TAbout::TAbout(PageOpener openPage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), openPage_(std::move(openPage)) {
    setObjectName("TAbout");
    setModal(true);
    ApplyFormFont(*this);
    setFixedSize(kAboutWidth, kAboutHeight);
    PlacePictures();
    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName("RichEdit1");
    RichEdit1->setGeometry(kTextPlace);
    RichEdit1->setReadOnly(true);
    RichEdit1->setEnabled(false);
    RichEdit1->setFrameStyle(QFrame::NoFrame);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->viewport()->setAutoFillBackground(false);  // the background picture shows through
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(144, 72, 49, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
    CentreOnScreen(*this);
}

void TAbout::PlacePictures() {
    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    SetPicture(*Image2, kAboutBackground);
    Image2->setScaledContents(true);
    Image2->setGeometry(0, 0, kAboutWidth, kAboutHeight);
    Image3 = PictureLabel(this, "Image3", kAboutTitle, {8, 8});
    Image4 = PictureLabel(this, "Image4", kAboutSeal, {160, 16});
    Image1 = PictureLabel(this, "Image1", kAboutLink, {16, 112});
    Image1->resize(166, 27);
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->installEventFilter(this);
}

void TAbout::FormCreate() {
    RichEdit1->clear();
    RichEdit1->append(QString::fromStdString(ProgramTitle()));
    // The maker, as the holders of the copyright, and the licence they give it under.
    RichEdit1->append(QStringLiteral("\u00a9 2026 Vellum developers, MIT"));
    RichEdit1->append(QStringLiteral("See readme.txt for details"));
    RichEdit1->selectAll();
    RichEdit1->setAlignment(Qt::AlignCenter);
    RichEdit1->moveCursor(QTextCursor::Start);
    FitText();
}

// The box is as small as it was drawn for a narrow font: the lines get the room they need by
// drawing the letters closer and, if need be, smaller, rather than by being cut.
void TAbout::FitText() {
    QPalette palette = RichEdit1->palette();
    // Disabled only so that it takes no focus and no selection; its words stay readable, also
    // where the desktop's text colour is light and the picture behind them is not.
    const QColor ground = AverageColour(Picture(kAboutBackground).copy(kTextPlace));
    const QColor text = Legible(palette.color(QPalette::Active, QPalette::Text), ground);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, text);
    RichEdit1->setPalette(palette);
    RichEdit1->document()->setDocumentMargin(0);
    const QStringList lines = RichEdit1->toPlainText().split('\n');
    QFont font = RichEdit1->font();
    std::optional<double> spacing = Squeeze(font, lines);
    while (!spacing && font.pixelSize() > kSmallestPixels) {
        font.setPixelSize(font.pixelSize() - 1);
        spacing = Squeeze(font, lines);
    }
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing.value_or(0));
    RichEdit1->setFont(font);
}

void TAbout::Image1Click() {
    openPage_(net::HomePageUrl());
}

bool TAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            Image1->rect().contains(mouse->position().toPoint())) {
            Image1Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vellum::ui
