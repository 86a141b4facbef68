// The show's pictures. Everything is seen through 2x2-pixel cells in 16 colours, so the
// pictures use bold shapes, the console's own colour levels (0, 128, 255) and hard outlines.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "formats.h"
#include "lettering.h"
#include "makedata.h"

namespace velq::makedata {
namespace {

constexpr int greetingsPages = 5;

constexpr std::uint32_t rgba(int r, int g, int b, int a = 255)
{
    return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
           static_cast<std::uint32_t>(b) << 16 | static_cast<std::uint32_t>(a) << 24;
}

constexpr std::uint32_t black = rgba(0, 0, 0), white = rgba(255, 255, 255), yellow = rgba(255, 255, 0),
                        red = rgba(255, 0, 0), magenta = rgba(255, 0, 255), cyan = rgba(0, 255, 255),
                        blue = rgba(0, 0, 255), green = rgba(0, 255, 0), darkBlue = rgba(0, 0, 128),
                        darkMagenta = rgba(128, 0, 128), darkCyan = rgba(0, 128, 128), grey = rgba(128, 128, 128),
                        darkRed = rgba(128, 0, 0);

// ---- Masks -----------------------------------------------------------------------------------

struct Mask {
    int width, height;
    std::vector<std::uint8_t> on;
    Mask(int w, int h) : width(w), height(h), on(w * h, 0) {}
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && on[y * width + x]; }
};

void stampDisk(Mask& m, double cx, double cy, double r)
{
    const int x0 = static_cast<int>(std::floor(cx - r)), x1 = static_cast<int>(std::ceil(cx + r));
    const int y0 = static_cast<int>(std::floor(cy - r)), y1 = static_cast<int>(std::ceil(cy + r));
    for (int y = std::max(0, y0); y <= std::min(m.height - 1, y1); ++y)
        for (int x = std::max(0, x0); x <= std::min(m.width - 1, x1); ++x) {
            const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= r * r) m.on[y * m.width + x] = 1;
        }
}

void strokePath(Mask& m, const Polyline& path, double r)
{
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const Vec2 a = path[i], b = path[i + 1];
        const int steps = std::max(1, static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) * 4));
        for (int s = 0; s <= steps; ++s) {
            const double f = static_cast<double>(s) / steps;
            stampDisk(m, a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f, r);
        }
    }
    if (path.size() == 1) stampDisk(m, path[0].x, path[0].y, r);
}

// Text placed by its centre line: centred on cx, baseline at baseline, unit pixels per font unit.
void drawText(Mask& m, const std::string& font, std::string_view text, double cx, double baseline, double unit,
              double radius, double spacing = 0, double maxWidth = 148)
{
    const TextPaths t = layoutText(font, text, spacing);
    unit = std::min(unit, maxWidth / t.width); // shrink to fit, never grow
    const double left = cx - t.width * unit / 2;
    for (const Polyline& p : t.paths) {
        Polyline placed;
        for (const Vec2 v : p) placed.push_back({left + v.x * unit, baseline - v.y * unit});
        strokePath(m, placed, radius);
    }
}

Mask dilate(const Mask& m, int r)
{
    Mask out(m.width, m.height);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            if (!m.at(x, y)) continue;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx)
                    if (dx * dx + dy * dy <= r * r + r && x + dx >= 0 && y + dy >= 0 && x + dx < m.width &&
                        y + dy < m.height)
                        out.on[(y + dy) * m.width + x + dx] = 1;
        }
    return out;
}

using Paint = std::function<std::uint32_t(int x, int y)>;

void fill(Picture& pic, const Mask& m, const Paint& paint, int offsetY = 0)
{
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x)
            if (m.at(x, y) && y + offsetY >= 0 && y + offsetY < pic.height) pic.at(x, y + offsetY) = paint(x, y);
}

Paint solid(std::uint32_t c)
{
    return [c](int, int) { return c; };
}

// Horizontal bands of colour from top to bottom between y0 and y1: a gradient in 16 colours.
Paint bands(std::vector<std::uint32_t> colours, int y0, int y1)
{
    return [colours = std::move(colours), y0, y1](int, int y) {
        const int n = static_cast<int>(colours.size());
        const int i = std::clamp((y - y0) * n / std::max(1, y1 - y0), 0, n - 1);
        return colours[i];
    };
}

// Bold lettering: a black outline, then an optional thin white rim outside it.
void letter(Picture& pic, const Mask& text, const Paint& paint, int outline, bool rim, int offsetY = 0)
{
    const Mask shadow = dilate(text, outline);
    if (rim) fill(pic, dilate(shadow, 1), solid(white), offsetY);
    fill(pic, shadow, solid(black), offsetY);
    fill(pic, text, paint, offsetY);
}

