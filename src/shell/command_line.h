// velq13 [--window | --capture DIR [--fps N] [--seconds S] [--png] [--canvas]] [--mute]
//        [--help] [drawing.gml]
#pragma once

#include <optional>
#include <string>

namespace velq {

enum class DisplayMode { terminal, window, capture };

struct Options {
    DisplayMode display = DisplayMode::terminal;
    std::string captureDir;
    int fps = 50;
    std::optional<double> seconds;
    bool png = false;
    bool canvasDump = false;
    bool mute = false;
    bool help = false;
    // The drawing previewed before the show: the first argument that is not an option.
    std::optional<std::string> previewPath;
};

struct ParseResult {
    Options options;
    std::string error; // empty when the command line is valid
};

ParseResult parseCommandLine(int argc, const char* const* argv);
const char* usageText();

} // namespace velq
