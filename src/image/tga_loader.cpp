// TGA pictures, decoded by stb_image with only its TGA reader compiled in.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "image/image.h"

// Static functions only: no symbol of the decoder leaves this file.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb_image.h>

namespace velq {

namespace {

// The 18-byte header: only the fields the loader needs.
constexpr std::size_t tgaHeaderSize = 18;
constexpr std::size_t idLengthOffset = 0;
constexpr std::size_t colourMapTypeOffset = 1;
constexpr std::size_t imageTypeOffset = 2;
constexpr std::size_t widthOffset = 12;
constexpr std::size_t heightOffset = 14;
constexpr std::size_t depthOffset = 16;
constexpr std::size_t descriptorOffset = 17;
constexpr std::uint8_t trueColour = 2;
constexpr std::uint8_t trueColourRle = 10;
// Image descriptor: low 4 bits the alpha-bit count, bit 4 right-to-left, bit 5 top-down.
constexpr std::uint8_t alphaBitsMask = 0x0F;
constexpr std::uint8_t rightToLeftBit = 0x10;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct StbFree {
    void operator()(stbi_uc* data) const { stbi_image_free(data); }
};

} // namespace

const char* decodeTgaImage(std::span<const std::uint8_t> file, Image& image)
{
    freeImage(image);
    if (file.size() < tgaHeaderSize) return "shorter than a TGA header";
    const unsigned type = file[imageTypeOffset];
    const unsigned depth = file[depthOffset];
    const unsigned descriptor = file[descriptorOffset];
    const unsigned alphaBits = descriptor & alphaBitsMask;
    const std::size_t width = file[widthOffset] | file[widthOffset + 1] << 8;
    const std::size_t height = file[heightOffset] | file[heightOffset + 1] << 8;

    // True colour only: 24 bits with no alpha bits, or 32 bits with alpha bits.
    if (file[colourMapTypeOffset] != 0 || (type != trueColour && type != trueColourRle))
        return "not a true-colour TGA (colour-mapped, grey-scale or unknown type)";
    if (!((depth == 24 && alphaBits == 0) || (depth == 32 && alphaBits != 0)))
        return "unsupported pixel depth or alpha-bit count (only 24 bits without alpha, 32 with)";
    if (width == 0 || height == 0) return "picture of size 0";
    if (width * height > maxImagePixels) return "picture too large";
    if (type == trueColour) {
        // The decoder would leave rows unfilled when the data stops early.
        const std::size_t needed = tgaHeaderSize + file[idLengthOffset] + width * height * (depth / 8);
        if (file.size() < needed) return "pixel data cut short";
    }
    // A run-length file cut short decodes its missing pixels as zero bytes.

    if (file.size() > static_cast<std::size_t>(INT32_MAX)) return "file too large";
    int decodedWidth = 0;
    int decodedHeight = 0;
    int components = 0;
    // Four components asked for: 24-bit pixels get alpha 255, 32-bit ones keep theirs. The
    // decoder swaps blue-green-red into red-green-blue and turns bottom-up rows top-down
    // itself; it does not look at the right-to-left bit.
    const std::unique_ptr<stbi_uc, StbFree> decoded{stbi_load_from_memory(
        file.data(), static_cast<int>(file.size()), &decodedWidth, &decodedHeight, &components, 4)};
    if (!decoded) return stbi_failure_reason();
    if (static_cast<std::size_t>(decodedWidth) != width || static_cast<std::size_t>(decodedHeight) != height)
        return "decoded size differs from the header";

    std::vector<Pixel> pixels;
    try {
        pixels.resize(width * height);
    } catch (const std::bad_alloc&) {
        return "out of memory";
    }
    std::memcpy(pixels.data(), decoded.get(), pixels.size() * sizeof(Pixel));
    if (descriptor & rightToLeftBit) {
        for (std::size_t row = 0; row < height; ++row) {
            const auto first = pixels.begin() + static_cast<std::ptrdiff_t>(row * width);
            std::reverse(first, first + static_cast<std::ptrdiff_t>(width));
        }
    }

    image.pixels = std::move(pixels);
    image.width = static_cast<std::uint16_t>(width);
    image.height = static_cast<std::uint16_t>(height);
    image.widthLog2 = computeWidthLog2(image.width);
    return nullptr;
}

void loadTgaImage(const char* path, Image& image)
{
    freeImage(image);
    const std::unique_ptr<std::FILE, FileCloser> file{std::fopen(path, "rb")};
    if (!file) {
        std::fprintf(stderr, "%s: cannot open TGA picture: %s\n", path, std::strerror(errno));
        return;
    }
    std::vector<std::uint8_t> bytes;
    try {
        std::uint8_t chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: cannot read TGA picture: out of memory\n", path);
        return;
    }
    if (std::ferror(file.get())) {
        std::fprintf(stderr, "%s: cannot read TGA picture: %s\n", path, std::strerror(errno));
        return;
    }
    if (const char* reason = decodeTgaImage(bytes, image))
        std::fprintf(stderr, "%s: cannot read TGA picture: %s\n", path, reason);
}

} // namespace velq
