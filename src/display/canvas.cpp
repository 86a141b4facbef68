#include "display/canvas.h"

#include <algorithm>
#include <utility>

namespace velq {

Pixel* canvas = nullptr;
std::int32_t brushSize = 0;
PlotRoutine plotRoutine = putPixel;

CanvasView createCanvas()
{
    // Lives for the whole run; its contents are undefined until the first scene draws.
    static std::array<Pixel, canvasPixels> storage{};
    canvas = storage.data();
    return CanvasView(storage);
}

void putPixel(std::int32_t x, std::int32_t y, Pixel colour)
{
    // Coordinates wrap at 16 bits: -1 falls outside, -65536 + 5 lands on 5.
    const auto ux = static_cast<std::uint16_t>(x);
    const auto uy = static_cast<std::uint16_t>(y);
    if (ux < canvasWidth && uy < canvasHeight)
        canvas[uy * canvasWidth + ux] = colour;
}

void fillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Pixel colour)
{
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    if (x1 == x0) return;
    for (std::int32_t y = y0; y < y1; ++y)
        for (std::int32_t x = x0; x < x1; ++x)
            putPixel(x, y, colour);
}

void plotBrush(std::int32_t x, std::int32_t y, Pixel colour)
{
    const std::int32_t size = brushSize;
    const std::int32_t r = size / 2;
    // The offset range is lopsided (-r .. size-1-r) but the strict circle test makes the
    // footprint symmetric: offsets at distance r never pass.
    for (std::int32_t dy = -r; dy <= size - 1 - r; ++dy)
        for (std::int32_t dx = -r; dx <= size - 1 - r; ++dx)
            if (dx * dx + dy * dy < r * r)
                putPixel(x + dx, y + dy, colour);
}

void setBrushSize(std::int32_t size)
{
    brushSize = size;
    plotRoutine = size >= 2 ? plotBrush : putPixel;
}

namespace {

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) // b > 0
{
    return a / b - (a % b < 0 ? 1 : 0);
}

constexpr std::int64_t ceilDiv(std::int64_t a, std::int64_t b) // b > 0
{
    return a / b + (a % b > 0 ? 1 : 0);
}

// Narrows [first, last] to the steps i whose 8.8 position start + i * step, shifted down by
// 8, lies in [lo, hi].
void keepStepsWithin(std::int64_t start, std::int64_t step, std::int64_t lo, std::int64_t hi,
                     std::int64_t& first, std::int64_t& last)
{
    std::int64_t low = lo * 256 - start;       // start + i*step >= lo*256
    std::int64_t high = hi * 256 + 255 - start; // start + i*step <= hi*256 + 255
    if (step == 0) {
        if (low > 0 || high < 0) last = first - 1;
        return;
    }
    if (step < 0) {
        step = -step;
        const std::int64_t flipped = -low;
        low = -high;
        high = flipped;
    }
    first = std::max(first, ceilDiv(low, step));
    last = std::min(last, floorDiv(high, step));
}

} // namespace

void drawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Pixel colour)
{
    // 8.8 fixed-point DDA: n points, divisor n (one more than the longer extent), the
    // position advanced before each point is plotted. Wide arithmetic keeps coordinates
    // far outside the canvas from overflowing; for every line that fits in 32 bits the
    // steps and points are those of the 32-bit form.
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const std::int64_t n = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy) + 1;
    const std::int64_t sx = dx * 256 / n;
    const std::int64_t sy = dy * 256 / n;
    const std::int64_t px = std::int64_t{x0} * 256;
    const std::int64_t py = std::int64_t{y0} * 256;

    // Plain meaning: for i = 1..n plot (px + i*sx) >> 8, (py + i*sy) >> 8. With our own plot
    // routines, whose footprint is known, only the steps whose footprint can reach the canvas
    // are walked, so a line millions of pixels long costs what its visible part costs. Every
    // pixel the plain loop sets is set alike, as long as no point lies so far out (65536 - 160
    // pixels and more) that putPixel's 16-bit wrap would bring it back onto the canvas.
    std::int64_t first = 1;
    std::int64_t last = n;
    if (plotRoutine == putPixel || plotRoutine == plotBrush) {
        // plotBrush only sets pixels less than brushSize / 2 away from the point.
        const std::int64_t margin = plotRoutine == plotBrush ? std::max(brushSize / 2, 0) : 0;
        keepStepsWithin(px, sx, -margin, canvasWidth - 1 + margin, first, last);
        keepStepsWithin(py, sy, -margin, canvasHeight - 1 + margin, first, last);
    }
    for (std::int64_t i = first; i <= last; ++i)
        plotRoutine(static_cast<std::int32_t>((px + i * sx) >> 8), static_cast<std::int32_t>((py + i * sy) >> 8),
                    colour);
}

void drawLineRgb(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::int32_t blue, std::int32_t green, std::int32_t red)
{
    drawLine(x0, y0, x1, y1, makePixel(static_cast<std::uint32_t>(red), static_cast<std::uint32_t>(green),
                                       static_cast<std::uint32_t>(blue)));
}

void clearCanvas(Pixel colour)
{
    std::fill_n(canvas, canvasPixels, colour);
}

void clearCanvasRgb(std::int32_t red, std::int32_t green, std::int32_t blue)
{
    clearCanvas(makePixel(static_cast<std::uint32_t>(red), static_cast<std::uint32_t>(green),
                          static_cast<std::uint32_t>(blue)));
}

} // namespace velq
