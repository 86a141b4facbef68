#include <gtest/gtest.h>

#include <array>

#include "display/cell_converter.h"

namespace velq {
namespace {

struct Rgb {
    int r, g, b;
};

Cell convertBlock(std::array<Rgb, 4> sub)
{
    static std::array<Pixel, canvasPixels> pixels{};
    // Place the block at cell (3, 2), away from the edges.
    const int base = 2 * 2 * canvasWidth + 2 * 3;
    const int offsets[4] = {0, 1, canvasWidth, canvasWidth + 1};
    for (int i = 0; i < 4; ++i) pixels[base + offsets[i]] = makePixel(sub[i].r, sub[i].g, sub[i].b, 0xAB);
    return convertCell(pixels, 3, 2);
}

TEST(CellConverterTest, ClassifyColorThresholdsAreStrict)
{
    struct Case {
        unsigned r, g, b;
        std::uint8_t bits;
    };
    const Case cases[] = {
        {0, 0, 0, 0x00},       {80, 80, 80, 0x00},     {81, 0, 0, 0x40},       {0, 81, 0, 0x20},
        {0, 0, 81, 0x10},      {180, 180, 180, 0x70},  {181, 0, 0, 0xC0},      {0, 0, 181, 0x90},
        {255, 255, 255, 0xF0}, {0x100 + 81, 0, 0, 0x40}, {201, 0, 0, 0xC0},
    };
    for (const Case& c : cases) EXPECT_EQ(classifyColor(c.r, c.g, c.b), c.bits) << c.r << "," << c.g << "," << c.b;
}

TEST(CellConverterTest, LuminanceTruncatesTheWeightedSum)
{
    EXPECT_EQ(cellLuminance(255, 255, 255), 255);
    EXPECT_EQ(cellLuminance(0, 0, 0), 0);
    EXPECT_EQ(cellLuminance(255, 0, 0), 84);  // 84.15
    EXPECT_EQ(cellLuminance(0, 255, 0), 127); // 127.5
    EXPECT_EQ(cellLuminance(0, 0, 255), 43);  // 43.35
    EXPECT_EQ(cellLuminance(0x1FF, 0, 0), 84); // low byte only
}

// The luminance is the hot spot of the converter; check the plain double formula over every
// colour so any faster form can be compared against this one.
TEST(CellConverterTest, LuminanceMatchesTheFormulaForAllColours)
{
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const int expected = static_cast<int>((r * 0.33 + g * 0.5) + b * 0.17);
                ASSERT_EQ(cellLuminance(r, g, b), expected > 255 ? 255 : expected) << r << "," << g << "," << b;
            }
}

TEST(CellConverterTest, ConvertsTheListedBlocks)
{
    const Rgb black{0, 0, 0}, white{255, 255, 255};
    struct Case {
        const char* name;
        std::array<Rgb, 4> sub;
        char glyph;
        std::uint16_t attribute;
    };
    const Case cases[] = {
        {"black", {black, black, black, black}, '8', 0x00},
        {"white", {white, white, white, white}, '8', 0xFF},
        {"grey 60", {{{60, 60, 60}, {60, 60, 60}, {60, 60, 60}, {60, 60, 60}}}, '8', 0x07},
        {"grey 100", {{{100, 100, 100}, {100, 100, 100}, {100, 100, 100}, {100, 100, 100}}}, ' ', 0x70},
        {"grey 200", {{{200, 200, 200}, {200, 200, 200}, {200, 200, 200}, {200, 200, 200}}}, ' ', 0xF7},
        {"red", {{{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}}}, '8', 0xCC},
        {"residual wraps", {{{100, 200, 0}, {100, 200, 0}, {100, 200, 0}, {100, 200, 0}}}, '8', 0xEE},
        {"top-left white", {white, black, black, black}, '\'', 0x07},
        {"top row white", {white, white, black, black}, 'e', 0x77},
        {"bottom-right black", {white, white, white, black}, '.', 0xF7},
    };
    for (const Case& c : cases) {
        const Cell cell = convertBlock(c.sub);
        EXPECT_EQ(cell.character, static_cast<std::uint8_t>(c.glyph)) << c.name;
        EXPECT_EQ(cell.attributes, c.attribute) << c.name;
    }
}

TEST(CellConverterTest, RedWithFullAttribute)
{
    // Off channels stand at -1 under the intensity bit, so their residual is 1.
    const Cell cell = convertBlock({{{255, 0, 0}, {255, 0, 0}, {255, 0, 0}, {255, 0, 0}}});
    EXPECT_EQ(cell.attributes & 0xF0, 0xC0);
}

TEST(CellConverterTest, EveryMaskHasItsGlyph)
{
    // Dark ink on a mid-grey block: a black sub-pixel is dark, a light one is not.
    const char expected[16] = {' ', '\'', '`', '"', ',', '[', '/', 'P', '.', '\\', ']', 'Y', 'e', 'b', 'd', '8'};
    for (int mask = 0; mask < 16; ++mask) EXPECT_EQ(glyphTable[mask], static_cast<std::uint8_t>(expected[mask]));
}

TEST(CellConverterTest, ConvertCanvasFillsAllCellsRowMajor)
{
    static std::array<Pixel, canvasPixels> pixels{};
    pixels.fill(makePixel(255, 255, 255));
    // Cell (79, 49) black, cell (1, 0) grey 100.
    for (int i : {158 + 98 * 160, 159 + 98 * 160, 158 + 99 * 160, 159 + 99 * 160}) pixels[i] = makePixel(0, 0, 0);
    for (int i : {2, 3, 162, 163}) pixels[i] = makePixel(100, 100, 100);
    CellBuffer cells{};
    convertCanvas(pixels, cells);
    EXPECT_EQ(cells[0], (Cell{'8', 0xFF}));
    EXPECT_EQ(cells[1], (Cell{' ', 0x70}));
    EXPECT_EQ(cells[consoleCells - 1], (Cell{'8', 0x00}));
    EXPECT_EQ(cells[consoleCells - 2], (Cell{'8', 0xFF}));
}

} // namespace
} // namespace velq
