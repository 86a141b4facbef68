#include "shell/command_line.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace velq {

namespace {

bool parseInt(std::string_view text, int& out)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc{} && end == text.data() + text.size();
}

bool parseSeconds(const std::string& text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(out) && out > 0;
}

} // namespace

const char* usageText()
{
    return "usage: velq13 [--window | --capture DIR [--fps N] [--seconds S] [--png] [--canvas]]\n"
           "              [--mute] [--help] [drawing.gml]\n"
           "\n"
           "Plays the show in this terminal (80x50 cells) from data2/ in the working directory.\n"
           "Esc or Ctrl-C ends it. A GML drawing given as argument is previewed for 16 seconds first.\n"
           "\n"
           "  --window        show it in a window of its own (Alt+Enter toggles full screen)\n"
           "  --capture DIR   render the show headless into DIR, frame by frame\n"
           "  --fps N         capture frames per second (default 50)\n"
           "  --seconds S     capture at most S seconds (default: the module once through)\n"
           "  --png           capture every frame as DIR/frame_NNNNNN.png as well\n"
           "  --canvas        capture the canvas of every frame to DIR/canvas.bin as well\n"
           "  --mute          play without sound (sync still runs on time)\n"
           "  --help          show this text\n";
}

ParseResult parseCommandLine(int argc, const char* const* argv)
{
    ParseResult result;
    Options& o = result.options;
    bool window = false, capture = false, fps = false, seconds = false;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!arg.starts_with("--")) {
            if (!o.previewPath) o.previewPath = std::string(arg); // later ones are ignored
            continue;
        }
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help") {
            o.help = true;
        } else if (arg == "--window") {
            window = true;
        } else if (arg == "--mute") {
            o.mute = true;
        } else if (arg == "--png") {
            o.png = true;
        } else if (arg == "--canvas") {
            o.canvasDump = true;
        } else if (arg == "--capture") {
            const char* dir = value();
            if (!dir || !*dir) return fail("--capture needs a directory");
            o.captureDir = dir;
            capture = true;
        } else if (arg == "--fps") {
            const char* text = value();
            if (!text || !parseInt(text, o.fps) || o.fps < 1 || o.fps > 1000)
                return fail("--fps needs a whole number from 1 to 1000");
            fps = true;
        } else if (arg == "--seconds") {
            const char* text = value();
            double s = 0;
            if (!text || !parseSeconds(text, s)) return fail("--seconds needs a positive number");
            o.seconds = s;
            seconds = true;
        } else {
            return fail("unknown option " + std::string(arg) + " (see --help)");
        }
    }
    if (window && capture) return fail("--window and --capture cannot be used together");
    if (!capture && (fps || seconds || o.png || o.canvasDump))
        return fail("--fps, --seconds, --png and --canvas need --capture DIR");
    o.display = capture ? DisplayMode::capture : window ? DisplayMode::window : DisplayMode::terminal;
    return result;
}

} // namespace velq
