#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <tuple>
#include <utility>

#include "fx/fast_math.h"
#include "fx/texture_scenes.h"
#include "shell/assets.h"
#include "shell/main_loop.h"

namespace velq {
namespace {

using Frame = std::array<Pixel, canvasPixels>;

constexpr double f32(float v) { return v; }

// Every texel different: column in red, row in green, a mix in blue; alpha as given.
Image makeTexture(int width, int height, int alpha = 255)
{
    Image image;
    image.width = static_cast<std::uint16_t>(width);
    image.height = static_cast<std::uint16_t>(height);
    image.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u)
            image.pixels[v * width + u] =
                makePixel(u * 3 + 1, v * 3 + 2, (u * 7 + v * 11) & 255, alpha < 0 ? (u * 5 + v * 9) & 255 : alpha);
    return image;
}

Pixel texel(const Image& image, int u, int v) { return image.pixels[v * image.width + u]; }

Frame noiseFrame(unsigned seed)
{
    std::mt19937 random(seed);
    Frame f;
    for (Pixel& p : f) p = random();
    return f;
}

// The tunnel pixel by pixel, exactly as the algorithm reads, zero guard included.
Frame referenceTunnel(Frame f, float centreX, float centreY, const Image& texture, std::int32_t clock)
{
    const auto t = static_cast<float>(clock);
    const int w = texture.width, h = texture.height;
    float cy = centreY;
    for (int y = 0; y < canvasHeight; ++y) {
        double dy = y - static_cast<double>(cy);
        const auto dy2 = static_cast<float>(dy * dy);
        for (int x = 0; x < canvasWidth; ++x) {
            const double dx = x - static_cast<double>(centreX);
            const float d = fastSqrt(static_cast<float>(static_cast<float>(dx * dx) + dy2));
            const auto depth = static_cast<float>((200 / static_cast<double>(d)) * 80);
            if (dy == 0) {
                cy = static_cast<float>(cy + f32(0.1f));
                dy = y - static_cast<double>(cy);
            }
            const float angle = fastAtan(static_cast<float>(dx / dy));
            const auto a = static_cast<float>(angle / f32(6.2832f) - f32(0.0001f) * t);
            const int column = std::isinf(depth) ? 0 : static_cast<int>((depth - f32(0.1f) * t) * w * f32(0.004f)) & (w - 1);
            const int row = static_cast<int>(h * static_cast<double>(a) * 4) & (h - 1);
            Pixel& p = f[y * canvasWidth + x];
            p = blendPixel(texel(texture, column, row), p);
        }
    }
    return f;
}

// The warp pixel by pixel, both waves evaluated at every pixel.
Frame referenceWarp(Frame f, const Image& texture, std::int32_t clock)
{
    const auto t = static_cast<float>(clock);
    const auto halfW = static_cast<float>(texture.width * 0.5);
    const auto halfH = static_cast<float>(texture.height * 0.5);
    for (int y = 0; y < canvasHeight; ++y) {
        const double rowPhase = (y * f32(6.2832f)) * f32(0.012f);
        for (int x = 0; x < canvasWidth; ++x) {
            const float s = fastSin(static_cast<float>(t * f32(0.001f) + rowPhase));
            const int column = static_cast<int>(halfW + s * static_cast<double>(halfW) + x) & (texture.width - 1);
            const float c2 = fastCos(static_cast<float>((x * f32(6.2832f)) * f32(0.01f) + t * f32(0.0013f)));
            const int row = static_cast<int>(halfH + c2 * static_cast<double>(halfH) + y + x) & (texture.height - 1);
            f[y * canvasWidth + x] = texel(texture, column, row);
        }
    }
    return f;
}

TEST(Rotozoom, AngleZeroZoomOneShowsTheTextureShiftedToTheCentre)
{
    const Image texture = makeTexture(64, 64);
    const Frame before = noiseFrame(1);
    Frame frame = before;
    rotozoom(0, 1, 0, texture, frame);
    for (int y = 0; y < canvasHeight; ++y)
        for (int x = 0; x < canvasWidth; ++x) {
            const int i = y * canvasWidth + x;
            ASSERT_EQ(frame[i], blendPixel(texel(texture, (x - 48) & 63, (y - 18) & 63), before[i])) << x << ',' << y;
        }
    EXPECT_EQ(frame[0], blendPixel(texel(texture, 16, 46), before[0]));
}

TEST(Rotozoom, ZoomZeroPaintsOneTexel)
{
    const Image texture = makeTexture(64, 64, -1);
    for (auto [shift, u] : {std::pair{0.0f, 32}, {3.5f, 35}, {-40.0f, 56}}) {
        const Frame before = noiseFrame(2);
        Frame frame = before;
        rotozoom(1.3f, 0, shift, texture, frame);
        for (int i = 0; i < canvasPixels; ++i)
            ASSERT_EQ(frame[i], blendPixel(texel(texture, u, u), before[i])) << shift << ' ' << i;
    }
}

TEST(Rotozoom, NegativeZoomIsAHalfTurn)
{
    const Image texture = makeTexture(64, 64);
    Frame a{}, b{};
    rotozoom(0, -1, 0, texture, a);
    // Canvas point (80 + k, 50 + j) shows texture point (32 - k, 32 - j).
    EXPECT_EQ(a[50 * canvasWidth + 81], blendPixel(texel(texture, 31, 32), 0));
    EXPECT_EQ(a[52 * canvasWidth + 80], blendPixel(texel(texture, 32, 30), 0));
    rotozoom(static_cast<float>(std::numbers::pi), 1, 0, texture, b);
    EXPECT_EQ(a[50 * canvasWidth + 81], b[50 * canvasWidth + 81]);
}

TEST(Rotozoom, OtherTextureShapesStayInside)
{
    // Width and height keep their own roles: columns wrap at the width, rows at the height.
    for (auto [w, h] : {std::pair{16, 4}, {4, 16}, {5, 3}, {1, 1}, {160, 7}}) {
        const Image texture = makeTexture(w, h);
        const Frame before = noiseFrame(3);
        Frame frame = before;
        rotozoom(0, 1, 0, texture, frame);
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x) {
                const int i = y * canvasWidth + x;
                const int u = (w / 2 + x - 80) & (w - 1);
                const int v = (h / 2 + y - 50) & (h - 1);
                ASSERT_EQ(frame[i], blendPixel(texel(texture, u, v), before[i])) << w << 'x' << h << ' ' << x << ',' << y;
            }
        // Any angle and zoom: nothing read outside (checked by the sanitizers) and every pixel a blend.
        rotozoom(0.7f, 3.3f, -12.5f, texture, frame);
        rotozoom(2.0f, 1e9f, 1e30f, texture, frame);
    }
}

