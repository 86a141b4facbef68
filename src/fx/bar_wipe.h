// Scene 1: vertical colour bars, 20 pixels wide, wiping across the canvas from left to right,
// one bar per scene parameter command. The newest bar grows down one row per millisecond; the
// canvas is never cleared, so the bars wipe over what earlier frames left.
#pragma once

#include <array>
#include <cstdint>

#include "display/canvas.h"

namespace velq {

constexpr std::int32_t barWidth = 20;

// One colour per bar position, alpha 0: red, yellow, green, cyan, blue, magenta, red, yellow.
inline constexpr std::array<Pixel, 8> barColours{
    0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x0000FF, 0x00FFFF,
};

// Index of the growing bar; the bars before it are complete. Survives scene changes and
// returns to 0 only on reset.
extern std::int32_t barCount;

// reset (the frame the director switched to this scene) sets barCount to 0 and wins over
// advance (a scene parameter command arrived this frame), which steps it by one. Then the
// growing bar is drawn elapsedMs rows high (at most 100) and the bars before it at full height.
void barsScene(std::int32_t elapsedMs, std::int32_t reset, std::int32_t advance);

} // namespace velq
