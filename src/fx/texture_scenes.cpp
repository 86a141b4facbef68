#include "fx/texture_scenes.h"

#include <array>
#include <cmath>

#include "fx/fast_math.h"
#include "shell/assets.h"
#include "shell/main_loop.h"

namespace velq {

TunnelCentre tunnelCentre;

namespace {

// Targets of the tunnel's vanishing point, both columns beyond the canvas edges.
struct Target {
    float x, y;
};
constexpr std::array<Target, 4> tunnelTargets{{{200, 80}, {-40, 80}, {-40, 20}, {200, 20}}};

// Single-precision constants used in double-precision arithmetic, as the scenes were tuned.
constexpr double f32(float v) { return v; }
constexpr double fullTurn = f32(6.2832f);

// A texture that did not load, or whose pixels fell short of its size, is not read.
bool usable(const Image& texture)
{
    return texture.width != 0 && texture.height != 0 &&
           texture.pixels.size() >= static_cast<std::size_t>(texture.width) * texture.height;
}

CanvasView canvasView() { return CanvasView(canvas, canvasPixels); }

// Texture addressing shared by the three layers: a coordinate truncated to an integer is ANDed
// with the side minus one, so textures tile and negative coordinates wrap (-1 is the last texel).
class TextureSampler {
public:
    explicit TextureSampler(const Image& texture)
        : texels_(texture.pixels.data()), width_(texture.width), maskU_(texture.width - 1u),
          maskV_(texture.height - 1u)
    {
    }
    Pixel at(std::int32_t u, std::int32_t v) const
    {
        return texels_[(static_cast<std::uint32_t>(v) & maskV_) * width_ + (static_cast<std::uint32_t>(u) & maskU_)];
    }

private:
    const Pixel* texels_;
    std::uint32_t width_, maskU_, maskV_;
};

std::int32_t clampCoordinate(std::int32_t v, std::int32_t limit)
{
    const std::int32_t c = static_cast<std::int16_t>(v);
    return c < 0 ? 0 : (c > limit ? limit : c);
}

} // namespace

void rotozoom(float angle, float zoom, float shift, const Image& texture, CanvasView pixels)
{
    if (!usable(texture)) return;
    const TextureSampler texels(texture);
    const std::int32_t w = texture.width;
    const std::int32_t h = texture.height;

    const auto cz = static_cast<float>(static_cast<double>(zoom) * fastCos(angle));
    const auto sz = static_cast<float>(static_cast<double>(zoom) * fastSin(angle));
    // Texture coordinates of the top-left pixel, so that canvas point (80, 50) maps to the
    // texture's centre plus shift. Stepped in single precision: two additions per pixel.
    auto rowU = static_cast<float>(w / 2 - 80.0 * cz + 50.0 * sz + shift);
    auto rowV = static_cast<float>(h / 2 - 50.0 * cz - 80.0 * sz + shift);
    Pixel* out = pixels.data();
    for (std::int32_t y = 0; y < canvasHeight; ++y) {
        float u = rowU;
        float v = rowV;
        for (std::int32_t x = 0; x < canvasWidth; ++x, ++out) {
            *out = blendPixel(texels.at(truncateToInt(u), truncateToInt(v)), *out);
            u += cz;
            v += sz;
        }
        rowU -= sz;
        rowV += cz;
    }
}

void tunnel(float centreX, float centreY, const Image& texture, CanvasView pixels)
{
    if (!usable(texture)) return;
    const TextureSampler texels(texture);
    const std::int32_t w = texture.width;
    const std::int32_t h = texture.height;
    const auto t = static_cast<float>(effectClock);
    const double depthScroll = f32(0.1f) * t;
    const double turnScroll = f32(0.0001f) * t;

    // Per pixel: d = fastSqrt(dx^2 + dy^2), depth = 200 / d * 80, angle = fastAtan(dx / dy);
    // column from the depth, row from the angle, both scrolled by the clock. The column terms
    // dx and dx^2 are the same on every row, so they are worked out once.
    std::array<double, canvasWidth> dxs;
    std::array<float, canvasWidth> dx2s;
    for (std::int32_t x = 0; x < canvasWidth; ++x) {
        dxs[x] = x - static_cast<double>(centreX);
        dx2s[x] = static_cast<float>(dxs[x] * dxs[x]);
    }

    float cy = centreY;
    Pixel* out = pixels.data();
    for (std::int32_t y = 0; y < canvasHeight; ++y) {
        double dy = y - static_cast<double>(cy);
        const auto dy2 = static_cast<float>(dy * dy);
        // A row through the vanishing point would divide by zero: from here on the centre sits
        // a tenth of a pixel lower. This row keeps its distance term of 0.
        if (dy == 0) {
            cy = static_cast<float>(cy + f32(0.1f));
            dy = y - static_cast<double>(cy);
        }
        for (std::int32_t x = 0; x < canvasWidth; ++x, ++out) {
            const float d = fastSqrt(static_cast<float>(dx2s[x] + dy2));
            // The depth is infinite at the centre itself; its column is 0.
            std::int32_t column = 0;
            if (d != 0) {
                const auto depth = static_cast<float>((200 / static_cast<double>(d)) * 80);
                column = truncateToInt((depth - depthScroll) * w * f32(0.004f));
            }
            const float angle = fastAtan(static_cast<float>(dxs[x] / dy));
            const auto a = static_cast<float>(angle / fullTurn - turnScroll);
            *out = blendPixel(texels.at(column, truncateToInt(h * static_cast<double>(a) * 4)), *out);
        }
    }
}

void warp(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
          std::int32_t bottom, const Image& texture)
{
    const std::int32_t x0 = clampCoordinate(left, canvasWidth);
    const std::int32_t y0 = clampCoordinate(top, canvasHeight);
    const std::int32_t x1 = clampCoordinate(right, canvasWidth);
    const std::int32_t y1 = clampCoordinate(bottom, canvasHeight);
    if (x0 >= x1 || y0 >= y1 || !usable(texture)) return;
    const TextureSampler texels(texture);
    const auto halfW = static_cast<float>(texture.width * 0.5);
    const auto halfH = static_cast<float>(texture.height * 0.5);
    const auto t = static_cast<float>(effectClock);

    // Per pixel: column = truncate(halfW + fastSin(t*0.001 + y*6.2832*0.012) * halfW + x),
    // row = truncate(halfH + fastCos(x*6.2832*0.01 + t*0.0013) * halfH + y + x). The sine
    // depends only on the row and the cosine only on the column, so each is worked out once.
    std::array<double, canvasWidth> rowBase;
    for (std::int32_t x = x0; x < x1; ++x) {
        const float c2 = fastCos(static_cast<float>((x * fullTurn) * f32(0.01f) + t * f32(0.0013f)));
        rowBase[x] = halfH + static_cast<double>(c2) * halfH;
    }
    for (std::int32_t y = y0; y < y1; ++y) {
        const double rowPhase = (y * fullTurn) * f32(0.012f);
        const float s = fastSin(static_cast<float>(t * f32(0.001f) + rowPhase));
        const double columnBase = halfW + static_cast<double>(s) * halfW;
        Pixel* out = pixels.data() + y * canvasWidth;
        for (std::int32_t x = x0; x < x1; ++x) {
            out[x] = texels.at(truncateToInt(columnBase + x), truncateToInt(rowBase[x] + y + x));
        }
    }
}

void tunnelScene(std::int32_t frameTime, std::int32_t variant)
{
    if (canvas == nullptr) return;
    blitImage(imageTable[darkeningSlot], 0, 0);
    // Variants beyond 3 repeat the four targets, so every variant makes the point glide to a
    // place the scene was designed for.
    const Target target = tunnelTargets[static_cast<std::uint32_t>(variant) & 3u];
    tunnelCentre.x = static_cast<float>(0.75 * tunnelCentre.x + 0.25 * target.x);
    tunnelCentre.y = static_cast<float>(0.75 * tunnelCentre.y + 0.25 * target.y);
    setEffectClock(frameTime);
    tunnel(tunnelCentre.x, tunnelCentre.y, imageTable[firstDotsSlot], canvasView());
    setEffectClock(truncateToInt(frameTime * 1.2 + 1000));
    tunnel(tunnelCentre.x, tunnelCentre.y, imageTable[secondDotsSlot], canvasView());
}

void rotozoomScene(std::int32_t frameTime, std::int32_t elapsedMs)
{
    if (canvas == nullptr) return;
    blitImage(imageTable[darkeningSlot], 0, 0);
    const auto t = static_cast<float>(frameTime);
    const auto shift = static_cast<float>(elapsedMs * f32(0.001f));
    const auto zoom1 = static_cast<float>(2 * static_cast<double>(static_cast<float>(std::sin(t * f32(0.0004f)))));
    const auto zoom2 = static_cast<float>(2 * static_cast<double>(static_cast<float>(std::sin(t * f32(0.0005f)))));
    rotozoom(static_cast<float>(t * f32(0.002f)), zoom1, shift, imageTable[firstDotsSlot], canvasView());
    rotozoom(static_cast<float>(t * f32(0.0035f)), zoom2, shift, imageTable[secondDotsSlot], canvasView());
}

void warpScene(std::int32_t frameTime)
{
    if (canvas == nullptr) return;
    setEffectClock(frameTime);
    warp(canvasView(), 0, 0, canvasWidth, canvasHeight, imageTable[tileSlot]);
}

} // namespace velq
