#include "image/image.h"

#include <algorithm>

namespace velq {

std::uint8_t computeWidthLog2(std::uint16_t width)
{
    std::uint8_t count = 0;
    for (unsigned v = width >> 1; v != 0; v >>= 1) ++count;
    return count;
}

void freeImage(Image& image)
{
    image.pixels = {};
    image.height = 0;
    image.width = 0;
}

void blitImage(const Image& image, std::int32_t x, std::int32_t y)
{
    const std::int32_t w = image.width;
    const std::int32_t h = image.height;
    if (x + w < 0 || y + h < 0 || x > canvasWidth || y > canvasHeight || w * h == 0) return;
    // A record whose pixels did not arrive draws nothing rather than read past them.
    if (image.pixels.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) return;

    // Only the rows and columns that land on the canvas; the same pixels as walking the
    // whole picture and testing each destination.
    const std::int32_t v0 = y < 0 ? -y : 0;
    const std::int32_t v1 = std::min(h, canvasHeight - y);
    const std::int32_t u0 = x < 0 ? -x : 0;
    const std::int32_t u1 = std::min(w, canvasWidth - x);
    for (std::int32_t v = v0; v < v1; ++v) {
        const Pixel* src = image.pixels.data() + static_cast<std::size_t>(v) * w;
        Pixel* dst = canvas + (y + v) * canvasWidth + x;
        for (std::int32_t u = u0; u < u1; ++u) dst[u] = blendPixel(src[u], dst[u]);
    }
}

} // namespace velq