TEST(TextureLayers, AMissingTextureIsSkipped)
{
    Image empty;
    Image noPixels;
    noPixels.width = 64;
    noPixels.height = 64;
    Image zeroHeight = makeTexture(8, 8);
    zeroHeight.height = 0;
    for (const Image* texture : {&empty, &noPixels, &zeroHeight}) {
        const Frame before = noiseFrame(4);
        Frame frame = before;
        rotozoom(0.5f, 1, 0, *texture, frame);
        tunnel(200, 80, *texture, frame);
        warp(frame, 0, 0, 160, 100, *texture);
        EXPECT_EQ(frame, before);
    }
}

TEST(Tunnel, ListedPixel)
{
    const Image texture = makeTexture(64, 64);
    for (auto [clock, column, row] : {std::tuple{0, 22, 45}, {1000, 62, 19}}) {
        setEffectClock(clock);
        const Frame before = noiseFrame(5);
        Frame frame = before;
        tunnel(200, 80, texture, frame);
        EXPECT_EQ(frame[40], blendPixel(texel(texture, column, row), before[40])) << clock;
    }
    EXPECT_EQ(fastSqrt(160.0f * 160 + 80 * 80), 178.875f);
    EXPECT_FLOAT_EQ(static_cast<float>(200 / 178.875 * 80), 89.447937f);
}

TEST(Tunnel, ZeroGuardLowersTheCentreForTheRestOfTheLayer)
{
    const Image texture = makeTexture(64, 64, -1);
    setEffectClock(0);
    const Frame before = noiseFrame(6);
    Frame frame = before;
    tunnel(100, 80, texture, frame);
    EXPECT_EQ(frame, referenceTunnel(before, 100, 80, texture, 0));
    // The centre pixel: infinite depth gives column 0, and atan(-0) row 0.
    EXPECT_EQ(frame[80 * canvasWidth + 100], blendPixel(texel(texture, 0, 0), before[80 * canvasWidth + 100]));
    // Rows 81 to 99 as if the centre had been a tenth lower from the start.
    Frame lowered = before;
    tunnel(100, static_cast<float>(80.0f + f32(0.1f)), texture, lowered);
    EXPECT_TRUE(std::equal(frame.begin() + 81 * canvasWidth, frame.end(), lowered.begin() + 81 * canvasWidth));
    EXPECT_FALSE(std::equal(frame.begin(), frame.begin() + 80 * canvasWidth, lowered.begin()));
}

