// Converting one full frame (160x100 pixels to 80x50 cells), ours beside two ASCII-art
// libraries doing the same job at 16 colours with ASCII characters.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>

#include <caca.h>
#include <chafa.h>

#include "display/cell_converter.h"
#include "display/console.h"

namespace {

using namespace velq;

// A busy frame: colour gradients with noise, like a textured scene.
const std::array<Pixel, canvasPixels>& sampleFrame()
{
    static const auto frame = [] {
        std::array<Pixel, canvasPixels> pixels{};
        std::mt19937 random(1);
        for (int y = 0; y < canvasHeight; ++y)
            for (int x = 0; x < canvasWidth; ++x)
                pixels[y * canvasWidth + x] =
                    makePixel(x * 255 / 159, y * 255 / 99, (x + y + random() % 64) & 255, 255);
        return pixels;
    }();
    return frame;
}

void BM_ConvertCanvas(benchmark::State& state)
{
    CellBuffer cells{};
    for (auto _ : state) {
        convertCanvas(sampleFrame(), cells);
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetItemsProcessed(state.iterations() * consoleCells);
}
BENCHMARK(BM_ConvertCanvas);

void BM_PresentCanvasNullConsole(benchmark::State& state)
{
    for (auto _ : state) benchmark::DoNotOptimize(presentCanvas(sampleFrame()));
    state.SetItemsProcessed(state.iterations() * consoleCells);
}
BENCHMARK(BM_PresentCanvasNullConsole);

void BM_PeerLibcaca(benchmark::State& state)
{
    caca_canvas_t* cv = caca_create_canvas(consoleColumns, consoleRows);
    caca_dither_t* dither = caca_create_dither(32, canvasWidth, canvasHeight, canvasWidth * 4, 0x000000FF,
                                               0x0000FF00, 0x00FF0000, 0);
    caca_set_dither_charset(dither, "ascii");
    caca_set_dither_color(dither, "16");
    for (auto _ : state) {
        caca_dither_bitmap(cv, 0, 0, consoleColumns, consoleRows, dither, sampleFrame().data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * consoleCells);
    caca_free_dither(dither);
    caca_free_canvas(cv);
}
BENCHMARK(BM_PeerLibcaca);

void BM_PeerChafa(benchmark::State& state)
{
    chafa_set_n_threads(1); // one core, like the others
    ChafaSymbolMap* symbols = chafa_symbol_map_new();
    chafa_symbol_map_add_by_tags(symbols, CHAFA_SYMBOL_TAG_ASCII);
    ChafaCanvasConfig* config = chafa_canvas_config_new();
    chafa_canvas_config_set_geometry(config, consoleColumns, consoleRows);
    chafa_canvas_config_set_canvas_mode(config, CHAFA_CANVAS_MODE_INDEXED_16);
    chafa_canvas_config_set_symbol_map(config, symbols);
    ChafaCanvas* canvas = chafa_canvas_new(config);
    for (auto _ : state) {
        chafa_canvas_draw_all_pixels(canvas, CHAFA_PIXEL_RGBA8_UNASSOCIATED,
                                     reinterpret_cast<const guint8*>(sampleFrame().data()), canvasWidth,
                                     canvasHeight, canvasWidth * 4);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * consoleCells);
    chafa_canvas_unref(canvas);
    chafa_canvas_config_unref(config);
    chafa_symbol_map_unref(symbols);
}
BENCHMARK(BM_PeerChafa);

} // namespace
