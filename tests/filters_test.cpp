#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>
#include <vector>

#include "fx/filters.h"

namespace velq {
namespace {

using Frame = std::array<Pixel, canvasPixels>;

Pixel& at(Frame& f, int x, int y) { return f[y * canvasWidth + x]; }

Frame randomFrame(std::mt19937& random)
{
    Frame f;
    for (Pixel& p : f) p = random();
    return f;
}

// The blur summed afresh for every pixel, each pass into a scratch line copied back when the
// line is done: the behaviour the sliding window must reproduce byte for byte.
void referenceBlur(Frame& f, int left, int top, int right, int bottom, int radius)
{
    if (radius == 0) return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, canvasWidth);
    bottom = std::min(bottom, canvasHeight);
    if (left >= right || top >= bottom) return;
    auto pass = [&](int lineCount, int length, auto pixelAt) {
        std::vector<Pixel> scratch(length);
        for (int line = 0; line < lineCount; ++line) {
            for (int i = 0; i < length; ++i) {
                int r = 0, g = 0, b = 0, n = 0;
                for (int k = i - radius; k <= i + radius; ++k) {
                    if (k < 0 || k >= length) continue;
                    const Pixel p = pixelAt(line, k);
                    r += pixelRed(p);
                    g += pixelGreen(p);
                    b += pixelBlue(p);
                    ++n;
                }
                scratch[i] = makePixel(r / n, g / n, b / n, pixelAlpha(pixelAt(line, i)));
            }
            for (int i = 0; i < length; ++i) pixelAt(line, i) = scratch[i];
        }
    };
    pass(bottom - top, right - left, [&](int y, int x) -> Pixel& { return at(f, left + x, top + y); });
    pass(right - left, bottom - top, [&](int x, int y) -> Pixel& { return at(f, left + x, top + y); });
}

class FiltersTest : public ::testing::Test {
protected:
    Frame frame{};
    CanvasView view{frame};
};

TEST_F(FiltersTest, RectanglesAreClampedToTheCanvasAndTo16Bits)
{
    struct Case {
        int left, top, right, bottom;
        bool changes;
    };
    const Case cases[] = {
        {-10, -10, 500, 500, true},
        {100, 0, 60, 100, false},
        {0, 100, 160, 120, false},
        {10, 10, 10, 50, false},
        // Only the low 16 bits count: 65536 + 5 is 5, and 65536 - 1 is -1.
        {65536 + 5, 0, 65536 + 6, 1, true},
        {0, 0, 65535, 100, false},
    };
    for (const Case& c : cases) {
        frame.fill(makePixel(100, 100, 100, 7));
        applyLevels(view, c.left, c.top, c.right, c.bottom, 0, 1);
        const auto changed = std::count_if(frame.begin(), frame.end(), [](Pixel p) { return p != makePixel(100, 100, 100, 7); });
        EXPECT_EQ(changed != 0, c.changes) << c.left << ',' << c.top << ',' << c.right << ',' << c.bottom;
        if (c.left == -10) {
            EXPECT_EQ(changed, canvasPixels);
        }
        if (c.left == 65536 + 5) {
            EXPECT_EQ(changed, 1);
            EXPECT_EQ(at(frame, 5, 0), makePixel(255, 255, 255, 7));
        }
    }
}

TEST_F(FiltersTest, BlurListedCases)
{
    std::mt19937 random(3);
    frame = randomFrame(random);
    const Frame before = frame;
    boxBlur(view, 0, 0, 160, 100, 0);
    EXPECT_EQ(frame, before);
    boxBlur(view, 0, 0, 160, 100, 256); // only the low 8 bits count: radius 0
    EXPECT_EQ(frame, before);

    // One row of three pixels: the edges average two samples; the row is one pixel high, so
    // the vertical pass leaves it alone. Neighbours outside the rectangle are not sampled.
    frame.fill(makePixel(255, 255, 255, 9));
    at(frame, 10, 5) = makePixel(0, 1, 2, 1);
    at(frame, 11, 5) = makePixel(0, 2, 4, 2);
    at(frame, 12, 5) = makePixel(255, 3, 6, 3);
    boxBlur(view, 10, 5, 13, 6, 1);
    EXPECT_EQ(at(frame, 10, 5), makePixel(0, 1, 3, 1));
    EXPECT_EQ(at(frame, 11, 5), makePixel(85, 2, 4, 2));
    EXPECT_EQ(at(frame, 12, 5), makePixel(127, 2, 5, 3));
    EXPECT_EQ(at(frame, 9, 5), makePixel(255, 255, 255, 9));
    EXPECT_EQ(at(frame, 13, 5), makePixel(255, 255, 255, 9));

    // A radius of at least the width minus one gives every pixel the row's truncated mean.
    for (int x = 0; x < 7; ++x) at(frame, x, 0) = makePixel(x * 30, 255 - x, x, 0);
    boxBlur(view, 0, 0, 7, 1, 6);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(at(frame, x, 0), makePixel(630 / 7, 1764 / 7, 21 / 7, 0));

    // A column one pixel wide: only the vertical pass acts.
    for (int y = 0; y < 100; ++y) at(frame, 50, y) = makePixel(y * 2, 0, 0, 255);
    Frame expected = frame;
    referenceBlur(expected, 50, 0, 51, 100, 2);
    boxBlur(view, 50, 0, 51, 100, 2);
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(at(frame, 50, 0), makePixel(2, 0, 0, 255)); // (0 + 2 + 4) / 3

    // A uniform area stays uniform, alpha bytes untouched.
    frame.fill(makePixel(17, 99, 201, 44));
    boxBlur(view, -5, -5, 200, 200, 16);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](Pixel p) { return p == makePixel(17, 99, 201, 44); }));
}

