#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "display/canvas.h"
#include "gml/drawing.h"
#include "gml/stroke_renderer.h"
#include "drawing_fixture.h"

namespace velq {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

class StrokeRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pixels = createCanvas();
        clearCanvas(0);
        brushMemory = 0;
        setBrushSize(0);
    }
    void TearDown() override
    {
        brushMemory = 0;
        setBrushSize(0);
    }
    int countSet(Pixel colour) const { return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour)); }
    int countLit() const { return canvasPixels - countSet(0); }
    Pixel at(int x, int y) const { return pixels[y * canvasWidth + x]; }
    CanvasView pixels = createCanvas();
};

// One segment per call: the brush size left behind is that segment's, and the memory
// carries from call to call as it does from pass to pass.
TEST_F(StrokeRendererTest, SmoothingSettlesBelowTheWeight)
{
    // Same place, one second apart: no movement, weight 8. Moving in no time: weight 1.
    const auto still = makeDrawing({{{0.5f, 0.5f, 0}, {0.5f, 0.5f, 1}}});
    const auto instant = makeDrawing({{{0.1f, 0.5f, 0}, {0.9f, 0.5f, 0}}});
    struct Case {
        const char* name;
        const Drawing* drawing;
        std::int32_t startMemory;
        std::vector<float> smoothed; // one per call
    };
    const Case cases[] = {
        {"weight 8 from 0", still.get(), 0, {2, 3.5f, 4.25f, 5, 5.75f, 5.75f, 5.75f}},
        {"weight 1 from 5", instant.get(), 5, {4, 3.25f, 2.5f, 1.75f, 1, 1, 1}},
        {"weight 1 from 0", instant.get(), 0, {0.25f, 0.25f, 0.25f}},
    };
    for (const Case& c : cases) {
        brushMemory = c.startMemory;
        for (std::size_t k = 0; k < c.smoothed.size(); ++k) {
            // From 0 to 4: size = 4 * smoothed, which tells every listed value apart.
            drawStrokes(c.drawing, 5000, 0, 4, 0xFFFFFF, 0, 0, 1);
            EXPECT_EQ(brushSize, static_cast<int>(4 * c.smoothed[k])) << c.name << ", call " << k;
            EXPECT_EQ(brushMemory, static_cast<int>(c.smoothed[k])) << c.name << ", call " << k;
        }
    }
}

TEST_F(StrokeRendererTest, SizesGoBeyondBrushTo)
{
    const auto still = makeDrawing({{{0.5f, 0.5f, 0}, {0.5f, 0.5f, 1}}});
    brushMemory = 5; // smoothed 5.75 at weight 8
    drawStrokes(still.get(), 1000, 4, 6, 0xFFFFFF, 0, 0, 1);
    EXPECT_EQ(brushSize, 15); // 4 + 5.75 * 2 = 15.5
    EXPECT_EQ(plotRoutine, plotBrush);
}

TEST_F(StrokeRendererTest, WeightFollowsSpeed)
{
    struct Case {
        float speed, weight;
    };
    const Case cases[] = {
        {0, 8}, {1, 8}, {0.5f, 7}, {0.01f, 7}, {2, 4.5f}, {7, 2}, {14, 1.5f}, {inf, 1},
        {nan, 8}, // same position at the same time: a pen that did not move
    };
    for (const Case& c : cases) EXPECT_EQ(strokeWeight(c.speed), c.weight) << "speed " << c.speed;

    // Manhattan distance with 160 on both axes: 0.5 * 160 + 0.25 * 160 = 120 in 2 s.
    const auto moving = makeDrawing({{{0.25f, 0.25f, 1}, {0.75f, 0.5f, 3}}});
    EXPECT_FLOAT_EQ(segmentSpeed(moving->strokes[0], 0), 1.2f);
    const auto backwards = makeDrawing({{{0.75f, 0.5f, 3}, {0.25f, 0.25f, 1}}});
    EXPECT_FLOAT_EQ(segmentSpeed(backwards->strokes[0], 0), 1.2f);
    const auto repeated = makeDrawing({{{0.3f, 0.3f, 2}, {0.3f, 0.3f, 2}}});
    EXPECT_TRUE(std::isnan(segmentSpeed(repeated->strokes[0], 0)));
}

TEST_F(StrokeRendererTest, PenColoursArePackedRedGreenBlue)
{
    const auto line = makeDrawing({{{0.25f, 0.5f, 0}, {0.75f, 0.5f, 0}}});
    struct Case {
        std::uint32_t pen;
        Pixel expected;
    };
    const Case cases[] = {
        {0x00FFFF, makePixel(0, 255, 255)}, // cyan
        {0xFF00FF, makePixel(255, 0, 255)}, // magenta
        {0xFFFF00, makePixel(255, 255, 0)}, // yellow
        {0xFFFFFF, makePixel(255, 255, 255)},
        {0x123456, makePixel(0x12, 0x34, 0x56)},
        {0xAB00FF00, makePixel(0, 255, 0)}, // the top byte is not a colour
    };
    for (const Case& c : cases) {
        clearCanvas(makePixel(1, 2, 3));
        drawStrokes(line.get(), 0, 1, 1, c.pen, 0, 0, 1);
        EXPECT_EQ(countSet(c.expected), 80) << std::hex << c.pen; // x 40..119 on row 50
        EXPECT_EQ(at(40, 50), c.expected) << std::hex << c.pen;
    }
    clearCanvas(makePixel(1, 2, 3));
    drawStrokes(line.get(), 0, 1, 1, 0x000000, 0, 0, 1);
    EXPECT_EQ(countSet(makePixel(0, 0, 0)), 80); // black
}

