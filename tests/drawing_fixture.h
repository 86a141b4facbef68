// Builds Drawing records for tests: one stroke per list of points.
#pragma once

#include <memory>
#include <vector>

#include "gml/drawing.h"

namespace velq {

struct TimedPoint {
    float x, y, time;
};

// Drawings are half a megabyte: built on the heap.
inline std::unique_ptr<Drawing> makeDrawing(const std::vector<std::vector<TimedPoint>>& strokes)
{
    auto drawing = std::make_unique<Drawing>();
    drawing->strokeCount = static_cast<std::int32_t>(strokes.size());
    for (std::size_t s = 0; s < strokes.size(); ++s) {
        Stroke& stroke = drawing->strokes[s];
        stroke.pointCount = static_cast<std::int32_t>(strokes[s].size());
        for (std::size_t j = 0; j < strokes[s].size(); ++j) {
            stroke.points[j] = {strokes[s][j].x, strokes[s][j].y, 0};
            stroke.times[j] = strokes[s][j].time;
        }
    }
    return drawing;
}

} // namespace velq
