// The window's frame path beside the conversion of one frame: drawing the 4000 cells as glyphs,
// uploading the picture into the texture, and the whole present (draw, scale, show). Without a
// display the window runs on SDL's offscreen driver.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "display/cell_converter.h"
#include "display/glyph_renderer.h"
#include "display/window.h"

namespace {

using namespace velq;

const std::array<Pixel, canvasPixels>& busyFrame()
{
    static const auto frame = [] {
        std::array<Pixel, canvasPixels> pixels{};
        std::mt19937 random(7);
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x)
                pixels[y * canvasWidth + x] = makePixel(x * 255 / 159, y * 255 / 99, (x * y + random() % 96) & 255, 255);
        return pixels;
    }();
    return frame;
}

const CellBuffer& busyCells()
{
    static const CellBuffer cells = [] {
        CellBuffer c{};
        convertCanvas(busyFrame(), c);
        return c;
    }();
    return cells;
}

WindowConsole* benchWindow()
{
    static const std::unique_ptr<WindowConsole> window = [] {
        const auto set = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
        if (!set("SDL_VIDEODRIVER") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        std::string problem;
        auto w = WindowConsole::open(problem);
        if (w) w->configure(consoleColumns, consoleRows, false);
        return w;
    }();
    return window.get();
}

// The baseline: one frame's cell conversion.
void BM_WindowBaselineConvertCanvas(benchmark::State& state)
{
    CellBuffer cells{};
    for (auto _ : state) {
        convertCanvas(busyFrame(), cells);
        benchmark::DoNotOptimize(cells.data());
    }
}
BENCHMARK(BM_WindowBaselineConvertCanvas);

void BM_GlyphRenderCells(benchmark::State& state)
{
    auto image = std::make_unique<CellImage>();
    for (auto _ : state) {
        renderCells(busyCells(), *image);
        benchmark::DoNotOptimize(image->data());
    }
}
BENCHMARK(BM_GlyphRenderCells);

// Glyph render and texture update: the frame path up to the display.
void BM_WindowUpload(benchmark::State& state)
{
    WindowConsole* window = benchWindow();
    if (!window) {
        state.SkipWithError("no SDL video");
        return;
    }
    for (auto _ : state) window->upload(busyCells());
}
BENCHMARK(BM_WindowUpload);

// The whole present: events, upload, clear, scaled copy and show.
void BM_WindowPresent(benchmark::State& state)
{
    WindowConsole* window = benchWindow();
    if (!window) {
        state.SkipWithError("no SDL video");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(window->present(busyCells(), busyFrame()));
}
BENCHMARK(BM_WindowPresent);

} // namespace