TEST_F(StrokeRendererTest, ASegmentAppearsWholeWhenItsFirstPointIsDue)
{
    // Three points: the second segment starts at 1.5 s and ends at 4 s.
    const auto drawing = makeDrawing({{{0.0f, 0.2f, 0.5f}, {0.5f, 0.2f, 1.5f}, {0.5f, 0.8f, 4}}});
    struct Case {
        std::int32_t timeMs;
        int lit; // brush size 1: one pixel per point, repeats merged
    };
    const Case cases[] = {
        {0, 0}, {499, 0}, {500, 80}, {1499, 80},
        {1500, 80 + 60}, // the whole vertical segment, long before its end time
        {100000, 140},   {-5, 0},
    };
    for (const Case& c : cases) {
        clearCanvas(0);
        drawStrokes(drawing.get(), c.timeMs, 1, 1, 0xFFFFFF, 0, 0, 1);
        EXPECT_EQ(countLit(), c.lit) << "at " << c.timeMs << " ms";
    }
}

TEST_F(StrokeRendererTest, OffsetAndScalePlaceTheDrawing)
{
    // A still pen draws one pixel where its point lands.
    const auto dot = makeDrawing({{{0.25f, 0.5f, 0}, {0.25f, 0.5f, 1}}});
    struct Case {
        std::int32_t ox, oy;
        float scale;
        int x, y;
    };
    const Case cases[] = {{0, 0, 1, 40, 50}, {10, 5, 0.5f, 30, 30}, {-60, -30, 2, 20, 70}, {-60, 12, 2, 20, 112}, {100, -80, 2, 180, 20}};
    for (const Case& c : cases) {
        clearCanvas(0);
        drawStrokes(dot.get(), 0, 1, 1, 0xFFFFFF, c.ox, c.oy, c.scale);
        const bool inside = c.x >= 0 && c.x < canvasWidth && c.y >= 0 && c.y < canvasHeight;
        EXPECT_EQ(countLit(), inside ? 1 : 0) << c.ox << "," << c.oy << " x" << c.scale;
        if (inside) {
            EXPECT_EQ(at(c.x, c.y), makePixel(255, 255, 255));
        }
    }
    // Truncation toward zero: 0.999 * 160 = 159.84 lands on 159.
    const auto edge = makeDrawing({{{0.999f, 0.999f, 0}, {0.999f, 0.999f, 1}}});
    clearCanvas(0);
    drawStrokes(edge.get(), 0, 1, 1, 0xFFFFFF, 0, 0, 1);
    EXPECT_EQ(at(159, 99), makePixel(255, 255, 255));
}

TEST_F(StrokeRendererTest, StrokesTooShortOrAbsentDrawNothing)
{
    const auto empty = makeDrawing({{}, {{0.5f, 0.5f, 0}}});
    auto negative = makeDrawing({{{0.1f, 0.1f, 0}, {0.9f, 0.9f, 0}}});
    negative->strokeCount = -3;
    brushMemory = 4;
    const Drawing* const drawings[] = {nullptr, empty.get(), negative.get()};
    for (const Drawing* d : drawings) {
        drawStrokes(d, 100000, 1, 1, 0xFFFFFF, 0, 0, 1);
        EXPECT_EQ(countLit(), 0);
        EXPECT_EQ(brushMemory, 4);
    }
}

TEST_F(StrokeRendererTest, CountsBeyondTheRecordAreNotFollowed)
{
    auto drawing = makeDrawing({{{0.1f, 0.5f, 0}, {0.9f, 0.5f, 0}}});
    drawing->strokeCount = 1000;
    drawing->strokes[0].pointCount = 100000;
    drawing->strokes[1].pointCount = -7;
    drawStrokes(drawing.get(), 100000, 1, 1, 0xFFFFFF, 0, 0, 1);
    EXPECT_EQ(at(16, 50), makePixel(255, 255, 255)); // still drawn, and nothing read past the record
}