TEST(Tunnel, MatchesThePixelByPixelForm)
{
    const Image texture = makeTexture(64, 64, -1);
    const Image tall = makeTexture(32, 128, -1);
    struct Case {
        float x, y;
        std::int32_t clock;
    };
    constexpr Case cases[] = {{200, 80, 0}, {-40, 20, 123456}, {80, 50, 777}, {136.71875f, 54.6875f, 99999}, {0, 0, 5}};
    for (const Case& c : cases)
        for (const Image* t : {&texture, &tall}) {
            setEffectClock(c.clock);
            const Frame before = noiseFrame(7);
            Frame frame = before;
            tunnel(c.x, c.y, *t, frame);
            EXPECT_EQ(frame, referenceTunnel(before, c.x, c.y, *t, c.clock)) << c.x << ',' << c.y << ' ' << c.clock;
        }
}

TEST(Tunnel, HugeClocksStayDefined)
{
    const Image texture = makeTexture(64, 64);
    for (std::int32_t clock : {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::min()}) {
        setEffectClock(clock);
        Frame frame{};
        tunnel(80, 50, texture, frame);
        warp(frame, 0, 0, 160, 100, texture);
        for (Pixel p : frame)
            ASSERT_NE(std::find(texture.pixels.begin(), texture.pixels.end(), p), texture.pixels.end());
    }
}

TEST(Warp, ClockZeroClosedForm)
{
    const Image texture = makeTexture(64, 32, -1);
    setEffectClock(0);
    Frame frame = noiseFrame(8);
    warp(frame, -5, -5, 500, 500, texture);
    for (int y = 0; y < canvasHeight; ++y)
        for (int x = 0; x < canvasWidth; ++x) {
            const float s = fastSin(static_cast<float>((y * f32(6.2832f)) * f32(0.012f)));
            const float c = fastCos(static_cast<float>((x * f32(6.2832f)) * f32(0.01f)));
            const int column = static_cast<int>(32.0 + 32.0 * s + x) & 63;
            const int row = static_cast<int>(16.0 + 16.0 * c + x + y) & 31;
            ASSERT_EQ(frame[y * canvasWidth + x], texel(texture, column, row)) << x << ',' << y;
        }
}

TEST(Warp, MatchesThePixelByPixelFormAndKeepsToItsRectangle)
{
    const Image texture = makeTexture(128, 64, -1);
    for (std::int32_t clock : {1, 4321, 1234567}) {
        setEffectClock(clock);
        const Frame before = noiseFrame(9);
        Frame frame = before;
        warp(frame, 0, 0, 160, 100, texture);
        EXPECT_EQ(frame, referenceWarp(before, texture, clock)) << clock;

        frame = before;
        warp(frame, 30, 20, 70, 45, texture);
        const Frame full = referenceWarp(before, texture, clock);
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x) {
                const int i = y * canvasWidth + x;
                const bool inside = x >= 30 && x < 70 && y >= 20 && y < 45;
                ASSERT_EQ(frame[i], inside ? full[i] : before[i]) << x << ',' << y;
            }
    }
    const Frame before = noiseFrame(10);
    Frame frame = before;
    warp(frame, 10, 10, 10, 50, texture);
    warp(frame, 100, 0, 60, 100, texture);
    EXPECT_EQ(frame, before);
}

// The scene routines draw on the canvas with the pictures of the asset table; these tests lend
// them pictures of their own and put the table back afterwards.
class TextureScenesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = createCanvas();
        for (int slot : {firstDotsSlot, secondDotsSlot, darkeningSlot, tileSlot}) saved[slot] = std::move(imageTable[slot]);
        imageTable[firstDotsSlot] = makeTexture(64, 64, -1);
        imageTable[secondDotsSlot] = makeTexture(64, 64, 200);
        imageTable[darkeningSlot] = makeTexture(160, 100, 40);
        imageTable[tileSlot] = makeTexture(32, 32);
        savedCentre = tunnelCentre;
    }
    void TearDown() override
    {
        for (int slot : {firstDotsSlot, secondDotsSlot, darkeningSlot, tileSlot}) imageTable[slot] = std::move(saved[slot]);
        tunnelCentre = savedCentre;
    }
    Frame snapshot() const
    {
        Frame f;
        std::copy(view.begin(), view.end(), f.begin());
        return f;
    }
    CanvasView view = createCanvas();
    std::array<Image, imageSlots> saved;
    TunnelCentre savedCentre;
};

