#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "display/canvas.h"

namespace velq {
namespace {

using Point = std::pair<int, int>;

std::vector<Point> recordedPoints;
void recordPoint(std::int32_t x, std::int32_t y, Pixel)
{
    recordedPoints.emplace_back(x, y);
}

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pixels = createCanvas();
        clearCanvas(0);
        setBrushSize(0);
    }
    int countSet(Pixel colour) const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour)); }
    Pixel at(int x, int y) const { return pixels[y * canvasWidth + x]; }
    // The set pixels as a set of rows: for each y, the x range filled.
    bool onlyRectSet(int x0, int y0, int x1, int y1, Pixel colour) const
    {
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x) {
                const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
                if ((at(x, y) == colour) != inside) return false;
            }
        return true;
    }
    CanvasView pixels = createCanvas();
};

TEST_F(CanvasTest, PutPixelClipsAfterSixteenBitWrap)
{
    putPixel(159, 99, 7);
    EXPECT_EQ(pixels[15999], 7u);
    for (auto [x, y] : std::vector<Point>{{160, 0}, {0, 100}, {-1, 5}, {5, -1}, {-(65536 - 160), 0}})
        putPixel(x, y, 9);
    EXPECT_EQ(countSet(9), 0);
    putPixel(-65536 + 5, 65536 + 3, 11); // wraps back into range
    EXPECT_EQ(at(5, 3), 11u);
    EXPECT_EQ(countSet(11), 1);
}

TEST_F(CanvasTest, FillRectOrdersCornersAndExcludesFarEdges)
{
    struct Case {
        int x0, y0, x1, y1;
        int ex0, ey0, ex1, ey1; // expected filled half-open area
    };
    const Case cases[] = {
        {0, 0, 160, 100, 0, 0, 160, 100}, {10, 10, 0, 0, 0, 0, 10, 10}, {0, 0, 10, 10, 0, 0, 10, 10},
        {0, 20, 160, 10, 0, 10, 160, 20}, {5, 5, 5, 50, 0, 0, 0, 0},     {5, 5, 50, 5, 0, 0, 0, 0},
        {-5, -5, 3, 3, 0, 0, 3, 3},       {150, 95, 170, 120, 150, 95, 160, 100},
    };
    for (const Case& c : cases) {
        clearCanvas(0);
        fillRect(c.x0, c.y0, c.x1, c.y1, 5);
        EXPECT_TRUE(onlyRectSet(c.ex0, c.ey0, c.ex1, c.ey1, 5))
            << "fillRect(" << c.x0 << ", " << c.y0 << ", " << c.x1 << ", " << c.y1 << ")";
    }
}

TEST_F(CanvasTest, FillRectIgnoresTheBrush)
{
    setBrushSize(12);
    fillRect(20, 20, 21, 21, 5);
    EXPECT_EQ(countSet(5), 1);
}

// Half-widths m of each footprint row, from dy = -(r-1) to r-1.
TEST_F(CanvasTest, BrushFootprintsDependOnlyOnHalfSize)
{
    struct Case {
        int size;
        std::vector<int> rows;
        int pixels;
    };
    const Case cases[] = {
        {0, {}, 0},
        {2, {0}, 1},
        {3, {0}, 1},
        {4, {1, 1, 1}, 9},
        {5, {1, 1, 1}, 9},
        {6, {2, 2, 2, 2, 2}, 25},
        {7, {2, 2, 2, 2, 2}, 25},
        {8, {2, 3, 3, 3, 3, 3, 2}, 45},
        {9, {2, 3, 3, 3, 3, 3, 2}, 45},
        {10, {2, 3, 4, 4, 4, 4, 4, 3, 2}, 69},
        {12, {3, 4, 5, 5, 5, 5, 5, 5, 5, 4, 3}, 109},
        {13, {3, 4, 5, 5, 5, 5, 5, 5, 5, 4, 3}, 109},
    };
    for (const Case& c : cases) {
        clearCanvas(0);
        brushSize = c.size;
        plotBrush(50, 50, 3);
        EXPECT_EQ(countSet(3), c.pixels) << "size " << c.size;
        const int r = static_cast<int>(c.rows.size() / 2);
        for (int i = 0; i < static_cast<int>(c.rows.size()); ++i) {
            const int y = 50 - r + i, m = c.rows[i];
            for (int x = 50 - m - 1; x <= 50 + m + 1; ++x)
                EXPECT_EQ(at(x, y) == 3, x >= 50 - m && x <= 50 + m) << "size " << c.size << " at " << x << "," << y;
        }
    }
}

