// The glyph renderer: the font's shapes, the palette, where each cell lands in the picture, and
// the PNG file it writes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <unistd.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "display/glyph_renderer.h"
#include "process_helpers.h"

namespace {

using namespace velq;
namespace fs = std::filesystem;

// The shapes as they should look, in glyphTable order ("X" is foreground). Kept apart from the
// renderer's own table so that a slipped bit, a mirrored row or a glyph under the wrong code shows.
constexpr std::array<std::array<std::string_view, 8>, 16> expectedGlyphs = {{
    {"........", "........", "........", "........", "........", "........", "........", "........"},
    {"...XX...", "...XX...", "..XX....", "........", "........", "........", "........", "........"},
    {"..XX....", "...XX...", "....XX..", "........", "........", "........", "........", "........"},
    {".XX.XX..", ".XX.XX..", ".XX.XX..", "........", "........", "........", "........", "........"},
    {"........", "........", "........", "........", "........", "...XX...", "...XX...", "..XX...."},
    {".XXXX...", ".XX.....", ".XX.....", ".XX.....", ".XX.....", ".XX.....", ".XXXX...", "........"},
    {".....XX.", "....XX..", "...XX...", "..XX....", ".XX.....", "XX......", "X.......", "........"},
    {"XXXXXX..", ".XX..XX.", ".XX..XX.", ".XXXXX..", ".XX.....", ".XX.....", "XXXX....", "........"},
    {"........", "........", "........", "........", "........", "...XX...", "...XX...", "........"},
    {"XX......", ".XX.....", "..XX....", "...XX...", "....XX..", ".....XX.", "......X.", "........"},
    {".XXXX...", "...XX...", "...XX...", "...XX...", "...XX...", "...XX...", ".XXXX...", "........"},
    {"XX..XX..", "XX..XX..", "XX..XX..", ".XXXX...", "..XX....", "..XX....", ".XXXX...", "........"},
    {"........", "........", ".XXXX...", "XX..XX..", "XXXXXX..", "XX......", ".XXXX...", "........"},
    {"XXX.....", ".XX.....", ".XX.....", ".XXXXX..", ".XX..XX.", ".XX..XX.", "XX.XXX..", "........"},
    {"...XXX..", "....XX..", "....XX..", ".XXXXX..", "XX..XX..", "XX..XX..", ".XXX.XX.", "........"},
    {".XXXX...", "XX..XX..", "XX..XX..", ".XXXX...", "XX..XX..", "XX..XX..", ".XXXX...", "........"},
}};

// The documented palette, as 0xRRGGBB, by attribute nibble (blue 1, green 2, red 4, intensity 8).
constexpr std::array<std::uint32_t, 16> expectedPalette = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

std::uint32_t pixelAt(const CellImage& image, int x, int y)
{
    const std::uint8_t* p = &image[static_cast<std::size_t>(y) * cellImageStride + x * 3];
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Every pixel of every cell is its glyph's foreground or background colour as the expected
// font and palette say: the chart holds all 16 glyphs in all 16 foreground and background colours.
TEST(GlyphRendererTest, DrawsEveryGlyphInEveryColourWhereItsCellIs)
{
    auto image = std::make_unique<CellImage>();
    CellBuffer cells = glyphChartCells();
    // Bits above the attribute byte and the character's low byte are not part of the cell.
    cells[1].attributes |= 0xFF00;
    renderCells(cells, *image);

    bool seenFg[16]{}, seenBg[16]{}, seenGlyph[16]{};
    for (int n = 0; n < consoleCells; ++n) {
        const int glyph = n % 16, attribute = (n / 16) % 256;
        ASSERT_EQ(cells[n].character, glyphTable[glyph]);
        seenGlyph[glyph] = seenFg[attribute & 15] = seenBg[attribute >> 4] = true;
        const int left = (n % consoleColumns) * 8, top = (n / consoleColumns) * 8;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool ink = expectedGlyphs[glyph][y][x] == 'X';
                const std::uint32_t want = expectedPalette[ink ? attribute & 15 : attribute >> 4];
                ASSERT_EQ(pixelAt(*image, left + x, top + y), want)
                    << "cell " << n << " glyph '" << char(glyphTable[glyph]) << "' pixel " << x << "," << y;
            }
    }
    for (int i = 0; i < 16; ++i) EXPECT_TRUE(seenFg[i] && seenBg[i] && seenGlyph[i]) << i;
}

TEST(GlyphRendererTest, PaletteIsTheDocumentedOne)
{
    for (int i = 0; i < 16; ++i) {
        const Rgb c = consolePalette[i];
        EXPECT_EQ(std::uint32_t{c.red} << 16 | std::uint32_t{c.green} << 8 | c.blue, expectedPalette[i]) << i;
    }
}

TEST(GlyphRendererTest, GlyphsAreDistinctAndCodesWithoutAGlyphDrawABox)
{
    for (int a = 0; a < 16; ++a)
        for (int b = a + 1; b < 16; ++b) EXPECT_NE(glyphRows(glyphTable[a]), glyphRows(glyphTable[b])) << a << " " << b;
    const GlyphRows box = glyphRows('A');
    EXPECT_EQ(box, (GlyphRows{0xFE, 0x82, 0x82, 0x82, 0x82, 0x82, 0xFE, 0x00}));
    for (int code : {0, int{'A'}, int{'z'}, 0x7F, 0xFF}) EXPECT_EQ(glyphRows(static_cast<std::uint8_t>(code)), box) << code;
    // The converter only ever makes the 16; a stray code in a cell still draws, as the box.
    CellBuffer cells{};
    cells[0] = {0x41, 0x0F};
    auto image = std::make_unique<CellImage>();
    renderCells(cells, *image);
    EXPECT_EQ(pixelAt(*image, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(pixelAt(*image, 1, 1), 0x000000u);
}

TEST(GlyphRendererTest, PngHoldsTheRenderedPicture)
{
    TempDir dir("velq-glyph-");
    const std::string path = (dir.path() / "frame.png").string();
    const CellBuffer cells = glyphChartCells();
    ASSERT_EQ(writeCellsPng(path, cells), "");

    int width = 0, height = 0, channels = 0;
    const std::unique_ptr<unsigned char, void (*)(void*)> png(stbi_load(path.c_str(), &width, &height, &channels, 3),
                                                             stbi_image_free);
    ASSERT_TRUE(png) << stbi_failure_reason();
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 400);
    EXPECT_EQ(channels, 3);
    auto image = std::make_unique<CellImage>();
    renderCells(cells, *image);
    EXPECT_EQ(0, std::memcmp(png.get(), image->data(), image->size()));
}

TEST(GlyphRendererTest, PngFailureSaysWhy)
{
    TempDir dir("velq-glyph-");
    const CellBuffer cells{};
    EXPECT_NE(writeCellsPng((dir.path() / "missing" / "frame.png").string(), cells).find("cannot write"),
              std::string::npos);
    // A full device: the short write must not pass for success.
    if (fs::exists("/dev/full")) {
        EXPECT_NE(writeCellsPng("/dev/full", cells), "");
    }
}

} // namespace