// Numbers a file can hold: huge, infinite, not a number. Nothing converts out of range, the
// memory stays a small integer, and the frame is not stalled by lines billions long.
TEST_F(StrokeRendererTest, WildNumbersStayFinite)
{
    const auto wild = makeDrawing({
        {{0.5f, 0.5f, 0}, {1e30f, 0.5f, 0.5f}, {-inf, inf, 1}, {nan, nan, 1}, {0.5f, 0.5f, nan}, {0.5f, 0.5f, inf}},
        {{0.3f, 0.3f, 2}, {0.3f, 0.3f, 2}, {0.3f, 0.3f, 2}},
        {{-3e9f, 0.1f, 0}, {3e9f, 0.1f, 0}},
    });
    for (int pass = 0; pass < 3; ++pass) {
        drawStrokes(wild.get(), 100000, 4, 6, 0xFFFFFF, 0, 0, 1);
        EXPECT_GE(brushMemory, 0);
        EXPECT_LE(brushMemory, 7);
    }
    drawStrokes(wild.get(), 100000, 4, 6, 0xFFFFFF, INT32_MAX, INT32_MIN, 1e30f);
    EXPECT_GE(brushMemory, 0);
    EXPECT_LE(brushMemory, 7);

    // A point at 1e30 saturates: the line still runs right from (80, 50) to the edge.
    setBrushSize(0);
    clearCanvas(0);
    const auto far = makeDrawing({{{0.5f, 0.5f, 0}, {1e30f, 0.5f, 0}}});
    drawStrokes(far.get(), 0, 1, 1, 0xFFFFFF, 0, 0, 1);
    EXPECT_EQ(countLit(), 80);
    EXPECT_EQ(at(80, 50), makePixel(255, 255, 255));
    EXPECT_EQ(at(159, 50), makePixel(255, 255, 255));

    // Repeated points at the same moment count as a still pen: weight 8.
    brushMemory = 0;
    const auto repeated = makeDrawing({{{0.3f, 0.3f, 2}, {0.3f, 0.3f, 2}}});
    drawStrokes(repeated.get(), 2000, 0, 4, 0xFFFFFF, 0, 0, 1);
    EXPECT_EQ(brushMemory, 2);
    EXPECT_EQ(brushSize, 8);
}

// drawLine walks only the steps whose footprint can reach the canvas. Against the plain DDA
// (every step plotted) the canvas must come out the same, line after line.
void plainLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Pixel colour)
{
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t n = std::max(std::abs(dx), std::abs(dy)) + 1;
    const std::int64_t sx = dx * 256 / n;
    const std::int64_t sy = dy * 256 / n;
    std::int64_t x = std::int64_t{x0} * 256;
    std::int64_t y = std::int64_t{y0} * 256;
    for (std::int64_t i = 0; i < n; ++i) {
        x += sx;
        y += sy;
        plotRoutine(static_cast<std::int32_t>(x >> 8), static_cast<std::int32_t>(y >> 8), colour);
    }
}

TEST(DrawLineBounds, SameCanvasAsThePlainDdaOverRandomLines)
{
    const CanvasView pixels = createCanvas();
    std::vector<Pixel> expected(canvasPixels);
    std::mt19937 random(1234);
    // Near the canvas, where drawings are, with every brush the scenes use; and out to far
    // outside it (short of the distance at which putPixel's 16-bit wrap comes into play) with
    // small brushes, since the plain loop walks every one of those points.
    struct Range {
        int lines, lo, hi, maxSize;
    };
    const Range ranges[] = {{6000, -300, 460, 24}, {300, -30000, 30000, 3}};
    int differing = 0;
    for (const Range& range : ranges) {
        std::uniform_int_distribution<int> coordinate(range.lo, range.hi);
        std::uniform_int_distribution<int> nearby(-100, 260);
        std::uniform_int_distribution<int> size(0, range.maxSize);
        for (int line = 0; line < range.lines; ++line) {
            const int x0 = coordinate(random), y0 = coordinate(random);
            const bool fromNearby = line % 2 == 0; // half the lines start close to the canvas
            const int x1 = fromNearby ? nearby(random) : coordinate(random);
            const int y1 = fromNearby ? nearby(random) : coordinate(random);
            setBrushSize(size(random));
            const Pixel colour = static_cast<Pixel>(line + 1);
            clearCanvas(0);
            plainLine(x0, y0, x1, y1, colour);
            std::copy(pixels.begin(), pixels.end(), expected.begin());
            clearCanvas(0);
            drawLine(x0, y0, x1, y1, colour);
            if (!std::equal(pixels.begin(), pixels.end(), expected.begin())) {
                ADD_FAILURE() << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ") size " << brushSize;
                if (++differing > 5) return;
            }
        }
    }
    setBrushSize(0);
}

TEST(DrawLineBounds, LinesAcrossTheWholeIntegerRangeDrawTheirVisiblePart)
{
    const CanvasView pixels = createCanvas();
    struct Case {
        std::int32_t x0, y0, x1, y1;
        int size;
        int lit;
    };
    const Case cases[] = {
        {INT32_MIN, 50, INT32_MAX, 50, 0, 160},
        {INT32_MAX, 50, INT32_MIN, 50, 1, 160},
        {80, INT32_MIN, 80, INT32_MAX, 0, 100},
        {INT32_MIN, 50, INT32_MAX, 50, 8, 160 * 7}, // brush rows 47..53
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 100},
        {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 12, 0},
    };
    for (const Case& c : cases) {
        clearCanvas(0);
        setBrushSize(c.size);
        drawLine(c.x0, c.y0, c.x1, c.y1, 7);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), Pixel{7}), c.lit)
            << "(" << c.x0 << "," << c.y0 << ")-(" << c.x1 << "," << c.y1 << ")";
    }
    setBrushSize(0);
}

} // namespace
} // namespace velq
