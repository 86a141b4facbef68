// The 17 drawings: words written in the Hershey script font by a simulated pen. The pen slows
// in tight curves and speeds up on straights, and lifts between strokes, so the show's
// speed-dependent brush swells and thins as it would for a hand.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "formats.h"
#include "lettering.h"
#include "makedata.h"

namespace velq::makedata {
namespace {

constexpr double pi = 3.141592653589793;

// Where a drawing lands: canvas (offsetX + 160·scale·x, offsetY + 100·scale·y). For the moving
// styles the offset is the one at the moment the layout is planned for.
struct Placement {
    double offsetX, offsetY, scale;
};

// Pen speeds are in the show's own measure: (160·|dx| + 160·|dy|) per second, over 50.
// A speed of 1 or less gives the widest brush, higher speeds a thinner one.
struct Pen {
    double fast;  // on straights
    double slow;  // in the tightest curves
    double start; // seconds before the pen first touches down
    // For the scrolling style: the hand keeps pace with the scroll, starting no letter before
    // the text has moved far enough (canvas pixels per recorded second; 0: no pacing).
    double pace;
};

struct Layout {
    std::string_view file;
    std::array<std::string_view, 2> lines; // second line empty for one-line drawings
    Placement place;
    double left, top, right, bottom; // canvas box the writing is fitted into
    double maxUnit;                  // canvas pixels per font unit, at most
    bool alignLeft;
    Pen pen;
};

// Each row follows the drawing scene's style for its index: scale 1 at (0, 20) or (10, 20), the
// three names at double size scrolling left from x = 60, the rules rising from below, the
// double-outlined phrases at the origin.
constexpr Pen normalPen{7.0, 1.5, 0.2, 0};
constexpr Pen boldPen{6.0, 1.4, 0.2, 0};
// The scrolling names move 100 pixels per second of show; replayed 4, 5 and 6 times faster.
constexpr Pen scrollPen4{9.0, 2.5, 0.3, 100.0 / 4};
constexpr Pen scrollPen5{9.0, 2.5, 0.3, 100.0 / 5};
constexpr Pen scrollPen6{9.0, 2.5, 0.3, 100.0 / 6};
constexpr double paceOrigin = 110; // the canvas column the pen stays near while the text scrolls
constexpr Pen risePen{7.0, 1.5, 3.0, 0};

const std::array<Layout, 17> layouts{{
    {"text.gml", {"text", ""}, {0, 20, 1}, 10, 28, 150, 96, 2.2, false, normalPen},
    {"mode.gml", {"mode", ""}, {0, 20, 1}, 10, 28, 150, 96, 2.2, false, normalPen},
    {"demo.gml", {"demo", ""}, {10, 20, 1}, 16, 28, 150, 96, 2.2, false, normalPen},
    {"compo.gml", {"compo", ""}, {0, 20, 1}, 8, 28, 152, 96, 2.2, false, normalPen},
    {"grubix.gml", {"grubix", ""}, {10, 20, 1}, 14, 28, 152, 96, 2.2, false, normalPen},
    {"wexhall.gml", {"wexhall", ""}, {0, 20, 1}, 6, 28, 154, 96, 2.2, false, normalPen},
    {"plumox.gml", {"plumox", ""}, {0, 20, 1}, 6, 28, 154, 96, 2.2, false, normalPen},
    {"kelvaro.gml", {"kelvaro", ""}, {60, 12, 2}, 70, 18, 420, 94, 2.2, true, scrollPen4},
    {"dunmoth.gml", {"dunmoth", ""}, {60, 12, 2}, 70, 18, 420, 94, 2.2, true, scrollPen5},
    {"vintrel2.gml", {"vintrel", ""}, {60, 12, 2}, 70, 18, 420, 94, 2.2, true, scrollPen6},
    {"velqIsBack.gml", {"velq is", "back"}, {0, 0, 1}, 6, 4, 154, 97, 2.0, false, boldPen},
    {"bringYoDemo.gml", {"bring yo", "demo"}, {0, 0, 1}, 6, 4, 154, 97, 2.0, false, boldPen},
    // Rising by one row per 16 ms from 100 rows down: planned at offset 40 (960 ms in).
    {"sameDate.gml", {"same date", ""}, {0, 40, 1}, 6, 44, 154, 96, 2.0, false, risePen},
    {"sameRules.gml", {"same rules", ""}, {0, 40, 1}, 6, 44, 154, 96, 2.0, false, risePen},
    {"sameGoal.gml", {"same goal", ""}, {0, 40, 1}, 6, 44, 154, 96, 2.0, false, risePen},
    {"makeItNice.gml", {"make it", "nice"}, {0, 0, 1}, 6, 4, 154, 97, 2.0, false, boldPen},
    {"beeThaKing.gml", {"bee tha", "king"}, {0, 0, 1}, 6, 4, 154, 97, 2.0, false, boldPen},
}};

constexpr double lineSpacing = 27.0; // font units from one baseline to the next

// The text's pen paths in canvas pixels, fitted into the layout's box.
std::vector<Polyline> placeText(const Layout& layout)
{
    std::vector<TextPaths> lines;
    for (std::string_view line : layout.lines)
        if (!line.empty()) lines.push_back(layoutText("scripts", line, 0, layout.pen.pace == 0));

    // Bounds in font units, y downwards, line i's baseline at i·lineSpacing.
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (const Polyline& p : lines[i].paths)
            for (const Vec2 v : p) {
                minX = std::min(minX, v.x);
                maxX = std::max(maxX, v.x);
                minY = std::min(minY, i * lineSpacing - v.y);
                maxY = std::max(maxY, i * lineSpacing - v.y);
            }
    const double boxW = layout.right - layout.left, boxH = layout.bottom - layout.top;
    const double unit = std::min({layout.maxUnit, boxW / (maxX - minX), boxH / (maxY - minY)});
    const double top = layout.top + (boxH - (maxY - minY) * unit) / 2;

    std::vector<Polyline> out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Each line centred on its own (or flush left), as one writes a title.
        double lineMin = 1e9, lineMax = -1e9;
        for (const Polyline& p : lines[i].paths)
            for (const Vec2 v : p) {
                lineMin = std::min(lineMin, v.x);
                lineMax = std::max(lineMax, v.x);
            }
        const double left = layout.alignLeft ? layout.left : layout.left + (boxW - (lineMax - lineMin) * unit) / 2;
        for (const Polyline& p : lines[i].paths) {
            Polyline placed;
            for (const Vec2 v : p)
                placed.push_back({left + (v.x - lineMin) * unit, top + (i * lineSpacing - v.y - minY) * unit});
            out.push_back(std::move(placed));
        }
    }
    return out;
}

double showDistance(const PenPoint& a, const PenPoint& b)
{
    return 160.0 * std::abs(a.x - b.x) + 160.0 * std::abs(a.y - b.y);
}

// The pen: points as the hand passes them, with times from a speed that follows the curvature.
std::vector<PenStroke> penStrokes(const Layout& layout, const std::vector<Polyline>& paths)
{
    const Placement& place = layout.place;
    auto normalise = [&](Vec2 v) {
        return PenPoint{(v.x - place.offsetX) / (160.0 * place.scale), (v.y - place.offsetY) / (100.0 * place.scale), 0};
    };
    std::vector<PenStroke> strokes;
    double clock = layout.pen.start;
    for (const Polyline& path : paths) {
        // Long straight runs get intermediate points, as a sampling tablet would record them.
        PenStroke points;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const PenPoint p = normalise(path[i]);
            if (!points.empty()) {
                const PenPoint q = points.back();
                const double d = showDistance(q, p);
                if (d < 0.4) continue; // too close to tell apart
                const int pieces = static_cast<int>(d / 6.0);
                for (int k = 1; k <= pieces; ++k) {
                    const double f = static_cast<double>(k) / (pieces + 1);
                    points.push_back({q.x + (p.x - q.x) * f, q.y + (p.y - q.y) * f, 0});
                }
            }
            points.push_back(p);
        }
        if (points.size() < 2) continue;

        // Target speed at each point from the turn the path makes there.
        const std::size_t n = points.size();
        std::vector<double> speed(n, layout.pen.fast);
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const double ax = points[i].x - points[i - 1].x, ay = points[i].y - points[i - 1].y;
            const double bx = points[i + 1].x - points[i].x, by = points[i + 1].y - points[i].y;
            const double turn = std::abs(std::atan2(ax * by - ay * bx, ax * bx + ay * by));
            const double sharp = std::min(1.0, turn / (pi / 2));
            speed[i] = layout.pen.fast - (layout.pen.fast - layout.pen.slow) * sharp;
        }
        speed[0] = speed[n - 1] = layout.pen.slow * 1.5; // touching down and lifting off
        // A hand cannot change speed at once: limit the change between neighbours both ways.
        for (std::size_t i = 1; i < n; ++i) speed[i] = std::min(speed[i], speed[i - 1] * 1.4);
        for (std::size_t i = n - 1; i-- > 0;) speed[i] = std::min(speed[i], speed[i + 1] * 1.4);

