#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "display/canvas.h"
#include "gml/drawing_scene.h"
#include "gml/stroke_renderer.h"
#include "shell/assets.h"

namespace velq {
namespace {

struct StrokesCall {
    const Drawing* drawing;
    std::int32_t timeMs;
    float brushFrom, brushTo;
    std::uint32_t color;
    std::int32_t offsetX, offsetY;
    float scale;
};
struct ImageCall {
    const Image* image;
    std::int32_t x, y;
};

std::vector<StrokesCall> strokesCalls;
std::vector<ImageCall> imageCalls;

void recordStrokes(const Drawing* drawing, std::int32_t timeMs, float brushFrom, float brushTo, std::uint32_t color,
                   std::int32_t offsetX, std::int32_t offsetY, float scale)
{
    strokesCalls.push_back({drawing, timeMs, brushFrom, brushTo, color, offsetX, offsetY, scale});
}
void recordImage(const Image& image, std::int32_t x, std::int32_t y)
{
    imageCalls.push_back({&image, x, y});
}
constexpr SceneOutput recorder{recordStrokes, recordImage};

class DrawingSceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        colorCycle = 0;
        strokesCalls.clear();
        imageCalls.clear();
        // Logos of different widths, so the position shows which one was taken.
        imageTable[9].width = 20;
        imageTable[10].width = 31;
        imageTable[11].width = 7;
    }
    void TearDown() override
    {
        for (int slot : {9, 10, 11}) freeImage(imageTable[slot]);
        colorCycle = 0;
    }
    void scene(std::int32_t elapsedMs, std::int32_t index)
    {
        strokesCalls.clear();
        imageCalls.clear();
        drawingScene(elapsedMs, index, recorder);
    }
};

constexpr std::uint32_t cycle = 0xFFFFFFFF; // stands for the cycle colour in the table below
constexpr std::uint32_t cycleColours[] = {0x00FFFF, 0xFF00FF, 0xFFFF00};

struct PassRow {
    std::uint32_t color;
    float from, to;
};
struct Offset {
    int x, y;
};
struct SceneRowCase {
    int timeFactor;
    std::vector<PassRow> passes;
    Offset at1000, at2500; // the drawing's origin 1000 and 2500 ms into the scene
    float scale;
    bool logo;
};

TEST_F(DrawingSceneTest, EveryRowOfTheTable)
{
    const std::vector<PassRow> outlinedCycling{{0x000000, 4, 6}, {cycle, 2, 4}};
    const std::vector<PassRow> outlinedYellow{{0x000000, 4, 6}, {0xFFFF00, 2, 4}};
    const std::vector<PassRow> fineCyan{{0x000000, 2, 4}, {0x00FFFF, 1, 2}};
    const std::vector<PassRow> blackUnderWhite{{0x000000, 1, 8}, {0xFFFFFF, 1, 2.5f}};
    const std::vector<PassRow> doubleOutline{{0xFFFFFF, 6, 8}, {0x000000, 4, 6}, {cycle, 2, 3}};
    const std::vector<PassRow> magenta{{0x000000, 4, 6}, {0xFF00FF, 2, 3}};
    const SceneRowCase rows[sceneDrawings] = {
        {8, outlinedCycling, {0, 20}, {0, 20}, 1, false},        // 0
        {8, outlinedCycling, {0, 20}, {0, 20}, 1, false},        // 1
        {8, outlinedYellow, {10, 20}, {10, 20}, 1, false},       // 2
        {16, fineCyan, {0, 20}, {0, 20}, 1, false},              // 3
        {8, outlinedYellow, {10, 20}, {10, 20}, 1, false},       // 4
        {16, fineCyan, {0, 20}, {0, 20}, 1, false},              // 5
        {16, fineCyan, {0, 20}, {0, 20}, 1, false},              // 6
        {4, blackUnderWhite, {-40, 12}, {-190, 12}, 2, true},    // 7
        {5, blackUnderWhite, {-40, 12}, {-190, 12}, 2, true},    // 8
        {6, blackUnderWhite, {-40, 12}, {-190, 12}, 2, true},    // 9
        {8, doubleOutline, {0, 0}, {0, 0}, 1, false},            // 10
        {8, doubleOutline, {0, 0}, {0, 0}, 1, false},            // 11
        {8, magenta, {0, 100 - 62}, {0, 100 - 156}, 1, false},   // 12
        {8, magenta, {0, 100 - 62}, {0, 100 - 156}, 1, false},   // 13
        {8, magenta, {0, 100 - 62}, {0, 100 - 156}, 1, false},   // 14
        {8, doubleOutline, {0, 0}, {0, 0}, 1, false},            // 15
        {8, doubleOutline, {0, 0}, {0, 0}, 1, false},            // 16
    };
    struct Moment {
        std::int32_t elapsedMs, cycle;
        Offset SceneRowCase::*offset;
    };
    const Moment moments[] = {{1000, 1, &SceneRowCase::at1000}, {2500, 2, &SceneRowCase::at2500}};
    for (int index = 0; index < sceneDrawings; ++index) {
        const SceneRowCase& row = rows[index];
        for (const Moment& moment : moments) {
            colorCycle = moment.cycle;
            scene(moment.elapsedMs, index);
            SCOPED_TRACE(testing::Message() << "index " << index << " at " << moment.elapsedMs << " ms");
            ASSERT_EQ(strokesCalls.size(), row.passes.size());
            for (std::size_t p = 0; p < row.passes.size(); ++p) {
                const StrokesCall& call = strokesCalls[p];
                const PassRow& pass = row.passes[p];
                EXPECT_EQ(call.drawing, &drawingTable[index]);
                EXPECT_EQ(call.timeMs, row.timeFactor * moment.elapsedMs);
                EXPECT_EQ(call.color, pass.color == cycle ? cycleColours[moment.cycle] : pass.color) << "pass " << p;
                EXPECT_EQ(call.brushFrom, pass.from) << "pass " << p;
                EXPECT_EQ(call.brushTo, pass.to) << "pass " << p;
                EXPECT_EQ(call.offsetX, (row.*moment.offset).x);
                EXPECT_EQ(call.offsetY, (row.*moment.offset).y);
                EXPECT_EQ(call.scale, row.scale);
            }
            if (row.logo) {
                ASSERT_EQ(imageCalls.size(), 1u);
                const Image& logo = imageTable[2 + index];
                EXPECT_EQ(imageCalls[0].image, &logo);
                EXPECT_EQ(imageCalls[0].x, 156 - logo.width);
                EXPECT_EQ(imageCalls[0].y, 80);
            } else {
                EXPECT_TRUE(imageCalls.empty());
            }
        }
    }
}

