#include "gml/stroke_renderer.h"

#include <algorithm>
#include <cmath>

#include "display/canvas.h"
#include "fx/fast_math.h"

namespace velq {

std::int32_t brushMemory = 0;

int usableStrokes(const Drawing& drawing)
{
    return std::clamp<std::int32_t>(drawing.strokeCount, 0, maxStrokes);
}

int usablePoints(const Stroke& stroke)
{
    return std::clamp<std::int32_t>(stroke.pointCount, 0, maxPoints);
}

float segmentSpeed(const Stroke& stroke, int j)
{
    const StrokePoint& a = stroke.points[j];
    const StrokePoint& b = stroke.points[j + 1];
    // Both axes with 160, y included: speed is measured in the drawing's own units.
    const float distance = static_cast<float>(std::fabs(160.0 * a.x - 160.0 * b.x) +
                                              std::fabs(160.0 * a.y - 160.0 * b.y));
    const float duration = static_cast<float>(std::fabs(double{stroke.times[j + 1]} - stroke.times[j]));
    return static_cast<float>(double{distance} / duration / 50.0);
}

float strokeWeight(float speed)
{
    // 0 / 0 is a pen that did not move: weigh it like any other still segment.
    const float factor = speed == 0.0f || std::isnan(speed) ? 7.0f : static_cast<float>(7.0 / speed);
    return factor > 7.0f ? 7.0f : static_cast<float>(factor + 1.0);
}

void drawStrokes(const Drawing* drawing, std::int32_t timeMs, float brushFrom, float brushTo,
                 std::uint32_t color, std::int32_t offsetX, std::int32_t offsetY, float scale)
{
    const float t = static_cast<float>(timeMs / 1000.0);
    if (drawing == nullptr || drawing->strokeCount <= 0) return;
    const float range = static_cast<float>(double{brushTo} - brushFrom);
    const std::int32_t blue = static_cast<std::int32_t>(color & 0xFF);
    const std::int32_t green = static_cast<std::int32_t>(color >> 8 & 0xFF);
    const std::int32_t red = static_cast<std::int32_t>(color >> 16 & 0xFF);

    const int strokes = usableStrokes(*drawing);
    for (int s = 0; s < strokes; ++s) {
        const Stroke& stroke = drawing->strokes[s];
        const int points = usablePoints(stroke);
        for (int j = 0; j < points - 1; ++j) {
            // A segment appears whole once its first point is due.
            if (t < stroke.times[j]) continue;
            const float weight = strokeWeight(segmentSpeed(stroke, j));
            // The memory is an integer in 0..7, so the smoothed weight stays in 0.25..7.25.
            const float smoothed = static_cast<float>(0.25 * weight + 0.75 * brushMemory);
            brushMemory = truncateToInt(smoothed);
            setBrushSize(truncateToInt(brushFrom + double{smoothed} * range));
            const StrokePoint& a = stroke.points[j];
            const StrokePoint& b = stroke.points[j + 1];
            // x * 160 * scale, multiplied left to right.
            drawLineRgb(truncateToInt(offsetX + a.x * 160.0 * scale), truncateToInt(offsetY + a.y * 100.0 * scale),
                        truncateToInt(offsetX + b.x * 160.0 * scale), truncateToInt(offsetY + b.y * 100.0 * scale),
                        blue, green, red);
        }
    }
}

} // namespace velq
