#include "gml/drawing_scene.h"

#include <array>

#include "gml/stroke_renderer.h"
#include "shell/assets.h"

namespace velq {

std::int32_t colorCycle = 0;

namespace {

constexpr std::array<std::uint32_t, 3> cycleColors{0x00FFFF, 0xFF00FF, 0xFFFF00};

struct Pass {
    bool cycling; // takes the cycle colour instead of rgb
    std::uint32_t rgb;
    float brushFrom, brushTo;
};

constexpr Pass pen(std::uint32_t rgb, float from, float to) { return {false, rgb, from, to}; }
constexpr Pass cyclePen(float from, float to) { return {true, 0, from, to}; }

// An offset coordinate is base − elapsed / divisor, or just base when the divisor is 0.
struct Motion {
    std::int32_t base, divisor;
};

struct DrawingStyle {
    std::array<Pass, 3> passes; // drawn in order, each over the one before
    int passCount;
    Motion x, y;
    float scale;
    bool logo; // the mini logo in imageTable slot 2 + index, for the first 3100 ms
};

constexpr std::uint32_t black = 0x000000;
constexpr std::uint32_t white = 0xFFFFFF;

constexpr DrawingStyle outlinedCycling{{pen(black, 4, 6), cyclePen(2, 4)}, 2, {0, 0}, {20, 0}, 1, false};
constexpr DrawingStyle outlinedYellow{{pen(black, 4, 6), pen(0xFFFF00, 2, 4)}, 2, {10, 0}, {20, 0}, 1, false};
constexpr DrawingStyle fineCyan{{pen(black, 2, 4), pen(0x00FFFF, 1, 2)}, 2, {0, 0}, {20, 0}, 1, false};
// Scrolls left a pixel per 10 ms from x = 60, at double size.
constexpr DrawingStyle scrollingWithLogo{{pen(black, 1, 8), pen(white, 1, 2.5f)}, 2, {60, 10}, {12, 0}, 2, true};
constexpr DrawingStyle doubleOutline{{pen(white, 6, 8), pen(black, 4, 6), cyclePen(2, 3)}, 3, {0, 0}, {0, 0}, 1, false};
// Rises a pixel per 16 ms from 100 rows down.
constexpr DrawingStyle risingMagenta{{pen(black, 4, 6), pen(0xFF00FF, 2, 3)}, 2, {0, 0}, {100, 16}, 1, false};

struct SceneRow {
    const DrawingStyle* style;
    std::int32_t timeFactor; // replay speed against the recording
};

constexpr std::array<SceneRow, sceneDrawings> sceneRows{{
    {&outlinedCycling, 8},   // 0 text
    {&outlinedCycling, 8},   // 1 mode
    {&outlinedYellow, 8},    // 2 demo
    {&fineCyan, 16},         // 3 compo
    {&outlinedYellow, 8},    // 4 grubix
    {&fineCyan, 16},         // 5 wexhall
    {&fineCyan, 16},         // 6 plumox
    {&scrollingWithLogo, 4}, // 7 kelvaro
    {&scrollingWithLogo, 5}, // 8 dunmoth
    {&scrollingWithLogo, 6}, // 9 vintrel
    {&doubleOutline, 8},     // 10 velq is back
    {&doubleOutline, 8},     // 11 bring yo demo
    {&risingMagenta, 8},     // 12 same date
    {&risingMagenta, 8},     // 13 same rules
    {&risingMagenta, 8},     // 14 same goal
    {&doubleOutline, 8},     // 15 make it nice
    {&doubleOutline, 8},     // 16 bee tha king
}};

constexpr std::int32_t logoMs = 3100;

std::int32_t offsetAt(Motion motion, std::int32_t elapsedMs)
{
    return motion.divisor == 0 ? motion.base : motion.base - elapsedMs / motion.divisor;
}

} // namespace

void drawingScene(std::int32_t elapsedMs, std::int32_t index)
{
    drawingScene(elapsedMs, index, SceneOutput{drawStrokes, blitImage});
}

void drawingScene(std::int32_t elapsedMs, std::int32_t index, const SceneOutput& output)
{
    // Every call at elapsed 0 moves the cycle on, whatever the index.
    if (elapsedMs == 0) ++colorCycle;
    if (colorCycle > 2) colorCycle = 0;
    if (static_cast<std::uint32_t>(index) >= sceneDrawings) return;

    const SceneRow& row = sceneRows[static_cast<std::size_t>(index)];
    const DrawingStyle& style = *row.style;
    // A 32-bit product; wrapping rather than overflowing after about 74 hours.
    const auto timeMs = static_cast<std::int32_t>(static_cast<std::uint32_t>(row.timeFactor) *
                                                  static_cast<std::uint32_t>(elapsedMs));
    const std::int32_t x = offsetAt(style.x, elapsedMs);
    const std::int32_t y = offsetAt(style.y, elapsedMs);
    const Drawing* drawing = &drawingTable[static_cast<std::size_t>(index)];
    for (int p = 0; p < style.passCount; ++p) {
        const Pass& pass = style.passes[static_cast<std::size_t>(p)];
        const std::uint32_t color = pass.cycling ? cycleColors[static_cast<std::uint32_t>(colorCycle) % 3] : pass.rgb;
        output.strokes(drawing, timeMs, pass.brushFrom, pass.brushTo, color, x, y, style.scale);
    }
    if (style.logo && elapsedMs < logoMs) {
        const Image& logo = imageTable[static_cast<std::size_t>(2 + index)];
        output.image(logo, 156 - logo.width, 80);
    }
}

} // namespace velq
