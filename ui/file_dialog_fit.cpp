#include "ui/file_dialog_fit.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

#include "ui/screen_fit.h"

namespace vellum::ui {
namespace {

// Set on a dialog opened at the size the user last gave one: that size is left as it is.
constexpr const char* kKeptSizeProperty = "vellumKeptSize";

// The detail view's columns after the name: size, type and date.
constexpr int kFileColumns = 4;
// What the name column keeps in view, in characters of the dialog's font.
constexpr int kNameCharacters = 32;
// A type as the MIME database words it, of a usual length ("Compressed Tar archive").
constexpr int kTypeCharacters = 24;
// The dialog's height in lines of its font: a folder's worth of names under its other fields.
constexpr int kDialogLines = 32;
// Room beside the places' longest name, for a scroll bar's edge.
constexpr int kPlacesMargin = 8;

int TextRoom(const QWidget& view) {
    // As the style lays out an item's text: a margin each side, then the header's sort mark.
    const QStyle* style = view.style();
    return 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1) +
           style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, &view) +
           2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &view);
}

// The widths the columns need in the view's font: a name of usual length, the widest size, a
// type of usual length and the date of the widest day and time.
int ColumnsWidth(const QTreeView& tree) {
    const QFontMetrics metrics = tree.fontMetrics();
    const QLocale locale;
    const int sizes = metrics.horizontalAdvance(locale.formattedDataSize(1023LL << 30));
    const QDateTime widest(QDate(2026, 12, 28), QTime(23, 58, 58));
    const int dates = metrics.horizontalAdvance(locale.toString(widest, QLocale::ShortFormat));
    const int characters = metrics.averageCharWidth() * (kNameCharacters + kTypeCharacters);
    const int bar = tree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree);
    return characters + sizes + dates + kFileColumns * TextRoom(tree) + bar;
}

// The size, type and date columns as wide as what the folder shown holds, once each folder is
// read, and the name column whatever the view leaves them, at any size of the dialog.
void FitColumnsToEachFolder(QTreeView& tree) {
    auto* model = qobject_cast<QFileSystemModel*>(tree.model());
    if (model == nullptr) return;
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionResizeMode(0, QHeaderView::Stretch);
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &tree, [&tree] {
        for (int column = 1; column < kFileColumns; ++column) tree.resizeColumnToContents(column);
    });
}

// Once the dialog is shown and laid out (not before: only then is the view's width known), it
// is made wide enough for the places on the left ("Computer", the home folder) and all four
// columns beside them, and tall enough for a folder's worth of names, as far as the screen's
// area allows.
class WidenWhenShown final : public QObject {
  public:
    WidenWhenShown(QFileDialog& dialog, QTreeView& tree)
        : QObject(&dialog), dialog_(dialog), tree_(tree) {
        dialog.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &dialog_ || event->type() != QEvent::Show) return false;
        dialog_.removeEventFilter(this);
        if (!dialog_.property(kKeptSizeProperty).toBool()) Widen();
        return false;
    }

  private:
    void Widen() {
        const int places = Places() ? std::max(0, PlacesWidth() - Places()->width()) : 0;
        const int columns = std::max(0, ColumnsWidth(tree_) - tree_.viewport()->width());
        const int tall = kDialogLines * tree_.fontMetrics().lineSpacing();
        const QSize wanted(dialog_.width() + places + columns, std::max(dialog_.height(), tall));
        const QSize size =
            SizeInside(wanted, dialog_.minimumSizeHint(), AvailableArea(dialog_), FrameOf(dialog_));
        if (size != dialog_.size()) {
            // Grown about its middle, as it was placed.
            const QPoint middle = dialog_.geometry().center();
            dialog_.resize(size);
            const QRect area = AvailableArea(dialog_);
            QRect frame = dialog_.frameGeometry();
            frame.moveCenter(middle);
            dialog_.move(MovedInside(frame, area.isEmpty() ? frame : area).topLeft());
        }
        if (places > 0) GivePlacesTheirWidth();
    }

    // The list of places left of the files, and the width its longest name needs (0 without
    // one).
    [[nodiscard]] QAbstractItemView* Places() const {
        return dialog_.findChild<QAbstractItemView*>("sidebar");
    }
    [[nodiscard]] int PlacesWidth() const {
        const QAbstractItemView* places = Places();
        if (places == nullptr) return 0;
        return places->sizeHintForColumn(0) + 2 * places->frameWidth() + kPlacesMargin;
    }

    void GivePlacesTheirWidth() {
        auto* splitter = dialog_.findChild<QSplitter*>("splitter");
        if (splitter == nullptr || splitter->count() != 2) return;
        const QList<int> sizes = splitter->sizes();
        const int width = PlacesWidth();
        splitter->setSizes({width, sizes[0] + sizes[1] - width});
    }

    QFileDialog& dialog_;
    QTreeView& tree_;
};

}  // namespace

void FitToRead(QFileDialog& dialog) {
    auto* tree = dialog.findChild<QTreeView*>("treeView");
    if (tree == nullptr) return;
    FitColumnsToEachFolder(*tree);
    new WidenWhenShown(dialog, *tree);
}

void OpenAtKeptSize(QFileDialog& dialog, QSize size) {
    const QWidget& over = dialog.parentWidget() ? *dialog.parentWidget() : dialog;
    dialog.resize(SizeInside(size, dialog.minimumSizeHint(), AvailableArea(over), FrameOf(dialog)));
    dialog.setProperty(kKeptSizeProperty, true);
}

}  // namespace vellum::ui
