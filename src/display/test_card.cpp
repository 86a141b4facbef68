#include "display/test_card.h"

#include <array>
#include <cmath>

#include "display/canvas.h"

namespace velq {

namespace {
// The classic 16 console colours, in attribute order (blue 1, green 2, red 4, intensity 8).
constexpr std::array<Pixel, 16> ramp = {
    makePixel(0, 0, 0),       makePixel(0, 0, 128),     makePixel(0, 128, 0),     makePixel(0, 128, 128),
    makePixel(128, 0, 0),     makePixel(128, 0, 128),   makePixel(128, 128, 0),   makePixel(192, 192, 192),
    makePixel(128, 128, 128), makePixel(0, 0, 255),     makePixel(0, 255, 0),     makePixel(0, 255, 255),
    makePixel(255, 0, 0),     makePixel(255, 0, 255),   makePixel(255, 255, 0),   makePixel(255, 255, 255),
};
} // namespace

void drawTestCard(std::int32_t t)
{
    clearCanvasRgb(0, 0, 40);
    for (int i = 0; i < 16; ++i) fillRect(i * 10, 0, i * 10 + 10, 12, ramp[i]);
    for (int i = 0; i < 16; ++i) fillRect(i * 10, 88, i * 10 + 10, 100, ramp[(i + t / 250) % 16]);

    // A sweeping clock hand and a bouncing round brush.
    const double angle = t * 0.002;
    setBrushSize(1);
    drawLine(80, 50, 80 + static_cast<int>(60 * std::cos(angle)), 50 + static_cast<int>(34 * std::sin(angle)),
             makePixel(255, 255, 0));
    setBrushSize(12);
    const int x = 20 + static_cast<int>(120 * std::fabs(std::sin(t * 0.0011)));
    const int y = 20 + static_cast<int>(60 * std::fabs(std::sin(t * 0.0017)));
    plotBrush(x, y, makePixel(255, 0, 255));
    fillRect(x - 3, y - 3, x + 3, y + 3, makePixel(255, 255, 255));
}

} // namespace velq
