// The terminal output is checked in a real terminal emulator: libvterm is fed our bytes and its
// screen must show exactly the cells we meant.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include <vterm.h>

#include "display/terminal.h"

namespace velq {
namespace {

// The palette index a terminal uses for a console colour (blue 1, green 2, red 4, intensity 8).
int paletteIndex(unsigned consoleColour)
{
    const unsigned ansi = ((consoleColour & 4) ? 1 : 0) | (consoleColour & 2) | ((consoleColour & 1) ? 4 : 0);
    return static_cast<int>(ansi + ((consoleColour & 8) ? 8 : 0));
}

class Emulator {
public:
    Emulator(int columns, int rows) : columns(columns), rows(rows), vt(vterm_new(rows, columns), vterm_free)
    {
        vterm_set_utf8(vt.get(), 1);
        screen = vterm_obtain_screen(vt.get());
        vterm_screen_reset(screen, 1);
    }
    void feed(const std::string& bytes) { vterm_input_write(vt.get(), bytes.data(), bytes.size()); }
    VTermScreenCell cell(int row, int column) const
    {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen, VTermPos{row, column}, &c);
        return c;
    }
    // Compares every visible cell of the 80x50 picture placed at (left, top).
    void expectShows(const CellBuffer& cells, int left, int top, const char* when) const
    {
        int mismatches = 0;
        for (int row = 0; row < consoleRows && top + row < rows; ++row)
            for (int column = 0; column < consoleColumns && left + column < columns; ++column) {
                const Cell want = cells[row * consoleColumns + column];
                const VTermScreenCell got = cell(top + row, left + column);
                const bool same = got.chars[0] == want.character && VTERM_COLOR_IS_INDEXED(&got.fg) &&
                                  VTERM_COLOR_IS_INDEXED(&got.bg) &&
                                  got.fg.indexed.idx == paletteIndex(want.attributes & 15) &&
                                  got.bg.indexed.idx == paletteIndex(want.attributes >> 4);
                if (!same && ++mismatches <= 5)
                    ADD_FAILURE() << when << ": cell " << column << "," << row << " shows '"
                                  << static_cast<char>(got.chars[0]) << "' but should show '"
                                  << static_cast<char>(want.character) << "' attribute " << want.attributes;
            }
        EXPECT_EQ(mismatches, 0) << when;
    }

    int columns, rows;

private:
    std::unique_ptr<VTerm, void (*)(VTerm*)> vt;
    VTermScreen* screen = nullptr;
};

CellBuffer randomCells(std::mt19937& random)
{
    CellBuffer cells{};
    for (Cell& c : cells) {
        c.character = glyphTable[random() % 16];
        c.attributes = static_cast<std::uint16_t>(random() % 256);
    }
    return cells;
}

TEST(TerminalTest, SgrNumbersSwapRedAndBlue)
{
    struct Case {
        unsigned attribute;
        int foreground, background;
    };
    const Case cases[] = {
        {0x00, 30, 40}, {0x01, 34, 40}, {0x02, 32, 40}, {0x04, 31, 40}, {0x07, 37, 40}, {0x08, 90, 40},
        {0x0C, 91, 40}, {0x0F, 97, 40}, {0x10, 30, 44}, {0x40, 30, 41}, {0x80, 30, 100}, {0xE9, 94, 103},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sgrForeground(c.attribute), c.foreground) << c.attribute;
        EXPECT_EQ(sgrBackground(c.attribute), c.background) << c.attribute;
    }
}

TEST(TerminalTest, FramesShowExactlyTheCellsInAnEmulator)
{
    std::mt19937 random(13);
    Emulator emulator(consoleColumns, consoleRows);
    TerminalEncoder encoder;
    std::string bytes;

    CellBuffer cells = randomCells(random);
    encoder.encode(cells, consoleColumns, consoleRows, bytes);
    const std::size_t firstFrameSize = bytes.size();
    emulator.feed(bytes);
    emulator.expectShows(cells, 0, 0, "first frame");

    for (int frame = 0; frame < 5; ++frame) {
        for (int k = 0; k < 40; ++k) {
            Cell& c = cells[random() % consoleCells];
            c.character = glyphTable[random() % 16];
            c.attributes = static_cast<std::uint16_t>(random() % 256);
        }
        encoder.encode(cells, consoleColumns, consoleRows, bytes);
        emulator.feed(bytes);
        emulator.expectShows(cells, 0, 0, "changed frame");
        EXPECT_LT(bytes.size(), firstFrameSize / 10) << "only changed cells should cost bytes";
    }

    // A frame without changes is only the update brackets.
    encoder.encode(cells, consoleColumns, consoleRows, bytes);
    EXPECT_EQ(bytes, "\x1b[?2026h\x1b[?2026l");
}

TEST(TerminalTest, ColourSequencesOnlyWhereTheColourChanges)
{
    CellBuffer cells{};
    cells.fill(Cell{'8', 0x1E});
    TerminalEncoder encoder;
    std::string bytes;
    encoder.encode(cells, consoleColumns, consoleRows, bytes);
    std::size_t sgrCount = 0;
    for (std::size_t at = bytes.find('m'); at != std::string::npos; at = bytes.find('m', at + 1)) ++sgrCount;
    EXPECT_EQ(sgrCount, 2u); // the reset before the clear, then one colour for the whole screen
}

TEST(TerminalTest, LargerTerminalsCentreAndSmallerOnesClip)
{
    std::mt19937 random(7);
    const struct {
        int columns, rows, left, top;
    } sizes[] = {{100, 60, 10, 5}, {81, 51, 0, 0}, {60, 40, 0, 0}, {80, 50, 0, 0}};
    for (const auto& size : sizes) {
        Emulator emulator(size.columns, size.rows);
        TerminalEncoder encoder;
        std::string bytes;
        CellBuffer cells = randomCells(random);
        encoder.encode(cells, size.columns, size.rows, bytes);
        emulator.feed(bytes);
        const std::string when = std::to_string(size.columns) + "x" + std::to_string(size.rows);
        emulator.expectShows(cells, size.left, size.top, when.c_str());
        cells[0] = Cell{'P', 0x4E};
        cells[consoleCells - 1] = Cell{'d', 0x9A};
        encoder.encode(cells, size.columns, size.rows, bytes);
        emulator.feed(bytes);
        emulator.expectShows(cells, size.left, size.top, (when + " second frame").c_str());
        // Nothing is written outside the picture.
        if (size.left > 0) {
            EXPECT_EQ(emulator.cell(size.top, size.left - 1).chars[0], 0u);
        }
    }
}

TEST(TerminalTest, AResizeRedrawsTheWholePicture)
{
    std::mt19937 random(3);
    TerminalEncoder encoder;
    std::string bytes;
    const CellBuffer cells = randomCells(random);
    encoder.encode(cells, 90, 50, bytes);
    Emulator after(100, 60);
    encoder.encode(cells, 100, 60, bytes); // same cells, new size: everything again
    after.feed(bytes);
    after.expectShows(cells, 10, 5, "after resize");
}

} // namespace
} // namespace velq
