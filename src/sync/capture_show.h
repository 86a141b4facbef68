// The show without a terminal: rendered frame by frame on a virtual clock into files.
#pragma once

#include "shell/command_line.h"

namespace velq {

// Runs the whole show headless into options.captureDir: frame k has t = k * 1000 / fps ms, and
// before it the module is rendered up to t, so every row started by then has queued its sync.
// Stops after the frame that ends the show or at the time limit. Returns the exit status.
// The drawing preview is a live prelude on the wall clock, not part of the show: a capture
// leaves it out.
int runCapture(const Options& options);

} // namespace velq