TEST_F(FiltersTest, SlidingWindowMatchesSummingAfresh)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> xs(-20, 180), ys(-20, 120);
    for (int radius = 0; radius <= 63; ++radius) {
        for (int trial = 0; trial < 3; ++trial) {
            int left = 0, top = 0, right = 160, bottom = 100;
            if (trial > 0) {
                left = xs(random), right = xs(random), top = ys(random), bottom = ys(random);
                if (left > right) std::swap(left, right);
                if (top > bottom) std::swap(top, bottom);
            }
            frame = randomFrame(random);
            Frame expected = frame;
            referenceBlur(expected, left, top, right, bottom, radius);
            boxBlur(view, left, top, right, bottom, radius);
            ASSERT_EQ(frame, expected) << "radius " << radius << " rect " << left << ',' << top << ','
                                       << right << ',' << bottom;
        }
    }
    // Radii beyond 63 (never used by the show) still give the plain result.
    for (int radius : {100, 159, 255}) {
        frame = randomFrame(random);
        Frame expected = frame;
        referenceBlur(expected, 0, 0, 160, 100, radius);
        boxBlur(view, 0, 0, 160, 100, radius);
        ASSERT_EQ(frame, expected) << radius;
    }
}

TEST_F(FiltersTest, NoiseDrawsOneNumberPerPixel)
{
    struct Case {
        int amplitude, lowest, highest;
    };
    constexpr Case cases[] = {{1, 0, 0}, {2, -1, 0}, {240, -120, 119}};
    std::mt19937 random(5);
    for (const Case& c : cases) {
        frame = randomFrame(random);
        // Channels near both ends show the clamping.
        at(frame, 0, 0) = makePixel(250, 250, 250, 3);
        at(frame, 1, 0) = makePixel(0, 0, 0, 3);
        const Frame before = frame;
        std::srand(1234);
        addNoise(view, -3, -3, 170, 110, c.amplitude);
        const int next = std::rand();

        std::srand(1234);
        int lowest = 1000, highest = -1000;
        for (int i = 0; i < canvasPixels; ++i) {
            const int o = std::rand() % c.amplitude - c.amplitude / 2;
            lowest = std::min(lowest, o);
            highest = std::max(highest, o);
            const Pixel p = before[i];
            const auto ch = [o](int v) { return std::clamp(v + o, 0, 255); };
            ASSERT_EQ(frame[i], makePixel(ch(pixelRed(p)), ch(pixelGreen(p)), ch(pixelBlue(p)), pixelAlpha(p)))
                << "amplitude " << c.amplitude << " pixel " << i;
        }
        EXPECT_EQ(std::rand(), next) << "one draw per pixel";
        EXPECT_EQ(lowest, c.lowest);
        EXPECT_EQ(highest, c.highest);
        if (c.amplitude == 1) {
            EXPECT_EQ(frame, before);
        }
    }

    // Amplitude 0 draws nothing and changes nothing.
    const Frame before = frame;
    std::srand(77);
    addNoise(view, 0, 0, 160, 100, 0);
    const int next = std::rand();
    std::srand(77);
    EXPECT_EQ(std::rand(), next);
    EXPECT_EQ(frame, before);
}

TEST_F(FiltersTest, LevelsScaleThenSubtractTheLowerBound)
{
    struct Case {
        int low, high;
        std::vector<std::pair<int, int>> mapping; // channel before, after
    };
    const Case cases[] = {
        {120, 240, {{0, 0}, {56, 0}, {57, 1}, {100, 93}, {128, 153}, {175, 253}, {176, 255}, {255, 255}}},
        {0, 255, {{0, 0}, {1, 1}, {128, 128}, {254, 254}, {255, 255}}},
        {-64, -1, {{0, 64}, {1, 68}, {47, 254}, {48, 255}, {255, 255}}},
        {0, 1, {{0, 0}, {1, 255}, {255, 255}}},
        {0, -1, {{0, 0}, {1, 0}, {255, 0}}},
        {5, 5, {{0, 0}, {1, 0}, {255, 0}}},
        {100, 50, {{0, 0}, {255, 0}}},
        {-300, 200, {{0, 255}, {255, 255}}},
    };
    for (const Case& c : cases) {
        for (auto [in, out] : c.mapping) {
            frame.fill(makePixel(in, in, 255 - in, 12));
            applyLevels(view, 0, 0, 160, 100, c.low, c.high);
            int outBlue = -1;
            for (auto [in2, out2] : c.mapping)
                if (in2 == 255 - in) outBlue = out2;
            for (Pixel p : {frame[0], frame[canvasPixels - 1]}) {
                EXPECT_EQ(pixelRed(p), out) << c.low << ',' << c.high << " channel " << in;
                EXPECT_EQ(pixelGreen(p), out);
                if (outBlue >= 0) {
                    EXPECT_EQ(pixelBlue(p), outBlue);
                }
                EXPECT_EQ(pixelAlpha(p), 12);
            }
        }
    }
    // Every channel value against the formula, for a range of bounds.
    for (int low = -70; low <= 250; low += 37)
        for (int high = -40; high <= 260; high += 29) {
            if (low == high) continue;
            for (int b = 0; b < 256; ++b) frame[b] = makePixel(b, b, b, 0);
            applyLevels(view, 0, 0, 160, 2, low, high);
            const auto scale = static_cast<float>(256.0 / (high - low));
            for (int b = 0; b < 256; ++b) {
                const int v = std::clamp(static_cast<int>(b * static_cast<double>(scale) - low), 0, 255);
                ASSERT_EQ(pixelRed(frame[b]), v) << low << ',' << high << ',' << b;
            }
        }
}

} // namespace
} // namespace velq
