#include "sync/capture_show.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "display/canvas.h"
#include "display/capture.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/main_loop.h"
#include "sync/director.h"
#include "sync/music.h"
#include "sync/sync_queue.h"

namespace velq {

namespace {

constexpr std::int64_t audioBlockFrames = 4096;

// Shows frames, show time and speed on standard error, about twice a second.
class Progress {
public:
    void update(std::int64_t frames, std::int32_t t, bool last)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!last && now - shown_ < std::chrono::milliseconds(500)) return;
        shown_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        std::fprintf(stderr, "\rcapture: %" PRId64 " frames, show time %.2f s, %.1f frames/s%s", frames, t / 1000.0,
                     seconds > 0 ? static_cast<double>(frames) / seconds : 0.0, last ? "\n" : "");
        std::fflush(stderr);
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point shown_ = start_;
};

} // namespace

int runCapture(const Options& options)
{
    std::string problem;
    auto console = CaptureConsole::open({options.captureDir, options.png, options.canvasDump}, problem);
    if (!console) {
        std::fprintf(stderr, "velq13: %s\n", problem.c_str());
        return 1;
    }
    Console* const previous = outputHandle;
    outputHandle = console.get();

    // Start-up as the live show has it, with the module opened for offline rendering.
    createCanvas();
    outputHandle->setTitle(windowTitle);
    configureConsole(consoleColumns, consoleRows, 1);
    loadAssets();
    const bool music = openMusic(musicPath) == 1;
    // In whole milliseconds, so that a length such as 1.92 s does not gain a frame by rounding.
    // Frame times are 32-bit milliseconds: longer limits are cut to what they can count.
    const std::int64_t limitMs = options.seconds ? std::llround(std::min(*options.seconds, 2.0e6) * 1000.0)
                                 : music         ? std::llround(musicLengthSeconds() * 1000.0) + 1000
                                                 : 10000;

    std::vector<std::int16_t> audio(2 * audioBlockFrames); // the one audio buffer of the run
    auto renderAudioTo = [&](std::int64_t frame) {
        while (music && musicFramesRendered() < frame) {
            const std::int64_t count = std::min(frame - musicFramesRendered(), audioBlockFrames);
            const std::span<std::int16_t> block(audio.data(), static_cast<std::size_t>(2 * count));
            renderMusic(block);
            console->writeAudio(block);
        }
    };

    Progress progress;
    std::int64_t frames = 0;
    std::int32_t t = 0;
    for (std::int64_t k = 0;; ++k) {
        const std::int64_t frameTime = k * 1000 / options.fps;
        if (frameTime >= limitMs) break;
        t = static_cast<std::int32_t>(frameTime);
        // Every row that starts at or before t has queued its sync before the frame.
        renderAudioTo(musicFrameAt(frameTime + 1));
        std::array<SyncEvent, syncCapacity> waiting;
        std::array<std::uint8_t, syncCapacity> values{};
        const int count = peekSyncEvents(syncQueue, waiting);
        for (int i = 0; i < count; ++i) values[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(waiting[static_cast<std::size_t>(i)].value);
        console->beginFrame(k, t, std::span<const std::uint8_t>(values.data(), static_cast<std::size_t>(count)));
        setEffectClock(t);
        renderFrame(t);
        frames = k + 1;
        progress.update(frames, t, false);
        if (quitFlag != 0 || !console->problem().empty() || terminationRequested()) break;
    }
    // The audio spans exactly the captured frames.
    const std::int64_t audioFrames = frames * musicRate / options.fps;
    renderAudioTo(audioFrames);
    problem = console->finish(audioFrames);
    progress.update(frames, t, true);

    freeAssets();
    stopMusic();
    outputHandle = previous;
    if (!problem.empty()) {
        std::fprintf(stderr, "velq13: %s\n", problem.c_str());
        return 1;
    }
    return 0;
}

} // namespace velq
