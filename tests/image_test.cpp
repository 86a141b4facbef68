#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "image/image.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

// A directory of its own under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "velq_image_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// --- TGA files written by the test -------------------------------------------------------

struct TgaKind {
    int depth;        // 24 or 32
    bool rle;
    bool topDown;     // descriptor bit 5
    bool rightToLeft; // descriptor bit 4
};

// Writes picture (top row first, left to right, RGBA) in the storage order the kind asks for.
std::vector<std::uint8_t> makeTga(const std::vector<Pixel>& picture, int width, int height, TgaKind kind)
{
    std::vector<std::uint8_t> out(18, 0);
    out[2] = kind.rle ? 10 : 2;
    out[12] = static_cast<std::uint8_t>(width);
    out[13] = static_cast<std::uint8_t>(width >> 8);
    out[14] = static_cast<std::uint8_t>(height);
    out[15] = static_cast<std::uint8_t>(height >> 8);
    out[16] = static_cast<std::uint8_t>(kind.depth);
    out[17] = static_cast<std::uint8_t>((kind.depth == 32 ? 8 : 0) | (kind.rightToLeft ? 0x10 : 0) | (kind.topDown ? 0x20 : 0));

    std::vector<Pixel> stored;
    for (int r = 0; r < height; ++r) {
        const int row = kind.topDown ? r : height - 1 - r;
        for (int c = 0; c < width; ++c) {
            const int column = kind.rightToLeft ? width - 1 - c : c;
            stored.push_back(picture[static_cast<std::size_t>(row * width + column)]);
        }
    }
    auto putPixelBytes = [&](Pixel p) {
        out.push_back(pixelBlue(p));
        out.push_back(pixelGreen(p));
        out.push_back(pixelRed(p));
        if (kind.depth == 32) out.push_back(pixelAlpha(p));
    };
    if (!kind.rle) {
        for (Pixel p : stored) putPixelBytes(p);
        return out;
    }
    // Run packets for repeats, raw packets otherwise, at most 128 pixels each.
    std::size_t i = 0;
    while (i < stored.size()) {
        std::size_t run = 1;
        while (i + run < stored.size() && run < 128 && stored[i + run] == stored[i]) ++run;
        if (run > 1) {
            out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
            putPixelBytes(stored[i]);
            i += run;
            continue;
        }
        std::size_t raw = 1;
        while (i + raw < stored.size() && raw < 128 &&
               !(i + raw + 1 < stored.size() && stored[i + raw] == stored[i + raw + 1]))
            ++raw;
        out.push_back(static_cast<std::uint8_t>(raw - 1));
        for (std::size_t k = 0; k < raw; ++k) putPixelBytes(stored[i + k]);
        i += raw;
    }
    return out;
}

// A 5 x 3 picture with a run in its middle row, so RLE writes both kinds of packet.
std::vector<Pixel> samplePicture()
{
    std::vector<Pixel> p;
    for (int i = 0; i < 15; ++i)
        p.push_back(makePixel(static_cast<std::uint32_t>(10 * i + 1), static_cast<std::uint32_t>(200 - i),
                              static_cast<std::uint32_t>(7 * i), static_cast<std::uint32_t>(17 * i)));
    for (int i = 6; i < 9; ++i) p[static_cast<std::size_t>(i)] = p[5];
    return p;
}

TEST(TgaLoader, EveryStorageOrderAndEncodingGivesThePicture)
{
    const std::vector<Pixel> picture = samplePicture();
    for (int depth : {24, 32})
        for (bool rle : {false, true})
            for (bool topDown : {false, true})
                for (bool rightToLeft : {false, true}) {
                    SCOPED_TRACE(testing::Message() << depth << " bits, rle " << rle << ", top-down " << topDown
                                                    << ", right-to-left " << rightToLeft);
                    Image image;
                    ASSERT_EQ(decodeTgaImage(makeTga(picture, 5, 3, {depth, rle, topDown, rightToLeft}), image), nullptr);
                    ASSERT_EQ(image.width, 5);
                    ASSERT_EQ(image.height, 3);
                    EXPECT_EQ(image.widthLog2, 2);
                    ASSERT_EQ(image.pixels.size(), 15u);
                    for (std::size_t i = 0; i < 15; ++i) {
                        const Pixel expected = depth == 32 ? picture[i] : (picture[i] | 0xFF000000u);
                        EXPECT_EQ(image.pixels[i], expected) << "pixel " << i;
                    }
                }
}