TEST_F(CanvasTest, BrushAtCornerKeepsOnlyTheVisibleQuarter)
{
    setBrushSize(8);
    plotBrush(0, 0, 4);
    EXPECT_EQ(countSet(4), 15);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(at(x, y) == 4, x <= (y == 3 ? 2 : 3)) << x << "," << y;
}

TEST_F(CanvasTest, SetBrushSizeChoosesThePlotRoutine)
{
    const std::pair<int, PlotRoutine> cases[] = {{-3, putPixel}, {0, putPixel}, {1, putPixel},
                                                 {2, plotBrush}, {3, plotBrush}, {9, plotBrush}};
    for (auto [size, routine] : cases) {
        setBrushSize(size);
        EXPECT_EQ(brushSize, size);
        EXPECT_EQ(plotRoutine, routine) << "size " << size;
    }
    // Sizes 2 and 3 go through the brush but still plot single pixels.
    setBrushSize(3);
    drawLine(10, 10, 20, 10, 6);
    EXPECT_EQ(countSet(6), 10); // x 10..19: the last of 11 points repeats x 19
}

TEST_F(CanvasTest, DrawLineMatchesTheFixedPointExamples)
{
    struct Case {
        int x0, y0, x1, y1;
        std::vector<Point> points;
    };
    const Case cases[] = {
        {0, 0, 10, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {9, 0}}},
        {10, 0, 0, 0, {{9, 0}, {8, 0}, {7, 0}, {6, 0}, {5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}, {0, 0}, {0, 0}}},
        {0, 0, 10, 5, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}, {8, 4}, {9, 4}, {9, 4}}},
        {0, 0, 1, 1, {{0, 0}, {1, 1}}},
        {0, 0, 0, 1, {{0, 0}, {0, 1}}},
        {0, 1, 0, 0, {{0, 0}, {0, 0}}},
        {3, 3, 3, 3, {{3, 3}}},
        // 256 divides by n = 256: the end point is reached.
        {0, 0, 255, 0, {}},
    };
    for (const Case& c : cases) {
        recordedPoints.clear();
        plotRoutine = recordPoint;
        drawLine(c.x0, c.y0, c.x1, c.y1, 1);
        if (c.points.empty()) {
            ASSERT_EQ(recordedPoints.size(), 256u);
            EXPECT_EQ(recordedPoints.front(), Point(0, 0));
            EXPECT_EQ(recordedPoints.back(), Point(255, 0));
        } else {
            EXPECT_EQ(recordedPoints, c.points) << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
        }
    }
    setBrushSize(0);
}

TEST_F(CanvasTest, ByteOrdersOfTheRgbHelpers)
{
    drawLineRgb(0, 0, 0, 0, 0x11, 0x22, 0x33);
    EXPECT_EQ(at(0, 0), 0x00112233u); // bytes 0x33, 0x22, 0x11, 0x00: red 0x33
    EXPECT_EQ(pixelRed(at(0, 0)), 0x33);
    EXPECT_EQ(countSet(0x00112233u), 1);

    clearCanvasRgb(0x11, 0x22, 0x33);
    EXPECT_EQ(countSet(0x00332211u), canvasPixels); // red 0x11
    clearCanvasRgb(0x111, 0x222, 0x333);           // only the low bytes count
    EXPECT_EQ(countSet(0x00332211u), canvasPixels);
    drawLineRgb(1, 1, 1, 1, 0x1FF, 0, 0);
    EXPECT_EQ(at(1, 1), 0x00FF0000u);
}

TEST_F(CanvasTest, LinesBeyondTheEdgesAreClipped)
{
    drawLine(-100, 50, 300, 50, 2);
    EXPECT_EQ(countSet(2), 160);
}

} // namespace
} // namespace velq
