// Replays a GML drawing named on the command line for 16 seconds before the show, at twice
// its recorded speed, light grey on black, with a brush that follows the hand and pulses.
#pragma once

#include <cstdint>

#include "gml/drawing.h"
#include "shell/clock.h"

namespace velq {

// The preview's own smoothed brush weight, truncated; separate from the show's brushMemory.
extern std::int32_t previewBrushMemory;

constexpr std::uint32_t previewDurationMs = 16000;

// Reads the file into a record of its own and replays it; returns after 16 seconds of ticks.
// Reads no keys: whatever is typed meanwhile is left for the show.
void previewDrawing(const char* path, TickSource ticks = tickCount);

// The replay loop over a record already read: a cleared, redrawn and presented canvas per
// frame until 16 seconds (an unsigned tick difference, so a wrapping counter does no harm).
void replayDrawing(const Drawing& drawing, TickSource ticks);

// One frame of the replay elapsedMs into it: clears the canvas and draws what is due.
void drawPreviewFrame(const Drawing& drawing, std::int32_t elapsedMs);

// The preview's weight for a segment speed: 0 without movement (a speed that is not a
// number, same position and same time, counts as none), else 8 / speed capped at 8.
float previewFactor(float speed);

} // namespace velq
