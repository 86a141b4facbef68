#include "shell/main_loop.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "display/canvas.h"
#include "display/console.h"
#include "display/terminal.h"
#include "display/window.h"
#include "gml/preview.h"
#include "shell/assets.h"
#include "shell/clock.h"
#include "shell/keyboard.h"
#include "sync/capture_show.h"
#include "sync/director.h"
#include "sync/music.h"

namespace velq {

std::int32_t quitFlag = 0;
std::int32_t effectClock = 0;

void setEffectClock(std::int32_t milliseconds)
{
    effectClock = milliseconds;
}

int runShow(const Options& options)
{
    createCanvas(); // the one Canvas; everything reaches it through `canvas`
    outputHandle->setTitle(windowTitle);
    configureConsole(consoleColumns, consoleRows, 1);
    if (options.previewPath) previewDrawing(options.previewPath->c_str());
    loadAssets();
    setMusicMuted(options.mute);
    startMusic(musicPath); // without music the show runs on, with no scene and no sync
    const std::uint32_t start = tickCount();

    while (quitFlag == 0) {
        const auto t = static_cast<std::int32_t>(tickCount() - start);
        setEffectClock(t);
        renderFrame(t);
        if (keyWaiting() && readKey() == keyEscape) quitFlag = 1;
    }

    freeAssets();
    stopMusic();
    return 0;
}

namespace {

// Installs a console as outputHandle for its lifetime and puts the null one back after.
class ConsoleScope {
public:
    explicit ConsoleScope(Console& console) : previous_(outputHandle) { outputHandle = &console; }
    ~ConsoleScope() { outputHandle = previous_; }
    ConsoleScope(const ConsoleScope&) = delete;
    ConsoleScope& operator=(const ConsoleScope&) = delete;

private:
    Console* previous_;
};

int runInTerminal(const Options& options)
{
    std::string problem;
    auto terminal = TerminalConsole::open(problem);
    if (!terminal) {
        std::fprintf(stderr, "velq13: %s\n", problem.c_str());
        return 1;
    }
    int status = 0;
    {
        ConsoleScope scope(*terminal);
        status = runShow(options);
    }
    const std::string report = terminal->close(); // the terminal is itself again from here on
    if (!report.empty()) std::fprintf(stderr, "velq13: %s\n", report.c_str());
    return status;
}

int runInWindow(const Options& options)
{
    std::string problem;
    auto window = WindowConsole::open(problem);
    if (!window) {
        std::fprintf(stderr, "velq13: %s\n", problem.c_str());
        return 1;
    }
    ConsoleScope scope(*window);
    return runShow(options);
}

} // namespace

int runProgram(int argc, const char* const* argv)
{
    const ParseResult parsed = parseCommandLine(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "velq13: %s\n", parsed.error.c_str());
        return 2;
    }
    const Options& options = parsed.options;
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    catchTerminationSignals();
    try {
        switch (options.display) {
        case DisplayMode::terminal:
            return runInTerminal(options);
        case DisplayMode::window:
            return runInWindow(options);
        case DisplayMode::capture:
            return runCapture(options);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velq13: %s\n", e.what());
    }
    return 1;
}

} // namespace velq
