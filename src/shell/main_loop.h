// Program entry: start-up, the frame loop, shut-down.
#pragma once

#include <cstdint>

#include "shell/command_line.h"

namespace velq {

constexpr const char* windowTitle = "VELQ13 - alt+enter=fullscreen";
constexpr const char* musicPath = "data2/velq4.xm";

// Non-zero ends the main loop: Esc, or the music's end command.
extern std::int32_t quitFlag;
// Milliseconds read by the tunnel and warp layers; the loop stores each frame's time here.
extern std::int32_t effectClock;
void setEffectClock(std::int32_t milliseconds);

// Parses the command line, chooses the console and runs the show; returns the exit status.
int runProgram(int argc, const char* const* argv);
// Start-up, loop and shut-down on the console already installed as outputHandle.
int runShow(const Options& options);

} // namespace velq
