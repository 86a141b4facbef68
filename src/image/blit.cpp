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
    // Swapping with an empty vector gives the memory back; clear() would keep the capacity.
    std::vector<Pixel>().swap(image.pixels);
    image.height = 0;
    image.width = 0;
}

void blitImage(const Image& image, std::int32_t x, std::int32_t y)
{
    // 64-bit sums: a position near the ends of the 32-bit range must not overflow.
    const std::int64_t w = image.width;
    const std::int64_t h = image.height;
    if (x + w < 0 || y + h < 0 || x > canvasWidth || y > canvasHeight || w * h == 0) return;
    // A record whose pixels did not arrive draws nothing rather than read past them.
    if (image.pixels.size() < static_cast<std::size_t>(w * h)) return;

    // Only the rows and columns that land on the canvas; the same pixels as walking the
    // whole picture and testing 0 <= x + u < 160 and 0 <= y + v < 100 for each.
    const std::int64_t v0 = y < 0 ? -std::int64_t{y} : 0;
    const std::int64_t v1 = std::min<std::int64_t>(h, canvasHeight - std::int64_t{y});
    const std::int64_t u0 = x < 0 ? -std::int64_t{x} : 0;
    const std::int64_t u1 = std::min<std::int64_t>(w, canvasWidth - std::int64_t{x});
    for (std::int64_t v = v0; v < v1; ++v) {
        const Pixel* src = image.pixels.data() + v * w;
        Pixel* dst = canvas + (y + v) * canvasWidth;
        for (std::int64_t u = u0; u < u1; ++u) dst[x + u] = blendPixel(src[u], dst[x + u]);
    }
}

} // namespace velq
