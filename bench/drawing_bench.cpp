// One frame of a drawing scene with the whole drawing due, for each of the six styles, beside
// one full presentCanvas (conversion of all 4000 cells to a null console) as the yardstick.
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <random>

#include "display/canvas.h"
#include "display/console.h"
#include "gml/drawing_scene.h"
#include "gml/stroke_renderer.h"
#include "shell/assets.h"

namespace {

using namespace velq;

constexpr float recordingSeconds = 6.0f;

// A dense hand-drawn page: strokes of wavy lines across the picture, the hand speeding up and
// slowing down along each, so the brush changes size all the time.
void fillDrawing(Drawing& drawing, int strokes, int points)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    drawing.strokeCount = strokes;
    for (int s = 0; s < strokes; ++s) {
        Stroke& stroke = drawing.strokes[s];
        stroke.pointCount = points;
        const float x0 = 0.05f + 0.3f * unit(random), y0 = 0.05f + 0.9f * unit(random);
        const float length = 0.3f + 0.35f * unit(random), wave = 0.05f + 0.1f * unit(random);
        const float begin = recordingSeconds * s / strokes, span = recordingSeconds / strokes;
        for (int j = 0; j < points; ++j) {
            const float u = static_cast<float>(j) / static_cast<float>(points - 1);
            stroke.points[j] = {x0 + length * u, y0 + wave * std::sin(u * 12.0f), 0};
            // Slow at the ends, fast in the middle.
            stroke.times[j] = begin + span * (u - 0.15f * std::sin(u * 6.2832f));
        }
    }
}

// Index of one drawing of each style, and its replay speed.
struct Style {
    const char* name;
    std::int32_t index, timeFactor;
};
constexpr std::array<Style, 6> styles{{{"outlined cycling", 0, 8},
                                       {"outlined yellow", 2, 8},
                                       {"fine cyan", 3, 16},
                                       {"scrolling with logo", 7, 4},
                                       {"double outline", 10, 8},
                                       {"rising magenta", 12, 8}}};

void BM_DrawingScene(benchmark::State& state)
{
    const Style& style = styles[static_cast<std::size_t>(state.range(0))];
    const int strokes = static_cast<int>(state.range(1));
    const int points = static_cast<int>(state.range(2));
    createCanvas();
    clearCanvas(0);
    Drawing& drawing = drawingTable[static_cast<std::size_t>(style.index)];
    fillDrawing(drawing, strokes, points);
    // The first moment at which the whole recording is due.
    const auto elapsedMs = static_cast<std::int32_t>(std::ceil(recordingSeconds * 1000.0f / style.timeFactor)) + 1;
    for (auto _ : state) {
        drawingScene(elapsedMs, style.index);
        benchmark::DoNotOptimize(canvas[0]);
    }
    drawing.strokeCount = 0;
    state.SetLabel(style.name);
    state.SetItemsProcessed(state.iterations() * strokes * (points - 1));
}
// A dense page (40 strokes, 800 points) and the record's limit (64 strokes of 512 points).
BENCHMARK(BM_DrawingScene)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {40}, {20}});
BENCHMARK(BM_DrawingScene)->ArgsProduct({{0, 1, 2, 3, 4, 5}, {64}, {512}});

// The yardstick: one frame's conversion and presentation.
void BM_PresentCanvasYardstick(benchmark::State& state)
{
    const CanvasView pixels = createCanvas();
    std::mt19937 random(1);
    for (Pixel& p : pixels) p = random();
    for (auto _ : state) benchmark::DoNotOptimize(presentCanvas(pixels));
}
BENCHMARK(BM_PresentCanvasYardstick);

} // namespace
