#include "fx/bar_wipe.h"

#include <limits>

namespace velq {

std::int32_t barCount = 0;

void barsScene(std::int32_t elapsedMs, std::int32_t reset, std::int32_t advance)
{
    if (reset != 0)
        barCount = 0;
    else if (advance != 0 && barCount < std::numeric_limits<std::int32_t>::max())
        ++barCount;

    const std::int32_t h = elapsedMs > canvasHeight ? canvasHeight : elapsedMs;
    // Bars from index 8 on lie right of the canvas and have no colour: they are not drawn.
    constexpr auto bars = static_cast<std::int32_t>(barColours.size());
    if (barCount < bars)
        fillRect(barWidth * barCount, 0, barWidth * barCount + barWidth, h, barColours[barCount]);
    for (std::int32_t k = (barCount < bars ? barCount : bars) - 1; k >= 0; --k)
        fillRect(barWidth * k, 0, barWidth * k + barWidth, canvasHeight, barColours[k]);
}

} // namespace velq
