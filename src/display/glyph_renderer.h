// Draws console cells as pixels, the way a PC text mode does: each cell an 8x8 glyph in its
// foreground colour over its background colour, from our own font of the 16 converter glyphs
// and the classic console palette. The window shows these images; capture writes them as PNG.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "display/cell_converter.h"

namespace velq {

constexpr int glyphWidth = 8;
constexpr int glyphHeight = 8;
constexpr int cellImageWidth = consoleColumns * glyphWidth;  // 640
constexpr int cellImageHeight = consoleRows * glyphHeight;   // 400
constexpr int cellImageStride = cellImageWidth * 3;          // bytes per row: red, green, blue
constexpr int cellImageBytes = cellImageStride * cellImageHeight;

// A 640x400 picture of the 80x50 cells: rows top-down, three bytes a pixel (red, green, blue).
using CellImage = std::array<std::uint8_t, cellImageBytes>;
using CellImageView = std::span<std::uint8_t, cellImageBytes>;

struct Rgb {
    std::uint8_t red, green, blue;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The legacy console palette, indexed by a 4-bit colour (blue 1, green 2, red 4, intensity 8).
// A channel that is on stands at 128 in a dark colour and at 255 in a bright one, which is the
// palette the cell converter's arithmetic assumes; the two greys are the console's own.
constexpr std::array<Rgb, 16> consolePalette = {{
    {0, 0, 0},       // 0 black
    {0, 0, 128},     // 1 blue
    {0, 128, 0},     // 2 green
    {0, 128, 128},   // 3 cyan
    {128, 0, 0},     // 4 red
    {128, 0, 128},   // 5 magenta
    {128, 128, 0},   // 6 brown
    {192, 192, 192}, // 7 light grey
    {128, 128, 128}, // 8 dark grey
    {0, 0, 255},     // 9 bright blue
    {0, 255, 0},     // 10 bright green
    {0, 255, 255},   // 11 bright cyan
    {255, 0, 0},     // 12 bright red
    {255, 0, 255},   // 13 bright magenta
    {255, 255, 0},   // 14 yellow
    {255, 255, 255}, // 15 white
}};

// The 8 rows of a character's glyph, top first; bit 7 is the leftmost pixel. The 16 characters
// of glyphTable have their own shapes; any other code draws as a hollow box.
using GlyphRows = std::array<std::uint8_t, glyphHeight>;
GlyphRows glyphRows(std::uint8_t code);

// Draws all 4000 cells: the glyph of the character field's low byte, foreground from the low
// nibble of the attribute field, background from the next nibble; higher bits are ignored.
void renderCells(const CellBuffer& cells, CellImageView image);

// Writes the cells as a 640x400 RGB PNG. Returns an empty text on success, else the reason
// (the file is then incomplete or missing).
std::string writeCellsPng(const std::string& path, const CellBuffer& cells);

// A fixed frame of every glyph in every foreground and every background colour: cell n has
// glyph n % 16 and attribute (n / 16) % 256. Used to check the window against the renderer.
CellBuffer glyphChartCells();

} // namespace velq
