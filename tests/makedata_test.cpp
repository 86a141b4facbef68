// The default data set: generated twice it is the same, independent readers accept every file,
// and the module's sync commands cover the whole show.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#if __has_include("gml/gml_reader.h")
#include "gml/gml_reader.h"
#define VELQ_HAVE_GML_READER 1
#endif

namespace velq {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> readBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path freshDir(const std::string& name)
{
    const fs::path dir = fs::temp_directory_path() / ("velq_makedata_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    return dir;
}

bool generate(const fs::path& dir)
{
    const std::string command = std::string(VELQ_BINARY_DIR) + "/makedata '" + dir.string() + "'";
    return std::system(command.c_str()) == 0;
}

// One generated data set shared by the tests of this file.
class MakeData : public ::testing::Test {
protected:
    static inline fs::path dir;
    static void SetUpTestSuite()
    {
        dir = freshDir("shared");
        ASSERT_TRUE(generate(dir));
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }
};

const std::vector<std::string> gmlFiles{
    "text.gml",     "mode.gml",       "demo.gml",        "compo.gml",    "grubix.gml",    "wexhall.gml",
    "plumox.gml",   "kelvaro.gml",    "dunmoth.gml",     "vintrel2.gml", "velqIsBack.gml", "bringYoDemo.gml",
    "sameDate.gml", "sameRules.gml",  "sameGoal.gml",    "makeItNice.gml", "beeThaKing.gml"};

TEST_F(MakeData, TwoGenerationsAreByteIdentical)
{
    const fs::path second = freshDir("second");
    ASSERT_TRUE(generate(second));
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    std::set<std::string> secondNames;
    for (const auto& entry : fs::directory_iterator(second)) secondNames.insert(entry.path().filename().string());
    EXPECT_EQ(names, secondNames);
    EXPECT_EQ(names.size(), 12u + 17u + 1u); // 12 pictures (dots.tga fills two slots), 17 drawings, the module
    for (const std::string& name : names)
        EXPECT_EQ(readBytes(dir / name), readBytes(second / name)) << name;
    fs::remove_all(second);
}

// ---- Pictures ---------------------------------------------------------------------------------

TEST_F(MakeData, PicturesLoadWithTheirExpectedSizes)
{
    struct Expect {
        const char* name;
        int width, height; // 0: any
        bool alpha;        // needs transparent pixels
        bool powerOfTwo;
        bool square;
    };
    const Expect pictures[] = {
        {"logo_qIV.tga", 160, 100, true, false, false},    {"ttl1.tga", 160, 100, true, false, false},
        {"ttl2.tga", 160, 100, true, false, false},        {"ttl3.tga", 160, 100, true, false, false},
        {"grtz.tga", 160, 0, true, false, false},          {"mini_kelvaro.tga", 0, 16, false, false, false},
        {"mini_dunmoth.tga", 0, 16, false, false, false},  {"mini_vintrel.tga", 0, 16, false, false, false},
        {"misc_stuff.tga", 160, 100, true, false, false},  {"dots.tga", 0, 0, true, true, true},
        {"blacken.tga", 160, 100, true, false, false},     {"pink_tile.tga", 0, 0, false, true, false},
    };
    for (const Expect& e : pictures) {
        SCOPED_TRACE(e.name);
        int w = 0, h = 0, n = 0;
        unsigned char* pixels = stbi_load((dir / e.name).c_str(), &w, &h, &n, 4);
        ASSERT_NE(pixels, nullptr) << stbi_failure_reason();
        if (e.width) {
            EXPECT_EQ(w, e.width);
        }
        if (e.height) {
            EXPECT_EQ(h, e.height);
        }
        if (std::string(e.name) == "grtz.tga") {
            EXPECT_EQ(h % 100, 0);
            EXPECT_GE(h, 300);
        }
        if (std::string(e.name).starts_with("mini_")) {
            EXPECT_LE(w, 156); // drawn with its right edge 4 pixels from the canvas edge
        }
        if (e.powerOfTwo) {
            EXPECT_EQ(w & (w - 1), 0);
            EXPECT_EQ(h & (h - 1), 0);
        }
        if (e.square) {
            EXPECT_EQ(w, h);
        }
        int transparent = 0, black = 0;
        for (int i = 0; i < w * h; ++i) {
            transparent += pixels[i * 4 + 3] < 255;
            black += pixels[i * 4] == 0 && pixels[i * 4 + 1] == 0 && pixels[i * 4 + 2] == 0;
        }
        if (e.alpha) {
            EXPECT_GT(transparent, 0);
        }
        if (std::string(e.name) == "blacken.tga") {
            EXPECT_EQ(black, w * h);                // black everywhere...
            for (int i = 0; i < w * h; ++i) {       // ...and neither clear nor opaque anywhere
                ASSERT_GT(pixels[i * 4 + 3], 0);
                ASSERT_LT(pixels[i * 4 + 3], 255);
            }
        }
        stbi_image_free(pixels);

        const std::string identify = "identify -format '%w %h' '" + (dir / e.name).string() + "' 2>/dev/null";
        FILE* pipe = popen(identify.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        int iw = 0, ih = 0;
        EXPECT_EQ(std::fscanf(pipe, "%d %d", &iw, &ih), 2);
        pclose(pipe);
        EXPECT_EQ(iw, w);
        EXPECT_EQ(ih, h);
    }
}

// ---- Drawings ---------------------------------------------------------------------------------

struct Point {
    double x, y, t;
};

// A plain reading of the points as the writer lays them out, one pt element per line.
std::vector<std::vector<Point>> readStrokes(const fs::path& path)
{
    std::ifstream in(path);
    std::vector<std::vector<Point>> strokes;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("<stroke>") != std::string::npos) strokes.emplace_back();
        Point p{};
        if (std::sscanf(line.c_str(), " <pt><x>%lf</x><y>%lf</y><t>%lf</t></pt>", &p.x, &p.y, &p.t) == 3 &&
            !strokes.empty())
            strokes.back().push_back(p);
    }
    return strokes;
}

TEST_F(MakeData, DrawingsAreWellFormedAndWithinLimits)
{
    for (const std::string& name : gmlFiles) {
        SCOPED_TRACE(name);
        const std::string xmllint = "xmllint --noout '" + (dir / name).string() + "'";
        EXPECT_EQ(std::system(xmllint.c_str()), 0);

        const auto strokes = readStrokes(dir / name);
        ASSERT_GE(strokes.size(), 1u);
        EXPECT_LE(strokes.size(), 64u);
        double previous = -1;
        int slowSegments = 0, fastSegments = 0;
        for (const auto& stroke : strokes) {
            ASSERT_GE(stroke.size(), 2u);
            EXPECT_LE(stroke.size(), 512u);
            for (std::size_t i = 0; i < stroke.size(); ++i) {
                const Point& p = stroke[i];
                EXPECT_GE(p.x, 0.0);
                EXPECT_LE(p.x, 1.0);
                EXPECT_GE(p.y, 0.0);
                EXPECT_LE(p.y, 1.0);
                EXPECT_GT(p.t, previous); // time runs on, across strokes too
                previous = p.t;
                if (i == 0) continue;
                // The show's speed measure: slow segments widen the brush, fast ones thin it.
                const Point& q = stroke[i - 1];
                const double speed = (160 * std::abs(p.x - q.x) + 160 * std::abs(p.y - q.y)) / (p.t - q.t) / 50;
                slowSegments += speed < 3;
                fastSegments += speed > 5;
            }
        }
        EXPECT_GT(slowSegments, 5);
        EXPECT_GT(fastSegments, 5);
    }
}

#ifdef VELQ_HAVE_GML_READER
// Works whichever way the reader takes its target.
template <class D>
void readWithOurReader(const char* path, D& drawing)
{
    if constexpr (requires { loadDrawing(path, drawing); }) loadDrawing(path, drawing);
    else loadDrawing(path, &drawing);
}

TEST_F(MakeData, OurReaderFindsTheStrokes)
{
    static Drawing drawing;
    for (const std::string& name : gmlFiles) {
        SCOPED_TRACE(name);
        drawing = Drawing{};
        readWithOurReader((dir / name).c_str(), drawing);
        const auto strokes = readStrokes(dir / name);
        ASSERT_EQ(drawing.strokeCount, static_cast<int>(strokes.size()));
        EXPECT_STREQ(drawing.specText.data(), "1.0");
        for (int s = 0; s < drawing.strokeCount; ++s) {
            const Stroke& stroke = drawing.strokes[s];
            ASSERT_EQ(stroke.pointCount, static_cast<int>(strokes[s].size()));
            for (int i = 0; i < stroke.pointCount; ++i) {
                EXPECT_NEAR(stroke.points[i].x, strokes[s][i].x, 1e-5);
                EXPECT_NEAR(stroke.points[i].y, strokes[s][i].y, 1e-5);
                EXPECT_NEAR(stroke.times[i], strokes[s][i].t, 1e-4);
                if (i > 0) {
                    EXPECT_GT(stroke.times[i], stroke.times[i - 1]);
                }
            }
        }
    }
}
#endif

// ---- The module -------------------------------------------------------------------------------

struct OpenMpt {
    openmpt_module* module = nullptr;
    std::vector<std::string> log;
    explicit OpenMpt(const std::vector<unsigned char>& bytes)
    {
        module = openmpt_module_create_from_memory2(
            bytes.data(), bytes.size(),
            [](const char* message, void* user) { static_cast<OpenMpt*>(user)->log.emplace_back(message); }, this,
            nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    ~OpenMpt()
    {
        if (module) openmpt_module_destroy(module);
    }
    OpenMpt(const OpenMpt&) = delete;
    OpenMpt& operator=(const OpenMpt&) = delete;
};

struct Command {
    int value;
    double seconds; // song time of its row
};

// Every Zxx of the module in play order, read through the pattern data.
std::vector<Command> syncCommands(openmpt_module* module)
{
    std::vector<Command> commands;
    const int channels = openmpt_module_get_num_channels(module);
    for (int order = 0; order < openmpt_module_get_num_orders(module); ++order) {
        const int pattern = openmpt_module_get_order_pattern(module, order);
        for (int row = 0; row < openmpt_module_get_pattern_num_rows(module, pattern); ++row)
            for (int channel = 0; channel < channels; ++channel) {
                const char* effect = openmpt_module_format_pattern_row_channel_command(
                    module, pattern, row, channel, OPENMPT_MODULE_COMMAND_EFFECT);
                const bool isZ = effect && effect[0] == 'Z';
                openmpt_free_string(effect);
                if (!isZ) continue;
                const double seconds = openmpt_module_set_position_order_row(module, order, row);
                commands.push_back({openmpt_module_get_pattern_row_channel_command(
                                        module, pattern, row, channel, OPENMPT_MODULE_COMMAND_PARAMETER),
                                    seconds});
            }
    }
    openmpt_module_set_position_seconds(module, 0);
    return commands;
}

TEST_F(MakeData, ModuleLoadsCleanlyAndBothPlayersAgreeOnItsLength)
{
    const OpenMpt mpt(readBytes(dir / "velq4.xm"));
    ASSERT_NE(mpt.module, nullptr);
    for (const std::string& message : mpt.log) ADD_FAILURE() << "libopenmpt: " << message;
    const double seconds = openmpt_module_get_duration_seconds(mpt.module);
    EXPECT_GE(seconds, 120.0);
    EXPECT_LE(seconds, 240.0);

    xmp_context xmp = xmp_create_context();
    ASSERT_EQ(xmp_load_module(xmp, const_cast<char*>((dir / "velq4.xm").c_str())), 0);
    ASSERT_EQ(xmp_start_player(xmp, 44100, 0), 0);
    xmp_frame_info info{};
    xmp_get_frame_info(xmp, &info);
    EXPECT_NEAR(info.total_time / 1000.0, seconds, seconds * 0.01);
    xmp_end_player(xmp);
    xmp_release_module(xmp);
    xmp_free_context(xmp);
}

TEST_F(MakeData, SyncCommandsCoverTheWholeShow)
{
    const OpenMpt mpt(readBytes(dir / "velq4.xm"));
    ASSERT_NE(mpt.module, nullptr);
    const std::vector<Command> commands = syncCommands(mpt.module);
    ASSERT_FALSE(commands.empty());

    // Walk the commands as the director would and record what the show got to do.
    std::set<int> scenes, tunnelVariants, overlaysA, overlaysB, drawings, sideBands, effectBits, letterbox;
    int scene = -1, barSteps = 0, rotozoomRestarts = 0, page = -1, maxPage = -1, ends = 0;
    bool scrollerOffAfterPages = false;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const int v = commands[i].value, n = v & 15;
        switch (v >> 4) {
        case 0:
            scene = n;
            scenes.insert(n);
            break;
        case 1:
            if (scene == 0) tunnelVariants.insert(n);
            if (scene == 1) ++barSteps;
            if (scene == 2) ++rotozoomRestarts;
            break;
        case 2: overlaysA.insert(n); break;
        case 3: overlaysB.insert(n); break;
        case 4:
            for (int bit = 0; bit < 4; ++bit)
                if (n >> bit & 1) effectBits.insert(bit);
            break;
        case 5:
            if (v == 0x51) maxPage = std::max(maxPage, ++page);
            if (v == 0x50) {
                scrollerOffAfterPages = maxPage >= 0;
                page = -1;
            }
            break;
        case 6:
        case 7:
            drawings.insert(v - 0x60);
            break;
        case 8: sideBands.insert(n); break;
        case 9: letterbox.insert(v); break;
        case 15:
            if (v == 0xFF) {
                ++ends;
                EXPECT_EQ(i, commands.size() - 1) << "0xFF must be the last command";
            }
            break;
        }
        // One command per row: the show's queue holds ten and is drained once a frame.
        if (i > 0) {
            EXPECT_GT(commands[i].seconds, commands[i - 1].seconds) << "command " << i;
        }
    }
    EXPECT_EQ(scenes, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(tunnelVariants, (std::set<int>{0, 1, 2, 3}));
    EXPECT_GE(barSteps, 8);
    EXPECT_GE(rotozoomRestarts, 3);
    EXPECT_EQ(overlaysA, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(overlaysB, (std::set<int>{0, 1, 2, 3, 9, 10, 11, 12, 13}));
    std::set<int> allDrawings{0};
    for (int d = 1; d <= 17; ++d) allDrawings.insert(d);
    EXPECT_EQ(drawings, allDrawings);
    EXPECT_EQ(effectBits, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(sideBands, (std::set<int>{0, 1, 2, 3}));
    EXPECT_EQ(letterbox, (std::set<int>{0x90, 0x91, 0x92}));
    EXPECT_EQ(ends, 1);

    // Every page of the greetings strip, then off.
    int w = 0, h = 0, n = 0;
    ASSERT_EQ(stbi_info((dir / "grtz.tga").c_str(), &w, &h, &n), 1);
    EXPECT_EQ(maxPage, h / 100 - 1);
    EXPECT_TRUE(scrollerOffAfterPages);
}

TEST_F(MakeData, MusicPeaksBelowFullScaleAndIsNeverSilentForLong)
{
    const OpenMpt mpt(readBytes(dir / "velq4.xm"));
    ASSERT_NE(mpt.module, nullptr);
    const std::vector<Command> commands = syncCommands(mpt.module);
    ASSERT_FALSE(commands.empty());
    const double showEnd = commands.back().seconds;

    constexpr int rate = 44100, window = rate / 4;
    std::vector<float> buffer(2 * window);
    double peak = 0, time = 0, silentRun = 0, longestSilence = 0;
    for (;;) {
        const std::size_t frames =
            openmpt_module_read_interleaved_float_stereo(mpt.module, rate, window, buffer.data());
        if (frames == 0 || time >= showEnd) break;
        double energy = 0;
        for (std::size_t i = 0; i < 2 * frames; ++i) {
            peak = std::max(peak, static_cast<double>(std::abs(buffer[i])));
            energy += buffer[i] * buffer[i];
        }
        const double rms = std::sqrt(energy / (2 * frames));
        silentRun = rms < 0.003 ? silentRun + 0.25 : 0;
        longestSilence = std::max(longestSilence, silentRun);
        time += static_cast<double>(frames) / rate;
    }
    EXPECT_LT(peak, 0.98);
    EXPECT_GT(peak, 0.2);
    EXPECT_LE(longestSilence, 1.0);
}

} // namespace
} // namespace velq