// ImageMagick as an independent reader of the same files: its -auto-orient applies the
// storage-order bits the way the picture is meant to be seen.
TEST(TgaLoader, SameAsAnIndependentDecoder)
{
    if (std::system("command -v convert >/dev/null") != 0) GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const std::vector<Pixel> picture = samplePicture();
    for (int depth : {24, 32})
        for (bool rle : {false, true})
            for (bool topDown : {false, true})
                for (bool rightToLeft : {false, true}) {
                    const std::string name = std::to_string(depth) + (rle ? "r" : "u") + (topDown ? "t" : "b") + (rightToLeft ? "m" : "n");
                    const std::string in = dir.file(name + ".tga"), out = dir.file(name + ".rgba");
                    const std::vector<std::uint8_t> file = makeTga(picture, 5, 3, {depth, rle, topDown, rightToLeft});
                    writeFile(in, file);
                    ASSERT_EQ(std::system(("convert '" + in + "' -auto-orient -depth 8 'rgba:" + out + "'").c_str()), 0);
                    std::ifstream stream(out, std::ios::binary);
                    const std::vector<char> theirs{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
                    Image image;
                    ASSERT_EQ(decodeTgaImage(file, image), nullptr);
                    ASSERT_EQ(theirs.size(), image.pixels.size() * 4) << name;
                    EXPECT_EQ(std::memcmp(theirs.data(), image.pixels.data(), theirs.size()), 0) << name;
                }
}

TEST(TgaLoader, HandWrittenFilesInEachStorageOrder)
{
    // 2 x 2, 24 bits, stored rows: first stored pixels blue-green-red 1,2,3 and 4,5,6, then 7,8,9
    // and 10,11,12.
    const std::vector<std::uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    auto file = [&](std::uint8_t descriptor) {
        std::vector<std::uint8_t> f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, descriptor};
        f.insert(f.end(), data.begin(), data.end());
        return f;
    };
    const Pixel a = makePixel(3, 2, 1, 255), b = makePixel(6, 5, 4, 255);
    const Pixel c = makePixel(9, 8, 7, 255), d = makePixel(12, 11, 10, 255);
    const struct {
        std::uint8_t descriptor;
        std::vector<Pixel> expected;
    } cases[] = {
        {0x00, {c, d, a, b}}, // bottom-up: the last stored row is row 0
        {0x20, {a, b, c, d}}, // top-down: file order
        {0x10, {d, c, b, a}}, // bottom-up, right to left
        {0x30, {b, a, d, c}}, // top-down, right to left
    };
    for (const auto& test : cases) {
        Image image;
        ASSERT_EQ(decodeTgaImage(file(test.descriptor), image), nullptr);
        EXPECT_EQ(image.pixels, test.expected) << "descriptor " << int(test.descriptor);
    }
}

TEST(TgaLoader, ImageIdentifierIsSkipped)
{
    std::vector<std::uint8_t> f = {3, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 32, 0x28, 'a', 'b', 'c', 30, 20, 10, 40};
    Image image;
    ASSERT_EQ(decodeTgaImage(f, image), nullptr);
    ASSERT_EQ(image.pixels.size(), 1u);
    EXPECT_EQ(image.pixels[0], makePixel(10, 20, 30, 40));
}

TEST(TgaLoader, UnsupportedOrDamagedFilesLeaveTheRecordEmpty)
{
    const std::vector<Pixel> picture = samplePicture();
    const std::vector<std::uint8_t> good = makeTga(picture, 5, 3, {24, false, false, false});
    auto with = [&](std::size_t offset, std::uint8_t value) {
        std::vector<std::uint8_t> f = good;
        f[offset] = value;
        return f;
    };
    const struct {
        const char* what;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"empty file", {}},
        {"short header", std::vector<std::uint8_t>(good.begin(), good.begin() + 17)},
        {"colour-mapped", with(2, 1)},
        {"colour map present", with(1, 1)},
        {"grey-scale", with(2, 3)},
        {"16 bits", with(16, 16)},
        {"24 bits with alpha bits", with(17, 8)},
        {"32 bits without alpha bits", [&] {
             auto f = makeTga(picture, 5, 3, {32, false, false, false});
             f[17] = 0;
             return f;
         }()},
        {"width 0", with(12, 0)},
        {"pixel data cut short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
        {"unknown type", with(2, 77)},
        {"too large", [&] {
             auto f = makeTga(picture, 5, 3, {24, true, false, false});
             f[12] = f[13] = f[14] = f[15] = 0xFF;
             return f;
         }()},
    };
    for (const auto& test : cases) {
        Image image;
        image.pixels.assign(4, 0x12345678);
        image.width = image.height = 2;
        const char* reason = decodeTgaImage(test.file, image);
        EXPECT_NE(reason, nullptr) << test.what;
        EXPECT_TRUE(image.pixels.empty()) << test.what;
        EXPECT_EQ(image.width, 0) << test.what;
        EXPECT_EQ(image.height, 0) << test.what;
    }
}

