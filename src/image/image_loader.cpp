// Picks the loader by the path, and reads headerless raw pictures whose size is in their name.
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "image/image.h"

namespace velq {

namespace {

// A field of the raw name holds at most this many characters.
constexpr std::size_t maxRawFieldLength = 5;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads a field the way "%d" does: blanks skipped, an optional sign, then digits up to the
// first non-digit. Nothing when no digit follows.
std::optional<int> readDecimalField(std::string_view field)
{
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    if (i == field.size() || field[i] < '0' || field[i] > '9') return std::nullopt;
    int value = 0; // at most 5 digits: no overflow
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) value = value * 10 + (field[i] - '0');
    return negative ? -value : value;
}

} // namespace

void loadImage(const char* path, Image& image)
{
    // A plain substring test: "pic.tga.old" is a TGA, "pic.Tga" is not.
    const std::string_view name = path;
    if (name.find(".tga") != std::string_view::npos || name.find(".TGA") != std::string_view::npos) {
        loadTgaImage(path, image);
        return;
    }
    const std::optional<RawImageSize> size = parseRawImageSize(path);
    if (!size) {
        std::fprintf(stderr, "EEEEEEEEEEEK!!!     no size in name!! %s\n", path);
        freeImage(image);
        return;
    }
    loadRawImage(path, image, size->width, size->height);
}

std::optional<RawImageSize> parseRawImageSize(const char* path)
{
    // Backwards from the last '.': the nearest 'x' before it ends the width field and starts
    // the height field, the nearest '_' before that 'x' starts the width field.
    const std::string_view name = path;
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    const std::size_t x = name.rfind('x', dot - 1);
    if (x == std::string_view::npos || x == 0) return std::nullopt;
    const std::size_t underscore = name.rfind('_', x - 1);
    if (underscore == std::string_view::npos) return std::nullopt;

    const std::string_view widthField = name.substr(underscore + 1, x - underscore - 1);
    const std::string_view heightField = name.substr(x + 1, dot - x - 1);
    if (widthField.size() > maxRawFieldLength || heightField.size() > maxRawFieldLength) return std::nullopt;
    const std::optional<int> width = readDecimalField(widthField);
    const std::optional<int> height = readDecimalField(heightField);
    if (!width || !height) return std::nullopt;
    return RawImageSize{*width, *height};
}

void loadRawImage(const char* path, Image& image, int width, int height)
{
    freeImage(image);
    // The record holds 16-bit sizes; anything else is a name that only looks like a size.
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > maxImagePixels) {
        std::fprintf(stderr, "EEEEEEEEEEEK!!!     bad size %dx%d!! %s\n", width, height, path);
        return;
    }
    const File file{std::fopen(path, "rb")};
    if (!file) {
        std::fprintf(stderr, "EEEEEEEEEEEK!!!     file not found!! %s\n", path);
        return;
    }
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<Pixel> pixels;
    try {
        // Zero-filled, so a file shorter than its size leaves transparent black.
        pixels.resize(count);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "EEEEEEEEEEEK!!!     not nuff mem!! %s\n", path);
        return;
    }
    // Pixel holds red in its low byte, so the file's red, green, blue, alpha bytes are the
    // Pixels' own bytes on this little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    const std::size_t read = std::fread(pixels.data(), 1, count * sizeof(Pixel), file.get());
    (void)read; // a short file is allowed: the rest stays transparent black

    image.pixels = std::move(pixels);
    image.width = static_cast<std::uint16_t>(width);
    image.height = static_cast<std::uint16_t>(height);
    image.widthLog2 = computeWidthLog2(image.width);
}

} // namespace velq
