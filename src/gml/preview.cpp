#include "gml/preview.h"

#include <algorithm>
#include <cmath>

#include "display/canvas.h"
#include "display/console.h"
#include "fx/fast_math.h"
#include "gml/gml_reader.h"
#include "gml/stroke_renderer.h"

namespace velq {

std::int32_t previewBrushMemory = 0;

float previewFactor(float speed)
{
    if (speed == 0.0f || std::isnan(speed)) return 0.0f;
    const auto factor = static_cast<float>(8.0 / speed);
    return factor > 8.0f ? 8.0f : factor;
}

void drawPreviewFrame(const Drawing& drawing, std::int32_t elapsedMs)
{
    // Slow pulse of the brush: period 2π / 0.002, about 3142 ms; half runs from 0 to 1.
    const double pulse = 1.0 + std::sin(elapsedMs * 0.002);
    const auto half = static_cast<float>(0.5 * pulse);
    const auto elapsed = static_cast<float>(elapsedMs);

    clearCanvas(0);
    const int strokes = usableStrokes(drawing);
    for (int s = 0; s < strokes; ++s) {
        const Stroke& stroke = drawing.strokes[s];
        const int points = usablePoints(stroke);
        for (int j = 0; j < points - 1; ++j) {
            // A recorded second is shown after 500 ms.
            if (elapsed < stroke.times[j] * 500.0) continue;
            const float factor = previewFactor(segmentSpeed(stroke, j));
            // The memory stays an integer in 0..7: the smoothed weight is below 8.
            const auto smoothed = static_cast<float>(0.5 * factor + 0.5 * previewBrushMemory);
            previewBrushMemory = truncateToInt(smoothed);
            setBrushSize(truncateToInt(double{smoothed} * half));
            const StrokePoint& a = stroke.points[j];
            const StrokePoint& b = stroke.points[j + 1];
            drawLineRgb(truncateToInt(a.x * 160.0), truncateToInt(a.y * 100.0), truncateToInt(b.x * 160.0),
                        truncateToInt(b.y * 100.0), 200, 200, 200);
        }
    }
}

void replayDrawing(const Drawing& drawing, TickSource ticks)
{
    const ConstCanvasView pixels(canvas, canvasPixels);
    const std::uint32_t start = ticks();
    while (ticks() - start < previewDurationMs) {
        const auto elapsedMs = static_cast<std::int32_t>(ticks() - start);
        drawPreviewFrame(drawing, elapsedMs);
        presentCanvas(pixels);
    }
}

void previewDrawing(const char* path, TickSource ticks)
{
    // About half a megabyte: static, and emptied here so that every call starts from zero.
    static Drawing record;
    record.specText.fill('\0');
    record.strokeCount = 0;
    for (Stroke& stroke : record.strokes) {
        stroke.pointCount = 0;
        stroke.points.fill(StrokePoint{});
        stroke.times.fill(0.0f);
    }
    loadDrawing(path, &record);
    replayDrawing(record, ticks);
}

} // namespace velq