TEST(TgaLoader, RunLengthFileCutShortStillDecodes)
{
    std::vector<std::uint8_t> f = makeTga(samplePicture(), 5, 3, {32, true, false, false});
    f.resize(f.size() - 6);
    Image image;
    EXPECT_EQ(decodeTgaImage(f, image), nullptr);
    EXPECT_EQ(image.pixels.size(), 15u);
}

// --- loadImage: choosing the loader, raw names and raw files -------------------------------

std::string loadAndCaptureErrors(const std::string& path, Image& image)
{
    testing::internal::CaptureStderr();
    loadImage(path.c_str(), image);
    return testing::internal::GetCapturedStderr();
}

TEST(LoadImage, PathChoosesTheLoader)
{
    TempDir dir;
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"dots.tga", "cannot open TGA picture"},
        {"DOTS.TGA", "cannot open TGA picture"},
        {"pic_2x2.tga.old", "cannot open TGA picture"},
        {"pic_2x2.Tga", "file not found!!"}, // not a TGA name: read as raw
        {"pic.Tga", "no size in name!!"},
    };
    for (const auto& test : cases) {
        Image image;
        const std::string path = dir.file(test.name);
        const std::string errors = loadAndCaptureErrors(path, image);
        EXPECT_NE(errors.find(test.message), std::string::npos) << test.name << ": " << errors;
        EXPECT_NE(errors.find(path), std::string::npos) << "the message names the file";
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << "one line";
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_EQ(image.width, 0);
    }
}

TEST(LoadImage, TgaFromFile)
{
    TempDir dir;
    const std::string path = dir.file("pic.tga");
    writeFile(path, makeTga(samplePicture(), 5, 3, {32, true, true, false}));
    Image image;
    EXPECT_EQ(loadAndCaptureErrors(path, image), "");
    EXPECT_EQ(image.pixels, samplePicture());
}

