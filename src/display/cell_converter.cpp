#include "display/cell_converter.h"

namespace velq {

std::uint8_t classifyColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    const std::uint8_t r = static_cast<std::uint8_t>(red);
    const std::uint8_t g = static_cast<std::uint8_t>(green);
    const std::uint8_t b = static_cast<std::uint8_t>(blue);
    std::uint8_t bits = 0;
    if (r > 180 || g > 180 || b > 180) bits |= 0x80;
    if (r > 80) bits |= 0x40;
    if (g > 80) bits |= 0x20;
    if (b > 80) bits |= 0x10;
    return bits;
}

std::int32_t cellLuminance(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    const double r = static_cast<std::uint8_t>(red);
    const double g = static_cast<std::uint8_t>(green);
    const double b = static_cast<std::uint8_t>(blue);
    const auto y = static_cast<std::int32_t>((r * 0.33 + g * 0.5) + b * 0.17);
    return y > 255 ? 255 : y;
}

Cell convertCell(ConstCanvasView pixels, int column, int row)
{
    const int base = 2 * row * canvasWidth + 2 * column;
    const std::array<Pixel, 4> sub = {pixels[base], pixels[base + 1], pixels[base + canvasWidth],
                                      pixels[base + canvasWidth + 1]};

    int sumR = 0, sumG = 0, sumB = 0;
    for (Pixel p : sub) {
        sumR += pixelRed(p);
        sumG += pixelGreen(p);
        sumB += pixelBlue(p);
    }
    const int avgR = sumR / 4, avgG = sumG / 4, avgB = sumB / 4;

    const std::uint8_t background = classifyColor(avgR, avgG, avgB);

    // The palette puts an "on" channel at 128 (dark) or 255 (bright); under the intensity bit
    // an "off" channel counts as -1, so 2L - 1 maps 128 to 255 and 0 to -1.
    int levelR = (background & 0x40) ? 128 : 0;
    int levelG = (background & 0x20) ? 128 : 0;
    int levelB = (background & 0x10) ? 128 : 0;
    if (background & 0x80) {
        levelR = 2 * levelR - 1;
        levelG = 2 * levelG - 1;
        levelB = 2 * levelB - 1;
    }
    // Residuals run from -255 to 511; only their low byte counts (a negative one wraps).
    const auto resR = static_cast<std::uint32_t>(2 * avgR - levelR);
    const auto resG = static_cast<std::uint32_t>(2 * avgG - levelG);
    const auto resB = static_cast<std::uint32_t>(2 * avgB - levelB);

    const std::uint8_t foreground = classifyColor(resR, resG, resB) >> 4;

    const std::int32_t o = cellLuminance(avgR, avgG, avgB);
    const std::int32_t q = cellLuminance(resR, resG, resB);
    const bool darkInk = o > q;

    unsigned mask = 0;
    for (unsigned i = 0; i < 4; ++i) {
        const std::int32_t t = cellLuminance(pixelRed(sub[i]), pixelGreen(sub[i]), pixelBlue(sub[i]));
        const bool dark = t < o - t / 4;
        if (dark == darkInk) mask |= 1u << i;
    }
    return Cell{glyphTable[mask], static_cast<std::uint16_t>(background | foreground)};
}

void convertCanvas(ConstCanvasView pixels, CellBuffer& cells)
{
    for (int row = 0; row < consoleRows; ++row)
        for (int column = 0; column < consoleColumns; ++column)
            cells[row * consoleColumns + column] = convertCell(pixels, column, row);
}

} // namespace velq
