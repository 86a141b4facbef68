// A loaded picture, blended over the canvas or sampled as a texture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "display/canvas.h"

namespace velq {

struct Image {
    // width x height Pixels, top row first, each row left to right; empty when not loaded.
    std::vector<Pixel> pixels;
    std::uint16_t height = 0;
    std::uint16_t width = 0;
    // floor(log2(width)), 0 for widths 0 and 1. Kept for the record; nothing reads it.
    std::uint8_t widthLog2 = 0;
};

// Counts the halvings of width: 1 -> 0, 3 -> 1, 160 -> 7, 65535 -> 15.
std::uint8_t computeWidthLog2(std::uint16_t width);

// Fills the record from a TGA file (a path containing ".tga" or ".TGA") or a raw file whose
// size is in its name (pic_160x100.raw). On failure a message is printed and the record is
// left empty.
void loadImage(const char* path, Image& image);
// The largest picture either loader accepts, in pixels (64 MiB of Pixels): a size beyond it
// comes from a damaged header or name, not from a picture of this show.
constexpr std::size_t maxImagePixels = std::size_t{1} << 24;

// Reads a TGA file whole and decodes it with decodeTgaImage; a failure is one line on
// standard error naming the file and the reason, and leaves the record empty.
void loadTgaImage(const char* path, Image& image);
// Decodes a true-colour TGA (24 bits without alpha bits, 32 bits with alpha bits; uncompressed
// or run-length encoded; any storage order) into top-down, left-to-right RGBA. Returns nullptr
// on success, else the reason, with the record left empty.
const char* decodeTgaImage(std::span<const std::uint8_t> file, Image& image);

// The width and height written in a raw picture's name, as read by "%d" (so they may be
// negative or 0); nothing when the name does not fit name_WIDTHxHEIGHT.ext with fields of at
// most 5 characters.
struct RawImageSize {
    int width = 0;
    int height = 0;
};
std::optional<RawImageSize> parseRawImageSize(const char* path);
// Reads width x height RGBA pixels from a headerless file; pixels past the file's end are
// transparent black. On failure a message is printed and the record is left empty.
void loadRawImage(const char* path, Image& image, int width, int height);

// Releases the pixels and zeroes the size; widthLog2 keeps its value.
void freeImage(Image& image);
// Blends the picture over the canvas with its top-left pixel at (x, y), clipped to the canvas.
void blitImage(const Image& image, std::int32_t x, std::int32_t y);

// The blend shared by blitImage and the texture layers: (source * a + dest * (255 - a)) >> 8
// per colour channel; the destination's alpha byte is kept. The divisor is 256, not 255.
constexpr Pixel blendPixel(Pixel source, Pixel dest)
{
    const std::uint32_t a = pixelAlpha(source);
    const std::uint32_t r = (pixelRed(source) * a + pixelRed(dest) * (255 - a)) >> 8;
    const std::uint32_t g = (pixelGreen(source) * a + pixelGreen(dest) * (255 - a)) >> 8;
    const std::uint32_t b = (pixelBlue(source) * a + pixelBlue(dest) * (255 - a)) >> 8;
    return makePixel(r, g, b, pixelAlpha(dest));
}

} // namespace velq