TEST(RawImageName, SizesReadBackwardsFromTheLastDot)
{
    const struct {
        const char* name;
        std::optional<std::pair<int, int>> size;
    } cases[] = {
        {"sprite_16x8.raw", std::pair{16, 8}},
        {"data2/my_pic_32x16.raw", std::pair{32, 16}},
        {"a_12345x2.raw", std::pair{12345, 2}},
        {"a_2x12345.raw", std::pair{2, 12345}},
        {"a_123456x2.raw", std::nullopt}, // a field of 6 characters
        {"a_2x123456.raw", std::nullopt},
        {"a_1x2.b_3x4", std::pair{1, 2}},
        {"p_2x3.raw.tmp", std::pair{2, 3}}, // height field "3.raw" reads 3
        {"pic16x8.raw", std::nullopt},      // no '_'
        {"pic_16X8.raw", std::nullopt},     // 'x' is lower case only
        {"pic_16x8", std::nullopt},         // no '.'
        {"pic_x8.raw", std::nullopt},       // empty width
        {"pic_16x.raw", std::nullopt},      // empty height
        {"pic_abx8.raw", std::nullopt},     // no number
        {"pic_16x8ab.raw", std::pair{16, 8}},
        {"pic_ 16x 8.raw", std::pair{16, 8}}, // leading blanks
        {"pic_16 x8 .raw", std::pair{16, 8}},
        {"pic_-3x+4.raw", std::pair{-3, 4}}, // signs as "%d" takes them
        {"pic_+x4.raw", std::nullopt},
        {"pic_ - 3x4.raw", std::nullopt},
        {"x_1x2.raw", std::pair{1, 2}},
        {".raw", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& test : cases) {
        const std::optional<RawImageSize> size = parseRawImageSize(test.name);
        ASSERT_EQ(size.has_value(), test.size.has_value()) << test.name;
        if (size) {
            EXPECT_EQ(size->width, test.size->first) << test.name;
            EXPECT_EQ(size->height, test.size->second) << test.name;
        }
    }
}

TEST(LoadImage, RawBytesBecomeThePixels)
{
    TempDir dir;
    const std::string path = dir.file("sprite_16x8.raw");
    std::vector<std::uint8_t> bytes(512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    writeFile(path, bytes);
    Image image;
    EXPECT_EQ(loadAndCaptureErrors(path, image), "");
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 8);
    EXPECT_EQ(image.widthLog2, 4);
    ASSERT_EQ(image.pixels.size(), 128u);
    EXPECT_EQ(std::memcmp(image.pixels.data(), bytes.data(), bytes.size()), 0);
    EXPECT_EQ(image.pixels[0], makePixel(3, 10, 17, 24));
}

TEST(LoadImage, ShortRawFileLeavesTransparentBlack)
{
    TempDir dir;
    const std::string path = dir.file("p_2x2.raw");
    writeFile(path, {1, 2, 3, 4, 5, 6});
    Image image;
    EXPECT_EQ(loadAndCaptureErrors(path, image), "");
    EXPECT_EQ(image.pixels, (std::vector<Pixel>{makePixel(1, 2, 3, 4), makePixel(5, 6, 0, 0), 0, 0}));
}

TEST(LoadImage, RawFailuresPrintAndLeaveTheSlotEmpty)
{
    TempDir dir;
    writeFile(dir.file("big_99999x99999.raw"), {1, 2, 3, 4});
    writeFile(dir.file("neg_-2x2.raw"), {1, 2, 3, 4});
    writeFile(dir.file("zero_0x2.raw"), {1, 2, 3, 4});
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"missing_2x2.raw", "EEEEEEEEEEEK!!!     file not found!!"},
        {"big_99999x99999.raw", "EEEEEEEEEEEK!!!     bad size 99999x99999!!"},
        {"neg_-2x2.raw", "EEEEEEEEEEEK!!!     bad size -2x2!!"},
        {"zero_0x2.raw", "EEEEEEEEEEEK!!!     bad size 0x2!!"},
        {"noname.raw", "EEEEEEEEEEEK!!!     no size in name!!"},
    };
    for (const auto& test : cases) {
        Image image;
        image.pixels.assign(4, 1);
        image.width = image.height = 2;
        const std::string errors = loadAndCaptureErrors(dir.file(test.name), image);
        EXPECT_EQ(errors.rfind(test.message, 0), 0u) << errors;
        EXPECT_TRUE(image.pixels.empty()) << test.name;
        EXPECT_EQ(image.width, 0) << test.name;
        EXPECT_EQ(image.height, 0) << test.name;
    }
}

// --- widthLog2, freeImage ------------------------------------------------------------------

TEST(Image, WidthLog2CountsHalvings)
{
    const std::pair<std::uint16_t, std::uint8_t> cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {64, 6},
                                                             {100, 6}, {160, 7}, {256, 8}, {65535, 15}};
    for (auto [width, log2] : cases) EXPECT_EQ(computeWidthLog2(width), log2) << width;
}

TEST(Image, FreeReleasesPixelsAndKeepsWidthLog2)
{
    Image image;
    image.pixels.assign(64, makePixel(255, 255, 255, 255));
    image.width = 16;
    image.height = 4;
    image.widthLog2 = 4;
    freeImage(image);
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(image.pixels.capacity(), 0u) << "the memory is given back";
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.widthLog2, 4);

    const CanvasView pixels = createCanvas();
    clearCanvas(makePixel(9, 9, 9, 9));
    blitImage(image, 0, 0);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), makePixel(9, 9, 9, 9)), canvasPixels);
}

// --- blend and blit ------------------------------------------------------------------------

TEST(Blit, BlendDividesBy256)
{
    const struct {
        std::uint32_t source, alpha, dest, expected;
    } cases[] = {
        {255, 255, 0, 254},   {255, 255, 100, 254}, {255, 255, 255, 254}, {0, 0, 255, 254},
        {0, 0, 0, 0},         {77, 0, 1, 0},         {200, 128, 100, 149}, {0, 255, 255, 0},
        {255, 128, 255, 254}, {100, 1, 200, 198},
    };
    for (const auto& c : cases) {
        const Pixel dest = makePixel(c.dest, c.dest, c.dest, 0x5A);
        const Pixel out = blendPixel(makePixel(c.source, c.source, c.source, c.alpha), dest);
        EXPECT_EQ(out, makePixel(c.expected, c.expected, c.expected, 0x5A))
            << c.source << " a " << c.alpha << " over " << c.dest;
    }
    // Channels blend separately.
    EXPECT_EQ(blendPixel(makePixel(200, 0, 255, 128), makePixel(100, 255, 0, 1)), makePixel(149, 126, 127, 1));
}

