// Cell texts, colours and geometry of the hex view.
#include "ui/hex_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/fitted_size.h"

namespace vellum::ui {
namespace {

constexpr char kDigits[] = "0123456789abcdef";

// Rounded up to whole pixels, but not for the last bits of a measurement's arithmetic.
int WholePixels(double size) {
    return static_cast<int>(std::ceil(size - 1e-6));
}

int HexDigitsOf(std::uint64_t value) {
    int digits = 1;
    while (value >>= 4) ++digits;
    return digits;
}

CellLook HeaderCell(int column) {
    CellLook look;
    look.buttonFace = true;
    if (column >= 1 && column < kFirstCharColumn) look.text = HexByte(column - 1);
    return look;
}

CellLook ByteCell(int column, std::int64_t row, std::int64_t viewedSize, const ByteReader& read) {
    const bool hexHalf = column < kFirstCharColumn;
    const bool odd = column % 2 == 1;
    CellLook look;
    look.textColour = hexHalf ? kHexBlack : kCharBlue;
    if (hexHalf) {
        look.background = odd ? kHexOddBackground : kHexEvenBackground;
    } else {
        look.background = odd ? kCharOddBackground : kCharEvenBackground;
    }
    const int k = hexHalf ? column - 1 : column - kFirstCharColumn;
    const std::int64_t offset = (row - 1) * kBytesPerRow + k;
    if (offset >= viewedSize) return look;
    if (const std::optional<std::uint8_t> byte = read(offset)) {
        look.text = hexHalf ? HexByte(*byte) : ShownChar(*byte);
    }
    return look;
}

}  // namespace

std::string HexByte(std::uint8_t byte) {
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

std::string HexOffset(std::int64_t offset, int digits) {
    const auto value = static_cast<std::uint64_t>(offset);
    const int width = std::max(digits, HexDigitsOf(value));
    std::string text(static_cast<std::size_t>(width), '0');
    for (int i = 0; i < width; ++i) {
        text[static_cast<std::size_t>(width - 1 - i)] = kDigits[(value >> (4 * i)) & 0x0F];
    }
    return text;
}

std::string ShownChar(std::uint8_t byte) {
    return std::string(1, byte >= 32 && byte <= 126 ? static_cast<char>(byte) : ' ');
}

std::int64_t HexRowCount(std::int64_t viewedSize) {
    const std::int64_t size = std::max<std::int64_t>(viewedSize, 0);
    // Rounded up without adding 31 first, which would overflow for the largest sizes.
    const std::int64_t dataRows = size / kBytesPerRow + (size % kBytesPerRow != 0 ? 1 : 0);
    return std::max<std::int64_t>(dataRows + 1, 5);
}

int OffsetDigits(std::int64_t viewedSize) {
    const std::int64_t lastRowOffset = (HexRowCount(viewedSize) - 2) * kBytesPerRow;
    return std::max(8, HexDigitsOf(static_cast<std::uint64_t>(lastRowOffset)));
}

CellLook HexCellLook(int column, std::int64_t row, std::int64_t viewedSize,
                     const ByteReader& read) {
    if (column < 0 || column >= kHexColumnCount || row < 0) return {};
    if (row == 0) return HeaderCell(column);
    if (column == 0) {
        CellLook look;
        look.text = HexOffset((row - 1) * kBytesPerRow, OffsetDigits(viewedSize));
        look.textColour = kOffsetRed;
        look.buttonFace = true;
        return look;
    }
    return ByteCell(column, row, viewedSize, read);
}

HexCellSizes FitHexCells(const HexFontSizes& font) {
    HexCellSizes cells;
    cells.digitAdvance = font.digitAdvance;
    cells.hexCell = DesignOr(kHexCellWidth, WholePixels(2 * font.digitAdvance) + kHexDigitGap);
    cells.charCell = DesignOr(kCharCellWidth, WholePixels(font.charAdvance));
    cells.rowHeight = DesignOr(kHexRowHeight, WholePixels(font.lineHeight));
    return cells;
}

HexColumns::HexColumns(int offsetDigits, const HexCellSizes& cells)
    : offsetWidth_(DesignOr(kOffsetColumnWidth, WholePixels(offsetDigits * cells.digitAdvance))),
      hexCell_(cells.hexCell),
      charCell_(cells.charCell) {}

int HexColumns::width(int column) const {
    if (column == 0) return offsetWidth_;
    return column < kFirstCharColumn ? hexCell_ : charCell_;
}

int HexColumns::left(int column) const {
    if (column <= 0) return 0;
    const int hexStart = offsetWidth_ + kHexGridLineWidth;
    if (column <= kFirstCharColumn) return hexStart + (column - 1) * (hexCell_ + kHexGridLineWidth);
    const int charStart = hexStart + kBytesPerRow * (hexCell_ + kHexGridLineWidth);
    return charStart + (column - kFirstCharColumn) * (charCell_ + kHexGridLineWidth);
}

int HexColumns::columnAt(int x) const {
    if (x < 0 || x >= contentWidth()) return -1;
    // 65 columns: a walk is as quick as the arithmetic and cannot disagree with left().
    int column = 0;
    while (left(column + 1) <= x) ++column;
    return column;
}

ScrollMap ScrollMapFor(std::int64_t lastTop) {
    constexpr std::int64_t kMaxValue = std::numeric_limits<int>::max();
    ScrollMap map;
    map.lastTop = std::max<std::int64_t>(lastTop, 0);
    map.scale = map.lastTop <= kMaxValue ? 1 : map.lastTop / kMaxValue + 1;
    map.maximum = static_cast<int>((map.lastTop + map.scale - 1) / map.scale);
    return map;
}

int ScrollValueFor(std::int64_t top, const ScrollMap& map) {
    if (top >= map.lastTop) return map.maximum;
    return static_cast<int>(std::max<std::int64_t>(top, 0) / map.scale);
}

std::int64_t TopFor(int value, const ScrollMap& map) {
    return std::min(std::max<std::int64_t>(value, 0) * map.scale, map.lastTop);
}

CaptionPlace PlaceCaption(int barWidth, int panelsRight, int textWidth) {
    const int room = std::max(0, barWidth - panelsRight);
    if (textWidth > room) return {panelsRight, room, true};
    const int centred = (barWidth - textWidth) / 2;
    return {std::max(centred, panelsRight), textWidth, false};
}

ViewHeights HideHeights(int lowerPanelHeight) {
    return {lowerPanelHeight - kLowerPanelHiddenHeight, kLowerPanelHiddenHeight};
}

ViewHeights ShowHeights(std::int32_t hexViewHeight, int windowHeight) {
    if (windowHeight < hexViewHeight + kShowWindowMargin) {
        hexViewHeight = windowHeight - kShowWindowMargin;
    }
    return {hexViewHeight,
            std::max(hexViewHeight + kLowerPanelHiddenHeight, kLowerPanelMinimumHeight)};
}

}  // namespace vellum::ui
