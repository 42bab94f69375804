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

AboutBox::AboutBox(PageOpener openPage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), openPage_(std::move(openPage)) {
    setObjectName("AboutBox");
    setModal(true);
    ApplyFormFont(*this);
    setFixedSize(kAboutWidth, kAboutHeight);
    PlacePictures();
    text_ = new QTextEdit(this);
    text_->setObjectName("text");
    text_->setGeometry(kTextPlace);
    text_->setReadOnly(true);
    text_->setEnabled(false);
    text_->setFrameStyle(QFrame::NoFrame);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text_->setLineWrapMode(QTextEdit::NoWrap);
    text_->viewport()->setAutoFillBackground(false);  // the background picture shows through
    okButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(144, 72, 49, 25);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    SetUp();
    CentreOnScreen(*this);
}

void AboutBox::PlacePictures() {
    background_ = new QLabel(this);
    background_->setObjectName("background");
    SetPicture(*background_, kAboutBackground);
    background_->setScaledContents(true);
    background_->setGeometry(0, 0, kAboutWidth, kAboutHeight);
    PictureLabel(this, "titlePicture", kAboutTitle, {8, 8});
    PictureLabel(this, "sealPicture", kAboutSeal, {160, 16});
    linkPicture_ = PictureLabel(this, "linkPicture", kAboutLink, {16, 112});
    linkPicture_->resize(166, 27);
    linkPicture_->setCursor(Qt::PointingHandCursor);
    linkPicture_->installEventFilter(this);
}

void AboutBox::SetUp() {
    text_->clear();
    text_->append(QString::fromStdString(ProgramTitle()));
    // The maker, as the holders of the copyright, and the licence they give it under.
    text_->append(QStringLiteral("\u00a9 2026 Vellum developers, MIT"));
    text_->append(QStringLiteral("See readme.txt for details"));
    text_->selectAll();
    text_->setAlignment(Qt::AlignCenter);
    text_->moveCursor(QTextCursor::Start);
    FitText();
}

// The box is as small as it was drawn for a narrow font: the lines get the room they need by
// drawing the letters closer and, if need be, smaller, rather than by being cut.
void AboutBox::FitText() {
    QPalette palette = text_->palette();
    // Disabled only so that it takes no focus and no selection; its words stay readable, also
    // where the desktop's text colour is light and the picture behind them is not.
    const QColor ground = AverageColour(Picture(kAboutBackground).copy(kTextPlace));
    const QColor text = Legible(palette.color(QPalette::Active, QPalette::Text), ground);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, text);
    text_->setPalette(palette);
    text_->document()->setDocumentMargin(0);
    const QStringList lines = text_->toPlainText().split('\n');
    QFont font = text_->font();
    std::optional<double> spacing = Squeeze(font, lines);
    while (!spacing && font.pixelSize() > kSmallestPixels) {
        font.setPixelSize(font.pixelSize() - 1);
        spacing = Squeeze(font, lines);
    }
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing.value_or(0));
    text_->setFont(font);
}

void AboutBox::OpenHomePage() {
    openPage_(net::HomePageUrl());
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == linkPicture_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            linkPicture_->rect().contains(mouse->position().toPoint())) {
            OpenHomePage();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vellum::ui
