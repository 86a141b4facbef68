#include "display/glyph_renderer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO // we write the file ourselves, so that a short write is an error
#include <stb_image_write.h>

namespace velq {

namespace {

// The font, drawn as a PC text-mode font draws them: 7 rows of body, the last row left for
// descenders ("X" is ink).
struct GlyphArt {
    std::uint8_t code;
    std::array<std::string_view, glyphHeight> rows;
};

constexpr std::array<GlyphArt, 17> glyphArt = {{
    {' ', {"........", "........", "........", "........", "........", "........", "........", "........"}},
    {'\'', {"...XX...", "...XX...", "..XX....", "........", "........", "........", "........", "........"}},
    {'`', {"..XX....", "...XX...", "....XX..", "........", "........", "........", "........", "........"}},
    {'"', {".XX.XX..", ".XX.XX..", ".XX.XX..", "........", "........", "........", "........", "........"}},
    {',', {"........", "........", "........", "........", "........", "...XX...", "...XX...", "..XX...."}},
    {'[', {".XXXX...", ".XX.....", ".XX.....", ".XX.....", ".XX.....", ".XX.....", ".XXXX...", "........"}},
    {'/', {".....XX.", "....XX..", "...XX...", "..XX....", ".XX.....", "XX......", "X.......", "........"}},
    {'P', {"XXXXXX..", ".XX..XX.", ".XX..XX.", ".XXXXX..", ".XX.....", ".XX.....", "XXXX....", "........"}},
    {'.', {"........", "........", "........", "........", "........", "...XX...", "...XX...", "........"}},
    {'\\', {"XX......", ".XX.....", "..XX....", "...XX...", "....XX..", ".....XX.", "......X.", "........"}},
    {']', {".XXXX...", "...XX...", "...XX...", "...XX...", "...XX...", "...XX...", ".XXXX...", "........"}},
    {'Y', {"XX..XX..", "XX..XX..", "XX..XX..", ".XXXX...", "..XX....", "..XX....", ".XXXX...", "........"}},
    {'e', {"........", "........", ".XXXX...", "XX..XX..", "XXXXXX..", "XX......", ".XXXX...", "........"}},
    {'b', {"XXX.....", ".XX.....", ".XX.....", ".XXXXX..", ".XX..XX.", ".XX..XX.", "XX.XXX..", "........"}},
    {'d', {"...XXX..", "....XX..", "....XX..", ".XXXXX..", "XX..XX..", "XX..XX..", ".XXX.XX.", "........"}},
    {'8', {".XXXX...", "XX..XX..", "XX..XX..", ".XXXX...", "XX..XX..", "XX..XX..", ".XXXX...", "........"}},
    // Code 0 stands for every character without a glyph of its own: a hollow box.
    {0, {"XXXXXXX.", "X.....X.", "X.....X.", "X.....X.", "X.....X.", "X.....X.", "XXXXXXX.", "........"}},
}};

constexpr GlyphRows rowsOf(const GlyphArt& art)
{
    GlyphRows rows{};
    for (int y = 0; y < glyphHeight; ++y)
        for (int x = 0; x < glyphWidth; ++x)
            if (art.rows[y][x] == 'X') rows[y] |= static_cast<std::uint8_t>(0x80 >> x);
    return rows;
}

// Glyph rows for all 256 character codes.
constexpr std::array<GlyphRows, 256> font = [] {
    std::array<GlyphRows, 256> table{};
    const GlyphRows box = rowsOf(glyphArt.back());
    for (auto& rows : table) rows = box;
    for (std::size_t i = 0; i + 1 < glyphArt.size(); ++i) table[glyphArt[i].code] = rowsOf(glyphArt[i]);
    return table;
}();

// Every glyphTable character has art of its own (and no art is given twice).
constexpr bool everyGlyphDrawn = [] {
    for (std::uint8_t code : glyphTable) {
        int found = 0;
        for (std::size_t i = 0; i + 1 < glyphArt.size(); ++i) found += glyphArt[i].code == code;
        if (found != 1) return false;
    }
    return true;
}();
static_assert(everyGlyphDrawn);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

GlyphRows glyphRows(std::uint8_t code)
{
    return font[code];
}

void renderCells(const CellBuffer& cells, CellImageView image)
{
    // For every image pixel (px, py): the cell c = cells[(py / 8) * 80 + px / 8] paints it
    // palette[c.attributes & 15] where bit (7 - px % 8) of font[c.character & 255][py % 8] is
    // set, else palette[(c.attributes >> 4) & 15]. Written cell row by glyph row, so each
    // glyph row is one byte of font and eight stores.
    std::uint8_t* out = image.data();
    for (int row = 0; row < consoleRows; ++row) {
        const Cell* line = &cells[static_cast<std::size_t>(row) * consoleColumns];
        for (int y = 0; y < glyphHeight; ++y) {
            for (int column = 0; column < consoleColumns; ++column) {
                const Cell cell = line[column];
                const Rgb fg = consolePalette[cell.attributes & 15];
                const Rgb bg = consolePalette[(cell.attributes >> 4) & 15];
                const unsigned bits = font[cell.character & 255][y];
                for (int x = 0; x < glyphWidth; ++x) {
                    const Rgb c = (bits & (0x80u >> x)) ? fg : bg;
                    out[0] = c.red;
                    out[1] = c.green;
                    out[2] = c.blue;
                    out += 3;
                }
            }
        }
    }
}

std::string writeCellsPng(const std::string& path, const CellBuffer& cells)
{
    // Capture writes one PNG a frame; the picture's storage is kept for the next one. The
    // encoder itself allocates its output.
    static CellImage image;
    renderCells(cells, image);
    int length = 0;
    const std::unique_ptr<unsigned char, FreeDeleter> png(
        stbi_write_png_to_mem(image.data(), cellImageStride, cellImageWidth, cellImageHeight, 3, &length));
    if (!png || length <= 0) return "could not encode " + path + " as PNG";

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return "cannot write " + path + ": " + std::strerror(errno);
    const bool written = std::fwrite(png.get(), 1, static_cast<std::size_t>(length), file.get()) ==
                         static_cast<std::size_t>(length);
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed) return "cannot write " + path + ": " + std::strerror(errno);
    return {};
}

CellBuffer glyphChartCells()
{
    CellBuffer cells{};
    for (int n = 0; n < consoleCells; ++n) {
        cells[n].character = glyphTable[n % 16];
        cells[n].attributes = static_cast<std::uint16_t>((n / 16) % 256);
    }
    return cells;
}

} // namespace velq
