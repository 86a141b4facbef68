#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "display/console.h"
#include "gml/preview.h"
#include "drawing_fixture.h"

namespace velq {
namespace {

constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();
const Pixel grey = makePixel(200, 200, 200);

// Keeps every presented frame.
class FrameConsole final : public Console {
public:
    void setTitle(const char*) override {}
    void configure(int, int, bool) override {}
    bool present(const CellBuffer&, ConstCanvasView pixels) override
    {
        frames.emplace_back(pixels.begin(), pixels.end());
        memories.push_back(previewBrushMemory);
        return true;
    }
    bool keyWaiting() override
    {
        ++keyQueries;
        return false;
    }
    int readKey() override
    {
        ++keyQueries;
        return keyOther;
    }
    std::vector<std::vector<Pixel>> frames;
    std::vector<std::int32_t> memories;
    int keyQueries = 0;
};

// A tick count that returns the listed values in turn, then `after` for ever.
struct ScriptedClock {
    std::vector<std::uint32_t> ticks;
    std::uint32_t after = 0;
    std::size_t calls = 0;
};
ScriptedClock script;
std::uint32_t scriptedTicks()
{
    const std::size_t k = script.calls++;
    return k < script.ticks.size() ? script.ticks[k] : script.after;
}

// Start at `start`, one frame at each elapsed value (the loop reads the clock twice a frame:
// for its test and for the frame's time), then 16 seconds.
void scriptFrames(std::uint32_t start, const std::vector<std::uint32_t>& elapsed)
{
    script = {};
    script.ticks.push_back(start);
    for (std::uint32_t e : elapsed) {
        script.ticks.push_back(start + e);
        script.ticks.push_back(start + e);
    }
    script.after = start + previewDurationMs;
}

int count(const std::vector<Pixel>& frame, Pixel colour)
{
    return static_cast<int>(std::count(frame.begin(), frame.end(), colour));
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pixels = createCanvas();
        clearCanvas(0xFFFFFFFF);
        previous = outputHandle;
        outputHandle = &console;
        previewBrushMemory = 0;
    }
    void TearDown() override
    {
        outputHandle = previous;
        previewBrushMemory = 0;
        setBrushSize(0);
    }
    CanvasView pixels = createCanvas();
    FrameConsole console;
    Console* previous = nullptr;
};

TEST_F(PreviewTest, RunsSixteenSecondsOfTicksAcrossAWrap)
{
    const auto drawing = makeDrawing({{{0.25f, 0.5f, 0}, {0.75f, 0.5f, 4}}});
    scriptFrames(0xFFFFF000u, {0, 5000, 15999}); // the counter wraps after 4095 ms
    replayDrawing(*drawing, scriptedTicks);
    ASSERT_EQ(console.frames.size(), 3u);
    EXPECT_EQ(script.calls, 1 + 3 * 2 + 1u);
    EXPECT_EQ(console.keyQueries, 0); // keys typed meanwhile are left for the show
    // Every frame is cleared to all-zero bytes and drawn in grey.
    for (const auto& frame : console.frames) {
        EXPECT_EQ(count(frame, 0) + count(frame, grey), canvasPixels);
        EXPECT_GT(count(frame, grey), 0);
    }
}

TEST_F(PreviewTest, ARecordedSecondTakesHalfASecond)
{
    // The second segment starts at 1.5 s of the recording: due at 750 ms.
    const auto drawing = makeDrawing({{{0.0f, 0.2f, 0}, {0.5f, 0.2f, 1.5f}, {0.5f, 0.9f, 2.5f}}});
    scriptFrames(1000, {0, 749, 750});
    replayDrawing(*drawing, scriptedTicks);
    ASSERT_EQ(console.frames.size(), 3u);
    const auto litBelowRow30 = [](const std::vector<Pixel>& frame) {
        return std::count(frame.begin() + 30 * canvasWidth, frame.end(), grey);
    };
    EXPECT_GT(count(console.frames[0], grey), 0);
    EXPECT_EQ(litBelowRow30(console.frames[0]), 0);
    EXPECT_EQ(litBelowRow30(console.frames[1]), 0);
    EXPECT_GT(litBelowRow30(console.frames[2]), 0); // the whole vertical segment at once
    EXPECT_EQ(console.frames[2][89 * canvasWidth + 80], grey);
}

TEST_F(PreviewTest, FactorIsEightOverSpeedCappedAtEight)
{
    struct Case {
        float speed, factor;
    };
    const Case cases[] = {{0, 0}, {nan, 0}, {0.25f, 8}, {1, 8}, {2, 4}, {16, 0.5f}, {inf, 0}};
    for (const Case& c : cases) EXPECT_EQ(previewFactor(c.speed), c.factor) << "speed " << c.speed;
}

// One segment drawn frame after frame: the memory carries over, half of it each time.
TEST_F(PreviewTest, SmoothingKeepsHalfOfTheMemory)
{
    // 80 pixels in 2 s: speed 0.8, factor 8. Still in 1 s: factor 0. 80 pixels in 0.1 s: 16.
    const auto slow = makeDrawing({{{0.25f, 0.5f, 0}, {0.75f, 0.5f, 2}}});
    const auto still = makeDrawing({{{0.5f, 0.5f, 0}, {0.5f, 0.5f, 1}}});
    const auto fast = makeDrawing({{{0.25f, 0.5f, 0}, {0.75f, 0.5f, 0.1f}}});
    const auto repeated = makeDrawing({{{0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}}});
    struct Case {
        const char* name;
        const Drawing* drawing;
        std::int32_t startMemory;
        std::vector<std::int32_t> memories;
    };
    const Case cases[] = {
        {"factor 8 settles at 7.5", slow.get(), 0, {4, 6, 7, 7, 7}},
        {"still from 7: 3.5, 1.5, 0.5, 0", still.get(), 7, {3, 1, 0, 0}},
        {"fast from 7: 3.75, 1.75, 0.75, 0.25", fast.get(), 7, {3, 1, 0, 0}},
        {"same place, same time", repeated.get(), 6, {3, 1, 0}},
    };
    for (const Case& c : cases) {
        previewBrushMemory = c.startMemory;
        for (std::size_t k = 0; k < c.memories.size(); ++k) {
            drawPreviewFrame(*c.drawing, 10000);
            EXPECT_EQ(previewBrushMemory, c.memories[k]) << c.name << ", frame " << k;
        }
    }
}

TEST_F(PreviewTest, TheBrushPulses)
{
    // From memory 7 at factor 8 the smoothed weight is 7.5; the size is 7.5 times half.
    const auto slow = makeDrawing({{{0.25f, 0.5f, 0}, {0.75f, 0.5f, 2}}});
    struct Case {
        std::int32_t elapsedMs;
        std::int32_t size;
        int rows; // rows the horizontal line covers
    };
    const Case cases[] = {
        {0, 3, 1},    // pulse 1, half 0.5: size 3, single pixels through the brush
        {785, 7, 5},  // near the top of the pulse: half just under 1
        {1571, 3, 1}, // half a period on: back to 0.5
        {2356, 0, 1}, // three quarters: pulse near 0, single pixels
        {3927, 7, 5}, // one period later
    };
    for (const Case& c : cases) {
        previewBrushMemory = 7;
        drawPreviewFrame(*slow, c.elapsedMs);
        EXPECT_EQ(brushSize, c.size) << "at " << c.elapsedMs << " ms";
        int rows = 0;
        for (int y = 0; y < canvasHeight; ++y) rows += pixels[y * canvasWidth + 100] == grey ? 1 : 0;
        EXPECT_EQ(rows, c.rows) << "at " << c.elapsedMs << " ms";
    }
}

TEST_F(PreviewTest, WildNumbersStayFinite)
{
    const auto wild = makeDrawing({
        {{0.5f, 0.5f, 0}, {1e30f, 0.5f, 0.5f}, {-inf, inf, 1}, {nan, nan, 1}, {0.5f, 0.5f, nan}, {0.5f, 0.5f, inf}},
        {{-3e9f, 0.1f, 0}, {3e9f, 0.1f, 0}},
    });
    for (std::int32_t elapsed : {0, 785, 15999}) {
        drawPreviewFrame(*wild, elapsed);
        EXPECT_GE(previewBrushMemory, 0);
        EXPECT_LE(previewBrushMemory, 7);
    }
    EXPECT_EQ(pixels[10 * canvasWidth + 3], grey); // the saturated line across row 10
}

// The whole path from a file: read into the preview's own record, replayed, and the next
// preview does not show what the previous file held.
TEST_F(PreviewTest, PreviewsAFileThenAFileWithoutStrokes)
{
    const auto dir = std::filesystem::path(testing::TempDir()) / "preview_test";
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const char* text) {
        const std::string path = (dir / name).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fputs(text, file);
        std::fclose(file);
        return path;
    };
    const std::string drawn = write("line.gml", "<gml spec=\"1.0\"><tag><drawing><stroke>"
                                                "<pt><x>0.25</x><y>0.5</y><time>0</time></pt>"
                                                "<pt><x>0.75</x><y>0.5</y><time>2</time></pt>"
                                                "</stroke></drawing></tag></gml>\n");
    const std::string empty = write("empty.gml", "<gml spec=\"1.0\"><tag><drawing></drawing></tag></gml>\n");

