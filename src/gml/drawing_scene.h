// The drawings as scenes of the show: each of the 17 drawings has a fixed style (replay
// speed, place, size, and a stack of two or three coloured passes of the stroke renderer).
#pragma once

#include <cstdint>

#include "gml/drawing.h"
#include "image/image.h"

namespace velq {

// Which of the three cycle colours (cyan, magenta, yellow) the cycling styles use. Moves on
// each time a drawing scene is called with elapsed time 0.
extern std::int32_t colorCycle;

constexpr int sceneDrawings = 17;

// Draws drawing `index` (0..16; anything else, negative included, draws nothing) as it
// stands elapsedMs after the scene was selected, over whatever the canvas holds.
void drawingScene(std::int32_t elapsedMs, std::int32_t index);

// Where drawingScene sends its work: the stroke renderer and the picture blend, or a
// recorder standing in for them.
struct SceneOutput {
    void (*strokes)(const Drawing* drawing, std::int32_t timeMs, float brushFrom, float brushTo,
                    std::uint32_t color, std::int32_t offsetX, std::int32_t offsetY, float scale);
    void (*image)(const Image& image, std::int32_t x, std::int32_t y);
};
void drawingScene(std::int32_t elapsedMs, std::int32_t index, const SceneOutput& output);

} // namespace velq