        if (layout.pen.pace > 0) {
            double left = points[0].x;
            for (const PenPoint& p : points) left = std::min(left, p.x);
            const double column = place.offsetX + left * 160.0 * place.scale;
            clock = std::max(clock, (column - paceOrigin) / layout.pen.pace);
        }
        points[0].t = clock;
        for (std::size_t i = 1; i < n; ++i) {
            const double v = (speed[i - 1] + speed[i]) / 2;
            clock += std::max(0.001, showDistance(points[i - 1], points[i]) / (50.0 * v));
            points[i].t = clock;
        }
        strokes.push_back(std::move(points));
        // Lifting the pen and moving to the next stroke.
        clock += 0.18;
    }
    return strokes;
}

} // namespace

void makeDrawings(const std::string& dir)
{
    for (const Layout& layout : layouts) {
        const std::vector<PenStroke> strokes = penStrokes(layout, placeText(layout));
        // The show's reader holds 64 strokes of 512 points with coordinates in 0..1.
        bool fits = strokes.size() <= 64;
        for (const PenStroke& s : strokes) {
            fits = fits && s.size() <= 512;
            for (const PenPoint& p : s) fits = fits && p.x >= 0 && p.x <= 1 && p.y >= 0 && p.y <= 1;
        }
        if (!fits) {
            std::fprintf(stderr, "makedata: %s does not fit the drawing limits\n", std::string(layout.file).c_str());
            std::exit(1);
        }
        std::string keywords = "velq13";
        for (std::string_view line : layout.lines)
            if (!line.empty()) keywords += "," + std::string(line);
        std::string text = encodeGml(strokes, keywords);
        writeFile(dir + "/" + std::string(layout.file), Bytes(text.begin(), text.end()));
        if (std::getenv("MAKEDATA_VERBOSE")) {
            std::size_t points = 0, most = 0;
            for (const PenStroke& s : strokes) {
                points += s.size();
                most = std::max(most, s.size());
            }
            std::printf("%-16s %2zu strokes, %4zu points (at most %3zu), %.2f s\n", std::string(layout.file).c_str(),
                        strokes.size(), points, most, strokes.back().back().t);
        }
    }
}

} // namespace velq::makedata
