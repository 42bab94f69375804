// The models behind the two grids of the main window: FileGridModel shows the file table row for
// row (in the ListGrid), HeaderStripModel the captions with their sort marks (in the
// HeaderStrip). Both read the core's state at the moment a cell is painted and keep nothing of it;
// the window tells them what changed, and they tell their views with Qt's model signals. Their
// columns are those of a ColumnMap: the seven, and the further digests the list shows.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <cstdint>
#include <string>

#include "ui/column_map.h"

namespace vellum {
struct FileEntry;
struct ListContext;
}  // namespace vellum

namespace vellum::ui {

// The colours of the list grid.
inline constexpr QRgb kSelectedBackground = 0xA6CAF0;
inline constexpr QRgb kFlaggedBackground = 0xC0DCC0;
inline constexpr QRgb kMarkerBackground = 0xFFFF00;
inline constexpr QRgb kOldBackground = 0xFFFFFF;
inline constexpr QRgb kNewBackground = 0xFFFBF0;
inline constexpr QRgb kImportedBackground = 0xC0C0C0;
inline constexpr QRgb kChangedBackground = 0xFFDCDC;
inline constexpr QRgb kGreyText = 0x808080;
inline constexpr QRgb kGreenText = 0x008000;
inline constexpr QRgb kRedText = 0xFF0000;
inline constexpr QRgb kBlackText = 0x000000;

// The text of one file cell by the core's column number, with sizes grouped by the separator.
// A further digest shows as md5 does: in lower-case hexadecimal, hidden for the same statuses,
// empty when the row does not hold it.
[[nodiscard]] std::string GridCellText(const FileEntry& entry, int column,
                                       const std::string& separator);
// The text colour of one file cell, by the core's column number.
[[nodiscard]] QRgb GridTextColour(const FileEntry& entry, int column);
// The background of a file row: the selection first, then FLAGGED, MARKER, and the band.
[[nodiscard]] QRgb GridBackground(const FileEntry& entry, std::int32_t row,
                                  std::int32_t selectedRow);

// What both models share: their columns, which come and go one at a time, each announced on
// its own, so that a view keeps the widths of the others and its current cell.
class MappedColumnsModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] const ColumnMap& columns() const { return columns_; }
    // Shows a column for each digest of shown, and none for the others.
    void ShowDigests(DigestMask shown);

  private:
    ColumnMap columns_;
};

class FileGridModel final : public MappedColumnsModel {
    Q_OBJECT

  public:
    explicit FileGridModel(const ListContext& ctx, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    // The grid's row count, row 0 included, as the list refresh sets it. It follows the table
    // only when told: during an add the table grows first and the grid takes the new count at
    // the pass.
    void SetGridRowCount(std::int32_t rows);
    // Any value may have changed: one dataChanged over the whole grid, however many rows it
    // has, which a view answers with one repaint of what it shows.
    void ValuesChanged();
    // The look of one row changed (the selection moved to or from it); rows the grid does not
    // have are let be.
    void RowChanged(std::int32_t row);
    // The file rows change places (a sort). Indexes keep their row numbers; the window moves
    // the grid's current cell to where the selected file went.
    void RowsAboutToMove();
    void RowsMoved();

  private:
    const ListContext& ctx_;
    int rows_ = 1;
    std::string separator_;
};

class HeaderStripModel final : public MappedColumnsModel {
    Q_OBJECT

  public:
    explicit HeaderStripModel(const ListContext& ctx, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    // The sort marks may have moved.
    void CaptionsChanged();

  private:
    const ListContext& ctx_;
};

}  // namespace vellum::ui