void darkBand(Picture& pic, int y0, int y1, int alpha)
{
    for (int y = std::max(0, y0); y < std::min(pic.height, y1); ++y)
        for (int x = 0; x < pic.width; ++x)
            if ((pic.at(x, y) >> 24) == 0) pic.at(x, y) = rgba(0, 0, 0, alpha);
}

void save(const std::string& dir, const char* name, const Picture& pic, TgaDepth depth, TgaPacking packing,
          TgaOrder order)
{
    writeFile(dir + "/" + name, encodeTga(pic, depth, packing, order));
}

// ---- The pictures ----------------------------------------------------------------------------

Picture groupLogo()
{
    Picture pic(160, 100);
    Mask big(160, 100);
    drawText(big, "futural", "velq", 80, 62, 3.3, 3.6, 2, 136);
    // A thick underline that the letters stand on; it stops short of the q so that its
    // descender stays free and the name cannot be read as "vela".
    for (int y = 66; y < 71; ++y)
        for (int x = 14; x < 122; ++x) big.on[y * 160 + x] = 1;
    letter(pic, big, bands({yellow, yellow, rgba(255, 128, 0), red, magenta}, 14, 71), 2, true);
    Mask small(160, 100);
    drawText(small, "futural", "back in text mode", 80, 88, 0.75, 0.7);
    letter(pic, small, solid(cyan), 1, false);
    return pic;
}

Picture titleCard(std::string_view small, std::string_view big, std::uint32_t colourTop, std::uint32_t colourBottom,
                  double bigUnit)
{
    Picture pic(160, 100);
    Mask smallMask(160, 100);
    drawText(smallMask, "futural", small, 80, 28, 0.9, 0.8);
    Mask bigMask(160, 100);
    drawText(bigMask, "futural", big, 80, 76, bigUnit, 2.6, 1, 140);
    letter(pic, smallMask, solid(white), 1, false);
    letter(pic, bigMask, bands({colourTop, colourTop, colourBottom}, 76 - static_cast<int>(21 * bigUnit), 76), 2, true);
    darkBand(pic, 12, 86, 150);
    return pic;
}

// The scroller strip: pages of 100 rows, read one page at a time.
Picture greetings()
{
    struct Line {
        int page;
        int baseline;
        std::string_view text;
        double unit;
        std::uint32_t colour;
    };
    constexpr std::array<Line, 10> lines{{
        {0, 46, "greetings", 1.5, yellow},
        {0, 84, "to all who type", 0.9, white},
        {1, 42, "kelvaro", 1.5, cyan},
        {1, 86, "dunmoth", 1.5, magenta},
        {2, 42, "vintrel", 1.5, yellow},
        {2, 86, "grubix", 1.5, green},
        {3, 42, "wexhall", 1.5, cyan},
        {3, 86, "plumox", 1.5, magenta},
        {4, 42, "and you", 1.4, yellow},
        {4, 84, "bring your demo", 0.9, white},
    }};
    Picture pic(160, greetingsPages * 100);
    for (const Line& line : lines) {
        Mask m(160, 100);
        drawText(m, "futural", line.text, 80, line.baseline, line.unit, line.unit > 1.5 ? 2.0 : 1.3, 1);
        letter(pic, m, solid(line.colour), 2, false, line.page * 100);
    }
    return pic;
}

Picture miniLogo(std::string_view name, std::uint32_t box)
{
    const TextPaths t = layoutText("futural", name, 1);
    const double unit = 0.5;
    const int width = static_cast<int>(std::ceil(t.width * unit)) + 10;
    Picture pic(width, 16, black);
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < width - 1; ++x) pic.at(x, y) = y < 3 || y > 12 ? white : box;
    Mask m(width, 16);
    drawText(m, "futural", name, width / 2.0, 12.5, unit, 0.9, 1);
    fill(pic, m, solid(white));
    return pic;
}

Picture decoration()
{
    Picture pic(160, 100);
    Mask frame(160, 100);
    // Chunky corner brackets and a row of diamonds along the bottom.
    const std::array<std::array<int, 4>, 8> bars{{{2, 2, 30, 6},   {2, 2, 6, 24},   {130, 2, 158, 6}, {154, 2, 158, 24},
                                                 {2, 94, 30, 98}, {2, 76, 6, 98},  {130, 94, 158, 98}, {154, 76, 158, 98}}};
    for (const auto& b : bars)
        for (int y = b[1]; y < b[3]; ++y)
            for (int x = b[0]; x < b[2]; ++x) frame.on[y * 160 + x] = 1;
    letter(pic, frame, bands({cyan, blue}, 0, 100), 1, false);
    Mask diamonds(160, 100);
    for (int i = 0; i < 7; ++i) {
        const int cx = 44 + i * 12, cy = 92;
        for (int y = -3; y <= 3; ++y)
            for (int x = -3; x <= 3; ++x)
                if (std::abs(x) + std::abs(y) <= 3) diamonds.on[(cy + y) * 160 + cx + x] = 1;
    }
    letter(pic, diamonds, [](int x, int) { return (x / 12) % 2 ? magenta : yellow; }, 1, false);
    Mask stars(160, 100);
    for (auto [x, y] : std::array<std::pair<int, int>, 5>{{{20, 40}, {140, 36}, {36, 70}, {122, 64}, {80, 12}}}) {
        for (int d = -3; d <= 3; ++d) {
            stars.on[y * 160 + x + d] = 1;
            stars.on[(y + d) * 160 + x] = 1;
        }
    }
    fill(pic, stars, solid(white));
    return pic;
}

