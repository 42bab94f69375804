#include "ui/grid_model.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QPalette>

#include "filelist/list_context.h"
#include "filelist/value_text.h"
#include "ui/legible_colour.h"

namespace vellum::ui {

namespace {

struct StatusLook {
    const char* text;
    QRgb colour;
};

StatusLook StatusCell(EntryStatus status) {
    switch (status) {
        case EntryStatus::WAITING:
            return {"WAITING", kGreyText};
        case EntryStatus::CALCING:
            return {"CALCING", kGreyText};
        case EntryStatus::OKAY:
            return {"OKAY", kGreenText};
        case EntryStatus::FLAGGED:
            return {"FLAGGED", kGreenText};
        // The same green as OKAY: the row was looked at, its file was simply not there.
        case EntryStatus::INVALID:
            return {"INVALID", kGreenText};
        case EntryStatus::DELETED:
            return {"DELETED", kRedText};
        case EntryStatus::MARKER:
            return {"MARKER", kBlackText};
        default:
            return {"", kBlackText};
    }
}

QRgb BandBackground(EntryBand band) {
    switch (band) {
        case EntryBand::NEW:
            return kNewBackground;
        case EntryBand::IMPORTED:
            return kImportedBackground;
        case EntryBand::CHANGED:
            return kChangedBackground;
        case EntryBand::UNCHANGED:
            return kNewBackground;
        default:
            return kOldBackground;
    }
}

QString Decoded(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
}

std::string SystemGroupSeparator() {
    return QLocale::system().groupSeparator().toStdString();
}

// The row's bit of FileEntry::held for a value column, or 0.
std::uint8_t HeldBit(int column) {
    switch (column) {
        case kColumnSize:
            return kHeldSize;
        case kColumnCrc16:
            return kHeldCrc16;
        case kColumnCrc32:
            return kHeldCrc32;
        case kColumnXsum:
            return kHeldXsum;
        case kColumnMd5:
            return kHeldMd5;
        default:
            return 0;
    }
}

}  // namespace

std::string GridCellText(const FileEntry& e, int column, const std::string& separator) {
    const std::optional<DigestKind> digest = DigestOfColumn(column);
    const bool value = (column >= kColumnCrc16 && column <= kColumnMd5) || digest.has_value();
    const bool hidden = !ValuesShown(e.status) && value;
    // A row read from another tool's list shows only the value the list gave.
    if (hidden || (e.held & HeldBit(column)) != HeldBit(column)) return {};
    if (digest) return e.digests.holds(*digest) ? LowerHex(e.digests.get(*digest).view()) : "";
    switch (column) {
        case kColumnFilename:
            return std::string(e.path.view());
        case kColumnSize:
            return e.size == -1 ? std::string() : FormatThousands(e.size, separator);
        case kColumnCrc16:
            return Crc16Text(e.crc16);
        case kColumnCrc32:
            return Crc32Text(e.crc32);
        case kColumnXsum:
            return XsumText(e.xsum);
        case kColumnMd5:
            return DigestToHex(e.md5);
        case kColumnStatus:
            return StatusCell(e.status).text;
        default:
            return {};
    }
}

QRgb GridTextColour(const FileEntry& e, int column) {
    return column == kColumnStatus ? StatusCell(e.status).colour : kBlackText;
}

QRgb GridBackground(const FileEntry& e, std::int32_t row, std::int32_t selectedRow) {
    if (row == selectedRow) return kSelectedBackground;
    if (e.status == EntryStatus::FLAGGED) return kFlaggedBackground;
    if (e.status == EntryStatus::MARKER) return kMarkerBackground;
    return BandBackground(e.band);
}

int MappedColumnsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_.count();
}

void MappedColumnsModel::ShowDigests(DigestMask shown) {
    ForEachKind(columns_.shown() & ~shown, [&](DigestKind kind) {
        const int view = columns_.ViewColumn(ColumnOfDigest(kind));
        beginRemoveColumns({}, view, view);
        columns_ = ColumnMap(columns_.shown() & ~MaskOf(kind));
        endRemoveColumns();
    });
    ForEachKind(shown & ~columns_.shown(), [&](DigestKind kind) {
        const ColumnMap next(columns_.shown() | MaskOf(kind));
        const int view = next.ViewColumn(ColumnOfDigest(kind));
        beginInsertColumns({}, view, view);
        columns_ = next;
        endInsertColumns();
    });
}

FileGridModel::FileGridModel(const ListContext& ctx, QObject* parent)
    : MappedColumnsModel(parent), ctx_(ctx), separator_(SystemGroupSeparator()) {}

int FileGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant FileGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_) return {};
    const int row = index.row();
    const int column = columns().CoreColumn(index.column());
    if (row == 0) {
        // The reserved header row: painted only until start-up gives it zero height.
        if (role == Qt::DisplayRole)
            return QString::fromStdString(HeaderCaption(BaseCaption(column), column, ctx_.sort));
        const QColor face = QApplication::palette().color(QPalette::Button);
        if (role == Qt::BackgroundRole) return face;
        if (role == Qt::ForegroundRole) return Legible(QColor(kBlackText), face);
        return {};
    }
    const FileEntry& e = ctx_.table[row];
    switch (role) {
        case Qt::DisplayRole:
            return Decoded(GridCellText(e, column, separator_));
        case Qt::BackgroundRole:
            return QColor(GridBackground(e, row, ctx_.state.SelectedRow));
        case Qt::ForegroundRole:
            return QColor(GridTextColour(e, column));
        default:
            return {};
    }
}

void FileGridModel::SetGridRowCount(std::int32_t rows) {
    const int wanted = std::max(rows, 1);
    if (wanted > rows_) {
        beginInsertRows(QModelIndex(), rows_, wanted - 1);
        rows_ = wanted;
        endInsertRows();
    } else if (wanted < rows_) {
        beginRemoveRows(QModelIndex(), wanted, rows_ - 1);
        rows_ = wanted;
        endRemoveRows();
    }
}

void FileGridModel::ValuesChanged() {
    emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
}

void FileGridModel::RowChanged(std::int32_t row) {
    if (row >= 0 && row < rows_) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void FileGridModel::RowsAboutToMove() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileGridModel::RowsMoved() {
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

HeaderStripModel::HeaderStripModel(const ListContext& ctx, QObject* parent)
    : MappedColumnsModel(parent), ctx_(ctx) {}

int HeaderStripModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant HeaderStripModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int column = columns().CoreColumn(index.column());
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(HeaderCaption(BaseCaption(column), column, ctx_.sort));
        case Qt::BackgroundRole:
            return QApplication::palette().color(QPalette::Button);
        case Qt::ForegroundRole:
            // A palette may pair its window text with the window, not with the button face.
            return Legible(QApplication::palette().color(QPalette::WindowText),
                           QApplication::palette().color(QPalette::Button));
        default:
            return {};
    }
}

void HeaderStripModel::CaptionsChanged() {
    emit dataChanged(index(0, 0), index(0, columnCount() - 1));
}

}  // namespace vellum::ui
