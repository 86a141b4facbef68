// Replays a GML drawing named on the command line for 16 seconds before the show.
#pragma once

#include "shell/clock.h"

namespace velq {

void previewDrawing(const char* path, TickSource ticks = tickCount);

} // namespace velq