// The tunnel and rotozoom texture: small round dots with soft rims on a transparent ground,
// 4 x 4 per tile. Most of the tile is clear, so the darkened frames behind show through.
Picture dots()
{
    Picture pic(64, 64);
    constexpr std::array<std::uint32_t, 4> colours{cyan, magenta, yellow, white};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double dx = x % 16 - 7.5, dy = y % 16 - 7.5;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d > 5.0) continue;
            const int alpha = d < 3.0 ? 255 : static_cast<int>(255 * (5.0 - d) / 2.0);
            const std::uint32_t c = colours[(x / 16 + y / 16) % 4];
            pic.at(x, y) = (c & 0xFFFFFF) | static_cast<std::uint32_t>(alpha) << 24;
        }
    return pic;
}

// Black, partly transparent: each frame it dims what was there, so moving layers leave trails.
// The edges darken a little faster than the middle.
Picture blacken()
{
    Picture pic(160, 100);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 160; ++x) {
            const double dx = (x - 79.5) / 80.0, dy = (y - 49.5) / 50.0;
            const double edge = std::min(1.0, dx * dx + dy * dy);
            const int alpha = (72 + static_cast<int>(edge * 56)) / 8 * 8; // steps of 8 pack well
            pic.at(x, y) = rgba(0, 0, 0, alpha);
        }
    return pic;
}

// The warp texture: pink diagonal stripes with white diamonds.
Picture pinkTile()
{
    Picture pic(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int stripe = ((x + y) / 8) % 2;
            std::uint32_t c = stripe ? magenta : darkMagenta;
            const int dx = std::abs(x % 32 - 16), dy = std::abs(y % 32 - 16);
            if (dx + dy <= 6) c = white;
            else if (dx + dy <= 8) c = black;
            pic.at(x, y) = c;
        }
    return pic;
}

} // namespace

void makePictures(const std::string& dir)
{
    // The formats vary on purpose: 24- and 32-bit, raw and run-length, both row orders.
    save(dir, "logo_qIV.tga", groupLogo(), TgaDepth::rgba32, TgaPacking::rle, TgaOrder::bottomUp);
    save(dir, "ttl1.tga", titleCard("velq", "presents", yellow, red, 1.25), TgaDepth::rgba32, TgaPacking::rle,
         TgaOrder::topDown);
    save(dir, "ttl2.tga", titleCard("only ascii", "80x50", cyan, blue, 1.9), TgaDepth::rgba32, TgaPacking::raw,
         TgaOrder::bottomUp);
    save(dir, "ttl3.tga", titleCard("see you", "there", magenta, darkMagenta, 1.9), TgaDepth::rgba32,
         TgaPacking::rle, TgaOrder::bottomUp);
    save(dir, "grtz.tga", greetings(), TgaDepth::rgba32, TgaPacking::rle, TgaOrder::topDown);
    save(dir, "mini_kelvaro.tga", miniLogo("kelvaro", blue), TgaDepth::rgb24, TgaPacking::raw, TgaOrder::bottomUp);
    save(dir, "mini_dunmoth.tga", miniLogo("dunmoth", darkRed), TgaDepth::rgb24, TgaPacking::rle, TgaOrder::topDown);
    save(dir, "mini_vintrel.tga", miniLogo("vintrel", darkCyan), TgaDepth::rgba32, TgaPacking::raw,
         TgaOrder::topDown);
    save(dir, "misc_stuff.tga", decoration(), TgaDepth::rgba32, TgaPacking::rle, TgaOrder::bottomUp);
    save(dir, "dots.tga", dots(), TgaDepth::rgba32, TgaPacking::raw, TgaOrder::bottomUp);
    save(dir, "blacken.tga", blacken(), TgaDepth::rgba32, TgaPacking::rle, TgaOrder::bottomUp);
    save(dir, "pink_tile.tga", pinkTile(), TgaDepth::rgb24, TgaPacking::rle, TgaOrder::bottomUp);
    (void)green;
    (void)grey;
    (void)darkBlue;
}

} // namespace velq::makedata
