// Any bytes as a TGA file, then blended onto the canvas at a position taken from the input:
// a picture either decodes whole or is refused, and a blit never leaves the canvas.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/canvas.h"
#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const velq::CanvasView pixels = velq::createCanvas();
    (void)pixels;
    // Pictures past 256 x 256 only repeat the same paths more slowly; the size limit itself
    // is checked by the tests.
    if (size >= 16 && static_cast<std::size_t>(data[12] | data[13] << 8) * (data[14] | data[15] << 8) > 65536) return 0;
    velq::Image image;
    const char* reason = velq::decodeTgaImage({data, size}, image);
    if (reason == nullptr) {
        if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height || image.pixels.empty())
            __builtin_trap();
        std::int32_t at[2] = {0, 0};
        if (size >= 26) std::memcpy(at, data + size - 8, sizeof at);
        velq::blitImage(image, at[0] % 400, at[1] % 400);
        velq::blitImage(image, at[0], at[1]);
    } else if (!image.pixels.empty() || image.width != 0 || image.height != 0) {
        __builtin_trap();
    }
    return 0;
}
