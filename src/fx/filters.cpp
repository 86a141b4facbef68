#include "fx/filters.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "fx/fast_math.h"

namespace velq {
namespace {

struct Rect {
    std::int32_t left, top, right, bottom;
    bool empty() const { return left >= right || top >= bottom; }
};

Rect clampRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Rect r{static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
           static_cast<std::int16_t>(right), static_cast<std::int16_t>(bottom)};
    if (r.left < 0) r.left = 0;
    if (r.right > canvasWidth) r.right = canvasWidth;
    if (r.top < 0) r.top = 0;
    if (r.bottom > canvasHeight) r.bottom = canvasHeight;
    return r;
}

constexpr Pixel alphaMask = 0xFF000000u;

// Truncating division of a window sum by its sample count n as a multiply and shift:
// sum / n == (sum * (floor(2^32 / n) + 1)) >> 32 whenever sum < 2^32 / n. A window holds at most
// one line of the canvas, so n <= 160 and sum <= 255 * n, far inside that bound.
constexpr std::int32_t maxWindow = std::max(canvasWidth, canvasHeight);
static_assert(255ull * maxWindow * maxWindow < (1ull << 32));
constexpr auto windowReciprocals = [] {
    std::array<std::uint64_t, maxWindow + 1> table{};
    for (std::uint64_t n = 1; n <= maxWindow; ++n) table[n] = (1ull << 32) / n + 1;
    return table;
}();

// The blur's scratch line, shared by both passes; it lives for the whole run so that no frame
// allocates.
std::array<Pixel, maxWindow> blurScratch;

// Blurs one line of length pixels, stride apart, with a window of radius clipped to the line.
// Plain meaning: out[i] = sum(line[k] for max(0, i - radius) <= k <= min(length - 1, i + radius))
// / count, per channel, truncated. The window slides: one sample enters and one leaves per step,
// so the cost does not depend on the radius.
void blurLine(Pixel* line, std::int32_t stride, std::int32_t length, std::int32_t radius)
{
    std::uint32_t sumR = 0, sumG = 0, sumB = 0;
    // Window [lo, hi] for i = 0.
    std::int32_t hi = std::min(radius, length - 1);
    for (std::int32_t k = 0; k <= hi; ++k) {
        const Pixel p = line[k * stride];
        sumR += pixelRed(p);
        sumG += pixelGreen(p);
        sumB += pixelBlue(p);
    }
    std::int32_t lo = 0;
    for (std::int32_t i = 0; i < length; ++i) {
        const std::uint64_t m = windowReciprocals[hi - lo + 1];
        blurScratch[i] = makePixel(static_cast<std::uint32_t>(sumR * m >> 32),
                                   static_cast<std::uint32_t>(sumG * m >> 32),
                                   static_cast<std::uint32_t>(sumB * m >> 32));
        // Slide to i + 1: the sample at i - radius leaves, the one at i + 1 + radius enters.
        if (i - radius >= 0) {
            const Pixel p = line[lo * stride];
            sumR -= pixelRed(p);
            sumG -= pixelGreen(p);
            sumB -= pixelBlue(p);
            ++lo;
        }
        if (i + 1 + radius < length) {
            const Pixel p = line[(i + 1 + radius) * stride];
            sumR += pixelRed(p);
            sumG += pixelGreen(p);
            sumB += pixelBlue(p);
            ++hi;
        }
    }
    for (std::int32_t i = 0; i < length; ++i) {
        Pixel& p = line[i * stride];
        p = (p & alphaMask) | blurScratch[i];
    }
}

std::uint8_t clampByte(std::int32_t v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

void boxBlur(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, std::int32_t radius)
{
    const std::int32_t r = static_cast<std::uint8_t>(radius);
    if (r == 0) return;
    const Rect rect = clampRect(left, top, right, bottom);
    if (rect.empty()) return;
    const std::int32_t width = rect.right - rect.left;
    const std::int32_t height = rect.bottom - rect.top;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        blurLine(pixels.data() + y * canvasWidth + rect.left, 1, width, r);
    for (std::int32_t x = rect.left; x < rect.right; ++x)
        blurLine(pixels.data() + rect.top * canvasWidth + x, canvasWidth, height, r);
}

void addNoise(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom, std::int32_t amplitude)
{
    const std::int32_t a = static_cast<std::uint8_t>(amplitude);
    if (a == 0) return;
    const Rect rect = clampRect(left, top, right, bottom);
    if (rect.empty()) return;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            Pixel& p = pixels[y * canvasWidth + x];
            const std::int32_t o = std::rand() % a - a / 2;
            p = makePixel(clampByte(pixelRed(p) + o), clampByte(pixelGreen(p) + o),
                          clampByte(pixelBlue(p) + o), pixelAlpha(p));
        }
}

void applyLevels(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom, std::int32_t low, std::int32_t high)
{
    const Rect rect = clampRect(left, top, right, bottom);
    if (rect.empty()) return;
    const std::int32_t lo = static_cast<std::int16_t>(low);
    const std::int32_t hi = static_cast<std::int16_t>(high);
    // The mapping of every possible byte, worked out once per call: level[b] is
    // clamp(truncate(b * scale - low)) with scale = 256 / (high - low) in single precision.
    std::array<std::uint8_t, 256> level{};
    if (hi != lo) {
        const auto scale = static_cast<float>(256.0 / (hi - lo));
        for (std::int32_t b = 0; b < 256; ++b)
            level[b] = clampByte(truncateToInt(static_cast<double>(b) * scale - lo));
    }
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            Pixel& p = pixels[y * canvasWidth + x];
            p = makePixel(level[pixelRed(p)], level[pixelGreen(p)], level[pixelBlue(p)], pixelAlpha(p));
        }
}

} // namespace velq
