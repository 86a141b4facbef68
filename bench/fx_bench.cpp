// The effects at the show's sizes: one tunnel, rotozoom and warp layer over the 160x100 canvas,
// the filters over the whole canvas, and a plain canvas copy and clear as the baseline that
// every frame pays anyway.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

#include "fx/filters.h"
#include "fx/texture_scenes.h"
#include "shell/main_loop.h"

namespace {

using namespace velq;
using Frame = std::array<Pixel, canvasPixels>;

Frame& busyFrame()
{
    static Frame frame = [] {
        Frame f;
        std::mt19937 random(1);
        for (Pixel& p : f) p = random();
        return f;
    }();
    return frame;
}

// A dot texture like the show's: a 64x64 grid of soft round dots with alpha.
const Image& dotTexture()
{
    static const Image image = [] {
        Image t;
        t.width = 64;
        t.height = 64;
        t.pixels.resize(64 * 64);
        for (int v = 0; v < 64; ++v)
            for (int u = 0; u < 64; ++u) {
                const int dx = (u & 15) - 8, dy = (v & 15) - 8;
                const int a = std::max(0, 255 - (dx * dx + dy * dy) * 4);
                t.pixels[v * 64 + u] = makePixel(u * 4, 255 - v * 4, 200, a);
            }
        return t;
    }();
    return image;
}

void BM_CanvasCopy(benchmark::State& state)
{
    Frame destination{};
    for (auto _ : state) {
        std::copy(busyFrame().begin(), busyFrame().end(), destination.begin());
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CanvasCopy);

void BM_CanvasClear(benchmark::State& state)
{
    createCanvas();
    Pixel colour = 0;
    for (auto _ : state) {
        clearCanvas(++colour);
        benchmark::DoNotOptimize(canvas);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CanvasClear);

void BM_TunnelLayer(benchmark::State& state)
{
    Frame frame = busyFrame();
    std::int32_t clock = 0;
    for (auto _ : state) {
        setEffectClock(clock += 20);
        tunnel(136.71875f, 54.6875f, dotTexture(), frame);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TunnelLayer);

void BM_RotozoomLayer(benchmark::State& state)
{
    Frame frame = busyFrame();
    float t = 0;
    for (auto _ : state) {
        t += 20;
        rotozoom(t * 0.002f, 1.5f, 3.0f, dotTexture(), frame);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RotozoomLayer);

void BM_Warp(benchmark::State& state)
{
    Frame frame = busyFrame();
    std::int32_t clock = 0;
    for (auto _ : state) {
        setEffectClock(clock += 20);
        warp(frame, 0, 0, canvasWidth, canvasHeight, dotTexture());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Warp);

// Each filter works on a fresh copy of the busy frame; the copy is the baseline above.
void BM_BoxBlur(benchmark::State& state)
{
    Frame frame;
    const auto radius = static_cast<std::int32_t>(state.range(0));
    for (auto _ : state) {
        frame = busyFrame();
        boxBlur(frame, 0, 0, canvasWidth, canvasHeight, radius);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BoxBlur)->Arg(1)->Arg(3)->Arg(16);

// The blur summed afresh for every pixel, for comparison with the sliding window.
void BM_BoxBlurSummingAfresh(benchmark::State& state)
{
    Frame frame;
    std::array<Pixel, canvasWidth> scratch;
    const auto radius = static_cast<std::int32_t>(state.range(0));
    auto pass = [&](int lines, int length, int lineStep, int step) {
        for (int line = 0; line < lines; ++line) {
            Pixel* first = frame.data() + line * lineStep;
            for (int i = 0; i < length; ++i) {
                unsigned r = 0, g = 0, b = 0, n = 0;
                for (int k = std::max(0, i - radius); k <= std::min(length - 1, i + radius); ++k, ++n) {
                    const Pixel p = first[k * step];
                    r += pixelRed(p);
                    g += pixelGreen(p);
                    b += pixelBlue(p);
                }
                scratch[i] = makePixel(r / n, g / n, b / n, pixelAlpha(first[i * step]));
            }
            for (int i = 0; i < length; ++i) first[i * step] = scratch[i];
        }
    };
    for (auto _ : state) {
        frame = busyFrame();
        pass(canvasHeight, canvasWidth, canvasWidth, 1);
        pass(canvasWidth, canvasHeight, 1, canvasWidth);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BoxBlurSummingAfresh)->Arg(1)->Arg(3)->Arg(16);

void BM_AddNoise(benchmark::State& state)
{
    Frame frame;
    for (auto _ : state) {
        frame = busyFrame();
        addNoise(frame, 0, 0, canvasWidth, canvasHeight, 240);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_AddNoise);

void BM_ApplyLevels(benchmark::State& state)
{
    Frame frame;
    for (auto _ : state) {
        frame = busyFrame();
        applyLevels(frame, 0, 0, canvasWidth, canvasHeight, 120, 240);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ApplyLevels);

} // namespace