TEST_F(DrawingSceneTest, ColourCycleMovesOnAtElapsedZero)
{
    struct Case {
        std::int32_t before, elapsedMs, index, after;
    };
    const Case cases[] = {
        {0, 0, 0, 1}, {1, 0, 10, 2}, {2, 0, 0, 0}, // wraps from 2 to 0
        {0, 0, 20, 1},                             // moves on even when nothing is drawn
        {0, 0, -1, 1},  {1, 1, 0, 1},  {2, 5000, 16, 2}, {2, -1, 3, 2},
        {7, 5, 3, 0}, // whatever it held, it is 0..2 after a call
    };
    for (const Case& c : cases) {
        colorCycle = c.before;
        scene(c.elapsedMs, c.index);
        EXPECT_EQ(colorCycle, c.after) << c.before << " at " << c.elapsedMs << " ms, index " << c.index;
    }
    colorCycle = 0;
    for (int k = 0; k < 3; ++k) scene(0, 0);
    EXPECT_EQ(colorCycle, 0);

    // The pass drawn at elapsed 0 already takes the new colour.
    colorCycle = 0;
    scene(0, 10);
    ASSERT_EQ(strokesCalls.size(), 3u);
    EXPECT_EQ(strokesCalls[2].color, 0xFF00FFu);
}

TEST_F(DrawingSceneTest, IndicesOutsideTheTableDrawNothing)
{
    for (std::int32_t index : {17, 20, -1, INT32_MIN, INT32_MAX}) {
        scene(100, index);
        EXPECT_TRUE(strokesCalls.empty()) << index;
        EXPECT_TRUE(imageCalls.empty()) << index;
    }
}

TEST_F(DrawingSceneTest, MomentsThatMatter)
{
    scene(3099, 7);
    EXPECT_EQ(imageCalls.size(), 1u);
    scene(3100, 7);
    EXPECT_TRUE(imageCalls.empty());
    EXPECT_EQ(strokesCalls.size(), 2u); // the drawing goes on without its logo

    scene(600, 7);
    EXPECT_EQ(strokesCalls[0].offsetX, 0);
    scene(3100, 9);
    EXPECT_EQ(strokesCalls[0].offsetX, 60 - 310);
    EXPECT_EQ(strokesCalls[0].timeMs, 6 * 3100);

    scene(1600, 12);
    EXPECT_EQ(strokesCalls[0].offsetY, 0);
    scene(1617, 13);
    EXPECT_EQ(strokesCalls[0].offsetY, -1);

    scene(62, 3);
    EXPECT_EQ(strokesCalls[0].timeMs, 992);

    // Before the scene's start (a clock that went back): divisions truncate toward zero.
    scene(-15, 7);
    EXPECT_EQ(strokesCalls[0].offsetX, 61);
    EXPECT_EQ(imageCalls.size(), 1u);
}

TEST_F(DrawingSceneTest, MissingDrawingStillShowsItsLogo)
{
    imageTable[10].width = 4;
    imageTable[10].height = 2;
    imageTable[10].pixels.assign(8, makePixel(255, 0, 0, 255));
    const CanvasView pixels = createCanvas();
    clearCanvas(0);
    drawingScene(1000, 8); // drawing slot 8 holds no strokes
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), makePixel(254, 0, 0)), 8);
    EXPECT_EQ(pixels[80 * canvasWidth + 152], makePixel(254, 0, 0));
}

// The real renderer behind the table: index 3's fine cyan over its black outline.
TEST_F(DrawingSceneTest, DrawsThroughTheStrokeRenderer)
{
    Drawing& drawing = drawingTable[3];
    drawing.strokeCount = 1;
    drawing.strokes[0].pointCount = 2;
    drawing.strokes[0].points[0] = {0.25f, 0.25f, 0};
    drawing.strokes[0].points[1] = {0.75f, 0.25f, 0};
    drawing.strokes[0].times[0] = 0.5f;
    drawing.strokes[0].times[1] = 10;
    const CanvasView pixels = createCanvas();
    brushMemory = 0;

    clearCanvas(makePixel(9, 9, 9));
    drawingScene(31, 3); // 496 ms of the recording: not due yet
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), makePixel(9, 9, 9)), canvasPixels);

    drawingScene(32, 3); // 512 ms
    const Pixel cyan = makePixel(0, 255, 255);
    // Row 45 (y = 25 + 20): cyan core from x 40 on; the outline is black around it.
    EXPECT_EQ(pixels[45 * canvasWidth + 40], cyan);
    EXPECT_EQ(pixels[45 * canvasWidth + 119], cyan);
    EXPECT_GT(std::count(pixels.begin(), pixels.end(), makePixel(0, 0, 0)), 0);

    drawing.strokeCount = 0;
    drawing.strokes[0].pointCount = 0;
    brushMemory = 0;
    setBrushSize(0);
}

} // namespace
} // namespace velq