    scriptFrames(500, {0, 8000});
    previewDrawing(drawn.c_str(), scriptedTicks);
    ASSERT_EQ(console.frames.size(), 2u);
    EXPECT_EQ(console.frames[1][50 * canvasWidth + 40], grey);
    EXPECT_EQ(console.frames[1][50 * canvasWidth + 119], grey);

    console.frames.clear();
    scriptFrames(500, {0, 8000});
    previewDrawing(empty.c_str(), scriptedTicks);
    ASSERT_EQ(console.frames.size(), 2u);
    EXPECT_EQ(count(console.frames[1], 0), canvasPixels);
    std::filesystem::remove_all(dir);
}

// Drawings from other people's tools (eye-tracker tags timed in minutes, the format's commented
// example, an alphabet): each one replays, and something of the larger ones shows.
TEST_F(PreviewTest, TakesRealWorldFiles)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(VELQ_FIXTURES_DIR) / "gml")) {
        if (entry.path().extension() != ".gml") continue;
        ++files;
        console.frames.clear();
        scriptFrames(0, {0, 4000, 15999});
        previewDrawing(entry.path().string().c_str(), scriptedTicks);
        ASSERT_EQ(console.frames.size(), 3u) << entry.path();
        EXPECT_GE(previewBrushMemory, 0);
        EXPECT_LE(previewBrushMemory, 7);
        const auto& last = console.frames.back();
        EXPECT_EQ(count(last, 0) + count(last, grey), canvasPixels) << entry.path();
        if (entry.path().filename() == "TemptAtoZ.gml") {
            EXPECT_GT(count(last, grey), 100);
        }
    }
    EXPECT_GE(files, 10);
}

} // namespace
} // namespace velq