// The plain form: walk every picture pixel and test its destination.
std::vector<Pixel> referenceBlit(const std::vector<Pixel>& before, const Image& image, std::int64_t x, std::int64_t y)
{
    std::vector<Pixel> out = before;
    for (std::int64_t v = 0; v < image.height; ++v)
        for (std::int64_t u = 0; u < image.width; ++u) {
            const std::int64_t dx = x + u, dy = y + v;
            if (dx < 0 || dx >= canvasWidth || dy < 0 || dy >= canvasHeight) continue;
            Pixel& d = out[static_cast<std::size_t>(dy * canvasWidth + dx)];
            d = blendPixel(image.pixels[static_cast<std::size_t>(v * image.width + u)], d);
        }
    return out;
}

Image patternImage(int width, int height)
{
    Image image;
    image.width = static_cast<std::uint16_t>(width);
    image.height = static_cast<std::uint16_t>(height);
    for (int i = 0; i < width * height; ++i)
        image.pixels.push_back(makePixel(static_cast<std::uint32_t>(i * 3), static_cast<std::uint32_t>(i),
                                         static_cast<std::uint32_t>(255 - i % 256), static_cast<std::uint32_t>(i * 11 % 256)));
    return image;
}

void fillCanvasPattern(CanvasView pixels)
{
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = makePixel(static_cast<std::uint32_t>(i % 251), static_cast<std::uint32_t>(i % 13 * 19),
                              static_cast<std::uint32_t>(i % 7 * 30), static_cast<std::uint32_t>(i % 5 * 50));
}

TEST(Blit, ClippedOnEverySideLikeThePlainWalk)
{
    const CanvasView pixels = createCanvas();
    const Image image = patternImage(20, 10);
    const struct {
        std::int32_t x, y;
        int changed; // destination pixels inside the canvas
    } cases[] = {
        {0, 0, 200},        {70, 45, 200},     {150, 95, 50},    {-5, -3, 105},  {145, -4, 90},
        {-12, 93, 56},      {159, 99, 1},      {-19, -9, 1},     {160, 0, 0},    {-20, 0, 0},
        {0, 100, 0},        {0, -10, 0},       {161, 101, 0},    {INT_MAX, 0, 0}, {INT_MIN, 0, 0},
        {0, INT_MAX, 0},    {0, INT_MIN, 0},   {INT_MIN, INT_MIN, 0}, {INT_MAX, INT_MAX, 0},
    };
    for (const auto& test : cases) {
        fillCanvasPattern(pixels);
        const std::vector<Pixel> before(pixels.begin(), pixels.end());
        blitImage(image, test.x, test.y);
        const std::vector<Pixel> after(pixels.begin(), pixels.end());
        EXPECT_EQ(after, referenceBlit(before, image, test.x, test.y)) << test.x << "," << test.y;
        int changedInside = 0;
        for (int i = 0; i < canvasPixels; ++i) {
            EXPECT_EQ(pixelAlpha(after[i]), pixelAlpha(before[i])) << "canvas alpha is never written";
            changedInside += after[i] != before[i];
        }
        EXPECT_LE(changedInside, test.changed) << test.x << "," << test.y;
        if (test.changed == 0) {
            EXPECT_EQ(changedInside, 0);
        }
    }
}

TEST(Blit, TallPictureShowsTheRowsThatLandOnTheCanvas)
{
    const CanvasView pixels = createCanvas();
    Image image;
    image.width = 160;
    image.height = 300;
    for (std::uint32_t v = 0; v < 300; ++v)
        for (int u = 0; u < 160; ++u) image.pixels.push_back(makePixel(v % 256, v / 256, 255, 255));
    clearCanvas(0);
    blitImage(image, 0, -100);
    for (int y = 0; y < canvasHeight; ++y) {
        const std::uint32_t v = static_cast<std::uint32_t>(y + 100);
        // Opaque: each channel c becomes (c * 255) >> 8.
        ASSERT_EQ(pixels[static_cast<std::size_t>(y * canvasWidth + 7)],
                  makePixel(v % 256 * 255 >> 8, v / 256 * 255 >> 8, 254, 0))
            << "row " << y;
    }
}

TEST(Blit, RecordWithMissingPixelsDrawsNothing)
{
    const CanvasView pixels = createCanvas();
    clearCanvas(makePixel(1, 2, 3, 4));
    Image image;
    image.width = 4;
    image.height = 4;
    image.pixels.assign(3, makePixel(255, 255, 255, 255));
    blitImage(image, 0, 0);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), makePixel(1, 2, 3, 4)), canvasPixels);
}

} // namespace
} // namespace velq
