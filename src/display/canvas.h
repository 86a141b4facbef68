// The one 160x100 true-colour frame buffer and the primitives that draw into it by
// coordinates. Every primitive clips per pixel through the same bounds test.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace velq {

constexpr int canvasWidth = 160;
constexpr int canvasHeight = 100;
constexpr int canvasPixels = canvasWidth * canvasHeight;

// Four bytes red, green, blue, alpha. As a 32-bit number red is the low byte
// (0x0000FF is red, 0xFF0000 is blue); every colour value handed to the canvas has this form.
using Pixel = std::uint32_t;

constexpr std::uint8_t pixelRed(Pixel p) { return static_cast<std::uint8_t>(p); }
constexpr std::uint8_t pixelGreen(Pixel p) { return static_cast<std::uint8_t>(p >> 8); }
constexpr std::uint8_t pixelBlue(Pixel p) { return static_cast<std::uint8_t>(p >> 16); }
constexpr std::uint8_t pixelAlpha(Pixel p) { return static_cast<std::uint8_t>(p >> 24); }
constexpr Pixel makePixel(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 0)
{
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16 | (a & 0xFF) << 24;
}

using CanvasView = std::span<Pixel, canvasPixels>;
using ConstCanvasView = std::span<const Pixel, canvasPixels>;

using PlotRoutine = void (*)(std::int32_t x, std::int32_t y, Pixel colour);

// The Canvas, set by createCanvas; putPixel, clearCanvas, blitImage and presentCanvas use it.
extern Pixel* canvas;
// Pen diameter in pixels, written only by setBrushSize.
extern std::int32_t brushSize;
// What drawLine plots each point with: putPixel, or plotBrush for sizes of 2 and more.
extern PlotRoutine plotRoutine;

// Allocates the Canvas once (it is never released) and returns it.
CanvasView createCanvas();

void putPixel(std::int32_t x, std::int32_t y, Pixel colour);
void fillRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Pixel colour);
void plotBrush(std::int32_t x, std::int32_t y, Pixel colour);
void setBrushSize(std::int32_t size);
void drawLine(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Pixel colour);
// Note the argument order: blue first, the seventh argument is the red byte.
void drawLineRgb(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
                 std::int32_t blue, std::int32_t green, std::int32_t red);
void clearCanvas(Pixel colour);
// Red first, the opposite of drawLineRgb.
void clearCanvasRgb(std::int32_t red, std::int32_t green, std::int32_t blue);

} // namespace velq
