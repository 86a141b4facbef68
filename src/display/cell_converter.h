// Turns the 160x100 canvas into 80x50 console cells: each cell stands for a 2x2 block,
// its background approximates the block's average, its foreground makes up the residual,
// and its glyph covers the sub-pixels that belong to the foreground.
#pragma once

#include <array>
#include <cstdint>

#include "display/canvas.h"

namespace velq {

constexpr int consoleColumns = 80;
constexpr int consoleRows = 50;
constexpr int consoleCells = consoleColumns * consoleRows;

// The console's cell record: the glyph's code in the low byte of a 16-bit character field,
// the attribute in the low byte of a 16-bit attribute field (background high nibble,
// foreground low nibble; bits blue 1, green 2, red 4, intensity 8).
struct Cell {
    std::uint16_t character = 0;
    std::uint16_t attributes = 0;
    friend bool operator==(const Cell&, const Cell&) = default;
};
using CellBuffer = std::array<Cell, consoleCells>;

// Glyphs indexed by coverage mask: bit 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right.
constexpr std::array<std::uint8_t, 16> glyphTable = {
    ' ', '\'', '`', '"', ',', '[', '/', 'P', '.', '\\', ']', 'Y', 'e', 'b', 'd', '8',
};

// Background attribute bits (0x10 blue, 0x20 green, 0x40 red, 0x80 intensity) of a colour.
std::uint8_t classifyColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
std::int32_t cellLuminance(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
// The cell in the given column (0..79) and row (0..49) of a 160x100 pixel buffer.
Cell convertCell(ConstCanvasView pixels, int column, int row);
// All 4000 cells, row-major.
void convertCanvas(ConstCanvasView pixels, CellBuffer& cells);

} // namespace velq
