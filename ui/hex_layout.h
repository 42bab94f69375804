// Where the hex view puts a byte and how it writes it: cell texts and colours, row counts,
// column geometry, scroll-bar mapping and the hide/show heights. No widgets here, so every
// rule can be tested without a display; the widget only paints what these functions say.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vellum::ui {

inline constexpr int kBytesPerRow = 32;
inline constexpr int kHexColumnCount = 1 + 2 * kBytesPerRow;  // offsets, hex digits, characters
inline constexpr int kFirstCharColumn = 1 + kBytesPerRow;

// The grid as designed for an 11-pixel monospace font whose digits are 7 pixels wide.
inline constexpr int kOffsetColumnWidth = 56;  // eight digits
inline constexpr int kHexCellWidth = 13;
inline constexpr int kCharCellWidth = 7;
inline constexpr int kHexRowHeight = 18;
inline constexpr int kHexGridLineWidth = 1;
// The fewest byte columns the grid keeps in view beside the offsets; the rest scroll sideways.
inline constexpr int kLeastShownBytes = 4;
inline constexpr int kOffsetDigitWidth = 7;
// Blank pixels after a byte's two digits, so that neighbouring bytes never run together.
inline constexpr int kHexDigitGap = 2;

inline constexpr int kTitleBarHeight = 20;          // titleBar_
inline constexpr int kOnOffWidth = 89;              // onOffLabel_
inline constexpr int kHideShowWidth = 40;           // hideShowButton_
inline constexpr int kLowerPanelHiddenHeight = 60;  // title bar and bottom bar only
inline constexpr int kLowerPanelMinimumHeight = 44;
inline constexpr int kShowWindowMargin = 160;  // window height the rest of MainWindow needs

using HexRgb = std::uint32_t;  // 0xRRGGBB
inline constexpr HexRgb kHexBlack = 0x000000;
inline constexpr HexRgb kOffsetRed = 0xFF0000;
inline constexpr HexRgb kCharBlue = 0x0000FF;
inline constexpr HexRgb kHexOddBackground = 0xFFFBF0;
inline constexpr HexRgb kHexEvenBackground = 0xC0DCC0;
inline constexpr HexRgb kCharOddBackground = 0xC0C0C0;
inline constexpr HexRgb kCharEvenBackground = 0xFFFFFF;

// The program-wide state of the hex view. HexView owns the one instance; MainWindow reads and
// writes HexViewHeight through it when it hides and shows the view.
struct HexViewState {
    std::string ViewedPath;            // empty until a row is selected
    std::int64_t ViewedSize = 0;       // measured when the file was selected
    std::int32_t HexViewHeight = 100;  // grid height remembered while the view is hidden
};

// Two lower-case hexadecimal digits, high nibble first.
[[nodiscard]] std::string HexByte(std::uint8_t byte);
// The offset in lower-case hexadecimal, zero-padded to the given number of digits; digits
// beyond the width are kept, so a large offset is never cut.
[[nodiscard]] std::string HexOffset(std::int64_t offset, int digits = 8);
// The byte itself for 32 to 126, a blank for everything else.
[[nodiscard]] std::string ShownChar(std::uint8_t byte);

// Rows of the hex grid for a file of this size: the header row plus one per 32 bytes, at least
// five in all. 64-bit, so that no size overflows.
[[nodiscard]] std::int64_t HexRowCount(std::int64_t viewedSize);
// How many digits the offset column needs for a file of this size: eight, or more when the
// last row's offset does not fit in eight.
[[nodiscard]] int OffsetDigits(std::int64_t viewedSize);

// What one cell shows. buttonFace stands for the system's button colour, which only the
// widget knows; background is then unused.
struct CellLook {
    std::string text;
    HexRgb textColour = kHexBlack;
    HexRgb background = 0xFFFFFF;
    bool buttonFace = false;
    friend bool operator==(const CellLook&, const CellLook&) = default;
};

// One byte of the viewed file, or nothing when it cannot be had (the cell stays blank).
using ByteReader = std::function<std::optional<std::uint8_t>(std::int64_t offset)>;

// The look of cell (column, row) of the hex grid for a file of viewedSize bytes. Bytes are read
// only for cells inside the file.
[[nodiscard]] CellLook HexCellLook(int column, std::int64_t row, std::int64_t viewedSize,
                                   const ByteReader& read);

// What the grid's font takes, as the widget measures it: the widest hexadecimal digit, the
// widest printable character, and the height of a line.
struct HexFontSizes {
    double digitAdvance = kOffsetDigitWidth;
    double charAdvance = kCharCellWidth;
    double lineHeight = 11;
};

// The cells for a font: as designed where the font fits in them, else just wide (or high)
// enough: a byte's two digits and a gap, one character, one line.
struct HexCellSizes {
    double digitAdvance = kOffsetDigitWidth;  // the offsets are written in it
    int hexCell = kHexCellWidth;
    int charCell = kCharCellWidth;
    int rowHeight = kHexRowHeight;
    friend bool operator==(const HexCellSizes&, const HexCellSizes&) = default;
};
[[nodiscard]] HexCellSizes FitHexCells(const HexFontSizes& font);

// Horizontal geometry of the grid, widened when the offsets need more than eight digits.
class HexColumns {
  public:
    explicit HexColumns(int offsetDigits = 8, const HexCellSizes& cells = {});
    [[nodiscard]] int width(int column) const;
    [[nodiscard]] int left(int column) const;
    // Cells and the grid lines between them: the width of the whole grid's content.
    [[nodiscard]] int contentWidth() const { return left(kHexColumnCount); }
    // The column under x, or -1 beyond the last one.
    [[nodiscard]] int columnAt(int x) const;

  private:
    int offsetWidth_;
    int hexCell_;
    int charCell_;
};

// Scroll bars count in int; a file of more than 64 GiB has more rows than that. The bar then
// moves in steps of `scale` rows while keys and the wheel still move by single rows.
// Tops count from 0 for the first data row; lastTop is the largest top (0 when all rows fit).
struct ScrollMap {
    std::int64_t lastTop = 0;
    std::int64_t scale = 1;
    int maximum = 0;
};
[[nodiscard]] ScrollMap ScrollMapFor(std::int64_t lastTop);
// The bar's value for a top, and the top for a value the user dragged the bar to; the ends of
// the bar are the ends of the file.
[[nodiscard]] int ScrollValueFor(std::int64_t top, const ScrollMap& map);
[[nodiscard]] std::int64_t TopFor(int value, const ScrollMap& map);

// Where the title bar's caption goes: centred on the whole bar as long as it clears the panels
// at the bar's left end (which end at panelsRight), else just right of them; cut when even the
// room right of the panels is too narrow for it.
struct CaptionPlace {
    int left = 0;
    int width = 0;
    bool cut = false;
    friend bool operator==(const CaptionPlace&, const CaptionPlace&) = default;
};
[[nodiscard]] CaptionPlace PlaceCaption(int barWidth, int panelsRight, int textWidth);

// Heights after ToggleShown. The lower panel never goes below its minimum, even in a tiny window.
struct ViewHeights {
    std::int32_t hexViewHeight = 0;
    int lowerPanelHeight = 0;
};
[[nodiscard]] ViewHeights HideHeights(int lowerPanelHeight);
[[nodiscard]] ViewHeights ShowHeights(std::int32_t hexViewHeight, int windowHeight);

}  // namespace vellum::ui