TEST_F(TextureScenesTest, TunnelCentreGlidesAQuarterOfTheWayEachFrame)
{
    tunnelCentre = {};
    constexpr std::array<std::pair<float, float>, 4> expected{{{50, 20}, {87.5f, 35}, {115.625f, 46.25f}, {136.71875f, 54.6875f}}};
    for (auto [x, y] : expected) {
        tunnelScene(0, 0);
        EXPECT_EQ(tunnelCentre.x, x);
        EXPECT_EQ(tunnelCentre.y, y);
    }
    // Each variant's target, and variants beyond 3 repeat them.
    constexpr std::array<std::pair<float, float>, 4> targets{{{200, 80}, {-40, 80}, {-40, 20}, {200, 20}}};
    for (int variant = 0; variant < 16; ++variant) {
        tunnelCentre = {};
        tunnelScene(0, variant);
        EXPECT_EQ(tunnelCentre.x, targets[variant % 4].first * 0.25f) << variant;
        EXPECT_EQ(tunnelCentre.y, targets[variant % 4].second * 0.25f) << variant;
    }
}

TEST_F(TextureScenesTest, TunnelSceneDrawsDarkeningThenTwoLayers)
{
    tunnelCentre = {4, 6};
    clearCanvas(makePixel(90, 90, 90, 255));
    Frame expected = snapshot();
    for (int i = 0; i < canvasPixels; ++i) expected[i] = blendPixel(imageTable[darkeningSlot].pixels[i], expected[i]);
    expected = referenceTunnel(expected, 53, 24.5f, imageTable[firstDotsSlot], 1000);
    expected = referenceTunnel(expected, 53, 24.5f, imageTable[secondDotsSlot], 2200);

    setEffectClock(-1);
    tunnelScene(1000, 0);
    EXPECT_EQ(effectClock, 2200);
    EXPECT_EQ(snapshot(), expected);

    for (auto [frameTime, clock] : {std::pair{5, 1006}, {0, 1000}, {std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()}}) {
        tunnelScene(frameTime, 1);
        EXPECT_EQ(effectClock, clock) << frameTime;
    }
}

TEST_F(TextureScenesTest, ScenesDrawTheRestWhenATextureIsMissing)
{
    tunnelCentre = {};
    imageTable[firstDotsSlot] = Image{};
    clearCanvas(makePixel(90, 90, 90, 255));
    Frame expected = snapshot();
    for (int i = 0; i < canvasPixels; ++i) expected[i] = blendPixel(imageTable[darkeningSlot].pixels[i], expected[i]);
    expected = referenceTunnel(expected, 50, 20, imageTable[secondDotsSlot], 1600);
    tunnelScene(500, 0);
    EXPECT_EQ(snapshot(), expected);

    imageTable[tileSlot] = Image{};
    const Frame before = snapshot();
    warpScene(77);
    EXPECT_EQ(effectClock, 77);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(TextureScenesTest, RotozoomSceneAtTimeZeroPaintsTheCentreTexels)
{
    for (auto [elapsed, u] : {std::pair{0, 32}, {5000, 37}, {2500, 34}}) {
        clearCanvas(makePixel(10, 200, 30, 255));
        Frame expected = snapshot();
        for (int i = 0; i < canvasPixels; ++i) {
            Pixel p = blendPixel(imageTable[darkeningSlot].pixels[i], expected[i]);
            p = blendPixel(texel(imageTable[firstDotsSlot], u, u), p);
            expected[i] = blendPixel(texel(imageTable[secondDotsSlot], u, u), p);
        }
        rotozoomScene(0, elapsed);
        EXPECT_EQ(snapshot(), expected) << elapsed;
    }
}

TEST_F(TextureScenesTest, RotozoomSceneLayersFollowTheClock)
{
    clearCanvas(0);
    Frame expected = snapshot();
    for (int i = 0; i < canvasPixels; ++i) expected[i] = blendPixel(imageTable[darkeningSlot].pixels[i], expected[i]);
    const float t = 12345;
    const auto zoom1 = static_cast<float>(2 * static_cast<double>(static_cast<float>(std::sin(t * f32(0.0004f)))));
    const auto zoom2 = static_cast<float>(2 * static_cast<double>(static_cast<float>(std::sin(t * f32(0.0005f)))));
    const auto shift = static_cast<float>(678 * f32(0.001f));
    rotozoom(static_cast<float>(t * f32(0.002f)), zoom1, shift, imageTable[firstDotsSlot], expected);
    rotozoom(static_cast<float>(t * f32(0.0035f)), zoom2, shift, imageTable[secondDotsSlot], expected);
    rotozoomScene(12345, 678);
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(TextureScenesTest, WarpSceneSetsTheClockAndCoversTheCanvas)
{
    clearCanvas(0);
    warpScene(4321);
    EXPECT_EQ(effectClock, 4321);
    EXPECT_EQ(snapshot(), referenceWarp(Frame{}, imageTable[tileSlot], 4321));
}

} // namespace
} // namespace velq
