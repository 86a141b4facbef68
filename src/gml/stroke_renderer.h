// Redraws a drawing as it stood at a moment of its recording, with a brush whose width
// follows the speed of the hand.
#pragma once

#include <cstdint>

#include "gml/drawing.h"

namespace velq {

// The last smoothed brush weight, truncated. Shared by every call (passes, drawings, frames)
// and never reset, so each pass continues the brush where the previous one left it.
extern std::int32_t brushMemory;

// Draws every segment whose first point was recorded at or before timeMs, mapping a point
// (x, y) to (offsetX + 160*scale*x, offsetY + 100*scale*y). The pen colour is packed
// 0xRRGGBB (bits 24..31 ignored). Brush size is brushFrom at weight 0 and brushTo at weight 1;
// the weights run from 1 to 8, so sizes go beyond brushTo. A null drawing draws nothing.
void drawStrokes(const Drawing* drawing, std::int32_t timeMs, float brushFrom, float brushTo,
                 std::uint32_t color, std::int32_t offsetX, std::int32_t offsetY, float scale);

// Speed of the segment from point j to point j + 1 as both renderers weigh it: the Manhattan
// distance with 160 pixels per unit on both axes, over the duration in seconds, over 50.
// Not a number when the two points share position and time (0 / 0).
float segmentSpeed(const Stroke& stroke, int j);

// The renderer's weight for a segment speed: 8 without movement, 7 for any slower moving
// segment, falling toward 1 as the speed grows. A speed that is not a number (same position
// and same time) counts as no movement and weighs 8.
float strokeWeight(float speed);

// How many strokes of a record and points of a stroke may be read, whatever the counts say.
int usableStrokes(const Drawing& drawing);
int usablePoints(const Stroke& stroke);

} // namespace velq
