#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "fx/bar_wipe.h"

namespace velq {
namespace {

constexpr Pixel background = makePixel(1, 2, 3, 4);

class BarWipeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = createCanvas();
        clearCanvas(background);
        savedCount = barCount;
    }
    void TearDown() override { barCount = savedCount; }
    Pixel at(int x, int y) const { return view[y * canvasWidth + x]; }
    // Every pixel against the expected picture: bars 0..complete-1 at full height, bar
    // `growing` with `height` rows, the rest untouched.
    void expectBars(int complete, int growing, int height) const
    {
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x) {
                const int bar = x / barWidth;
                Pixel expected = background;
                if (bar < complete || (bar == growing && y < height)) expected = barColours[bar];
                ASSERT_EQ(at(x, y), expected) << x << ',' << y;
            }
    }
    CanvasView view = createCanvas();
    std::int32_t savedCount = 0;
};

TEST_F(BarWipeTest, ColoursAreRedYellowGreenCyanBlueMagentaRedYellow)
{
    constexpr std::array<Pixel, 8> expected{
        makePixel(255, 0, 0), makePixel(255, 255, 0), makePixel(0, 255, 0), makePixel(0, 255, 255),
        makePixel(0, 0, 255), makePixel(255, 0, 255), makePixel(255, 0, 0), makePixel(255, 255, 0),
    };
    EXPECT_EQ(barColours, expected);
}

TEST_F(BarWipeTest, ListedFrames)
{
    struct Case {
        std::int32_t countBefore, elapsed, reset, advance;
        std::int32_t countAfter, height;
    };
    constexpr Case cases[] = {
        {5, 0, 1, 0, 0, 0},       // just switched, command now: nothing drawn yet
        {5, 150, 1, 0, 0, 100},   // last command long ago: bar 0 at once at full height
        {0, 50, 0, 0, 0, 50},     // bar 0 half grown
        {2, 250, 0, 1, 3, 100},   // bar 3 limited to the canvas height
        {2, 30, 1, 1, 0, 30},     // reset wins over advance
        {7, 99, 0, 1, 8, 99},     // all eight complete, bar 8 lies off the canvas
        {8, 10, 0, 1, 9, 10},
        {1000, 10, 0, 0, 1000, 10},
    };
    for (const Case& c : cases) {
        clearCanvas(background);
        barCount = c.countBefore;
        barsScene(c.elapsed, c.reset, c.advance);
        EXPECT_EQ(barCount, c.countAfter);
        SCOPED_TRACE(c.countBefore);
        expectBars(c.countAfter, c.countAfter, c.height);
    }
}

TEST_F(BarWipeTest, BarsWipeOverEarlierFramesOneCommandAtATime)
{
    barsScene(100, 1, 0);
    for (int k = 1; k < 8; ++k) {
        barsScene(0, 0, 1);
        EXPECT_EQ(barCount, k);
        expectBars(k, k, 0);
        barsScene(40, 0, 0);
        expectBars(k, k, 40);
    }
    barsScene(100, 0, 0);
    expectBars(8, 8, 0);
    EXPECT_TRUE(std::none_of(view.begin(), view.end(), [](Pixel p) { return p == background; }));
}

} // namespace
} // namespace velq
