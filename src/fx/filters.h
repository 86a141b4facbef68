// Whole-rectangle post effects that rework the canvas in place after a scene is drawn. They
// change only the red, green and blue bytes; alpha bytes are neither read nor written.
//
// Rectangles are left, top, right, bottom with right and bottom exclusive. Each coordinate is
// taken as a 16-bit signed value (only the low 16 bits of the argument count), then left and
// top are raised to 0 and right and bottom lowered to the canvas size; an empty result changes
// nothing.
#pragma once

#include <cstdint>

#include "display/canvas.h"

namespace velq {

// Horizontal then vertical box blur inside the rectangle: each channel becomes the truncated
// mean of the samples within radius that lie inside the rectangle. Only the low 8 bits of
// radius count; 0 does nothing.
void boxBlur(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
             std::int32_t bottom, std::int32_t radius);

// Adds one offset per pixel, (std::rand() % amplitude) - amplitude / 2, to all three channels,
// clamped to 0..255; one random draw per pixel in row order. Only the low 8 bits of amplitude
// count; 0 does nothing.
void addNoise(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom, std::int32_t amplitude);

// Maps each channel b to b * (256 / (high - low)) - low, truncated and clamped to 0..255: the
// lower bound is subtracted after the gain. high == low blackens the rectangle. low and high
// are 16-bit signed values.
void applyLevels(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom, std::int32_t low, std::int32_t high);

} // namespace velq
