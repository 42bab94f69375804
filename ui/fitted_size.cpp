#include "ui/fitted_size.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

namespace vellum::ui {
namespace {

// A close button and the margins of a title bar, with a little to spare for an icon or a
// second button: what window managers commonly draw beside the title.
constexpr int kTitleBarButtons = 80;

}  // namespace

int FollowDesktopFont(int designPixels) {
    constexpr int kDefaultDesktopPixels = 12;
    const int desktop = QFontInfo(QGuiApplication::font()).pixelSize();
    if (desktop <= 0) return designPixels;
    return std::max(1,
                    (designPixels * desktop + kDefaultDesktopPixels / 2) / kDefaultDesktopPixels);
}

int FitHeight(int design, const QWidget& widget, int room) {
    return DesignOr(design, widget.fontMetrics().height() + room);
}

int WidestText(const QFontMetrics& metrics, std::initializer_list<QStringView> texts) {
    int widest = 0;
    for (QStringView text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text.toString()));
    return widest;
}

int WidestRun(const QFontMetrics& metrics, QStringView glyphs, int count) {
    int widest = 0;
    for (QChar c : glyphs) widest = std::max(widest, metrics.horizontalAdvance(c));
    return widest * count;
}

int FitWidth(int design, const QWidget& widget, std::initializer_list<QStringView> texts,
             int room) {
    return DesignOr(design, WidestText(widget.fontMetrics(), texts) + room);
}

int ButtonWidth(int design, const QPushButton& button,
                std::initializer_list<QStringView> captions) {
    // What the style puts around a button's label: its margin and its frame on both sides.
    // The style's own size hint would also add a minimum width that has nothing to do with text.
    const QStyle* style = button.style();
    const int around = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button) +
                       2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
    return FitWidth(design, button, captions, around);
}

int LineEditWidth(int design, const QLineEdit& edit, int textWidth) {
    // As QLineEdit measures itself: the text, its 2-pixel side margins and the cursor, then
    // whatever frame the style draws around that.
    constexpr int kTextMargins = 2 * 2 + 1;
    QStyleOptionFrame option;
    option.initFrom(&edit);
    option.lineWidth = edit.hasFrame()
                           ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit)
                           : 0;
    const QMargins margins = edit.textMargins();
    const QSize inner(textWidth + kTextMargins + margins.left() + margins.right(), edit.height());
    return DesignOr(
        design, edit.style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, &edit).width());
}

int ComboBoxWidth(int design, const QComboBox& box, int textWidth) {
    // The line edit inside keeps the same margins as a line edit of its own.
    constexpr int kTextMargins = 2 * 2 + 1;
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = box.isEditable();
    option.frame = box.hasFrame();
    const QSize inner(textWidth + kTextMargins, box.height());
    return DesignOr(
        design, box.style()->sizeFromContents(QStyle::CT_ComboBox, &option, inner, &box).width());
}

int TitleBarWidth(const QString& title) {
    QFont font = QGuiApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kTitleBarButtons;
}

}  // namespace vellum::ui
