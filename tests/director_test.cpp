#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

#include "display/canvas.h"
#include "display/console.h"
#include "fx/filters.h"
#include "image/image.h"
#include "shell/assets.h"
#include "shell/main_loop.h"
#include "sync/director.h"
#include "sync/sync_queue.h"

namespace velq {
namespace {

using Canvas = std::array<Pixel, canvasPixels>;

struct Frame {
    std::int32_t t;
    std::vector<int> values; // sync values queued before this frame
};

constexpr Pixel grey = makePixel(90, 140, 200, 255);

class CountingConsole final : public Console {
public:
    int frames = 0;
    void setTitle(const char*) override {}
    void configure(int, int, bool) override {}
    bool present(const CellBuffer&, ConstCanvasView) override { return ++frames > 0; }
    bool keyWaiting() override { return false; }
    int readKey() override { return keyOther; }
};

class DirectorTest : public testing::Test {
protected:
    void SetUp() override
    {
        createCanvas();
        directorState() = DirectorState{};
        while (popSyncEvent()) {}
        quitFlag = 0;
        for (Image& image : imageTable) freeImage(image);
        saved_ = outputHandle;
        outputHandle = &console_;
        fill(grey);
    }
    void TearDown() override
    {
        outputHandle = saved_;
        for (Image& image : imageTable) freeImage(image);
        quitFlag = 0;
    }

    static void fill(Pixel colour) { std::fill(canvas, canvas + canvasPixels, colour); }
    static Canvas snapshot()
    {
        Canvas copy;
        std::copy(canvas, canvas + canvasPixels, copy.begin());
        return copy;
    }
    static Pixel at(int x, int y) { return canvas[y * canvasWidth + x]; }
    static bool rowIs(int y, Pixel colour)
    {
        return std::all_of(canvas + y * canvasWidth, canvas + (y + 1) * canvasWidth, [&](Pixel p) { return p == colour; });
    }
    static void frame(std::int32_t t, const std::vector<int>& values = {})
    {
        for (const int v : values) pushSyncEvent(SyncEvent{v, 0, 0, 0, 0});
        renderFrame(t);
    }
    static void run(const std::vector<Frame>& frames)
    {
        for (const Frame& f : frames) frame(f.t, f.values);
    }
    static Image picture(int width, int height, const std::function<Pixel(int x, int y)>& colour)
    {
        Image image;
        image.width = static_cast<std::uint16_t>(width);
        image.height = static_cast<std::uint16_t>(height);
        image.widthLog2 = computeWidthLog2(image.width);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image.pixels.push_back(colour(x, y));
        return image;
    }

    CountingConsole console_;
    Console* saved_ = nullptr;
};

// ---- the command table, frame by frame -------------------------------------------------------

struct CommandCase {
    const char* name;
    std::vector<Frame> frames;
    std::function<void(DirectorState&)> expect; // applied to a fresh state
};

DirectorState expectedAfter(const CommandCase& c)
{
    DirectorState s;
    s.lastFrameTime = c.frames.back().t;
    s.frameDelta = c.frames.back().t - (c.frames.size() > 1 ? c.frames[c.frames.size() - 2].t : 0);
    c.expect(s);
    return s;
}

std::vector<Frame> everyValue(int from, int to)
{
    std::vector<Frame> frames;
    int t = 0;
    for (int v = from; v <= to; ++v) frames.push_back({t += 10, {v}});
    return frames;
}

const std::vector<CommandCase> commandCases = {
    {"NothingHappensWithoutCommands", {{20, {}}, {40, {}}}, [](DirectorState&) {}},
    {"SceneSwitch", {{10, {}}, {30, {0x02}}}, [](DirectorState& s) {
         s.currentScene = 2;
         s.sceneChanged = true;
     }},
    {"SameSceneAgainIsNoChange", {{10, {0x0F}}, {30, {0x0F}}}, [](DirectorState& s) { s.currentScene = 15; }},
    {"SceneParameterEvenWhenUnchanged", {{10, {0x13}}, {30, {0x13}}}, [](DirectorState& s) {
         s.sceneParam = 3;
         s.paramTime = 30;
         s.paramChanged = true;
     }},
    {"LaterCommandWinsWithinAFrame", {{10, {0x21, 0x2F, 0x35, 0x30, 0x83, 0x81, 0x62, 0x7F, 0x0}}}, [](DirectorState& s) {
         s.overlayA = 15;
         s.overlayB = 0;
         s.sideBand = 1;
         s.drawingChoice = 31;
         s.drawingStart = 10;
         s.currentScene = 0;
         s.sceneChanged = true;
     }},
    {"TimersArmedTogetherAndCountDown", {{980, {}}, {1000, {0x4F}}}, [](DirectorState& s) {
         // Applied at full strength in the arming frame, then lowered by that frame's 20 ms.
         s.flashTimer = 480;
         s.blurTimer = 480;
         s.longBlurTimer = 1980;
         s.fadeTimer = 980;
     }},
    {"EachTimerBit", {{10, {0x42}}, {20, {0x44}}, {30, {0x48}}}, [](DirectorState& s) {
         s.blurTimer = 500 - 10 - 10 - 10;
         s.longBlurTimer = 2000 - 10 - 10;
         s.fadeTimer = 1000 - 10;
     }},
    {"FlashRestartsAtFullStrength", {{10, {0x41}}, {200, {}}, {210, {0x41}}}, [](DirectorState& s) { s.flashTimer = 490; }},
    {"ScrollerPages", {{10, {0x50}}, {20, {0x51}}, {30, {0x51, 0x51}}}, [](DirectorState& s) { s.scrollerPage = 2; }},
    {"ScrollerHideKeepsThePage", {{10, {0x51, 0x51, 0x52}}}, [](DirectorState& s) {
         s.scrollerPage = 1;
         s.scrollerShown = false;
     }},
    {"ScrollerOff", {{10, {0x51, 0x51, 0x50}}}, [](DirectorState& s) {
         s.scrollerPage = -1;
         s.scrollerShown = false;
     }},
    {"DrawingChoices", {{10, {0x71}}, {25, {0x61}}}, [](DirectorState& s) {
         s.drawingChoice = 1;
         s.drawingStart = 25;
     }},
    {"DrawingOff", {{10, {0x71}}, {25, {0x60}}}, [](DirectorState& s) {
         s.drawingChoice = 0;
         s.drawingStart = 25;
     }},
    {"SideBandOnAndOff", {{10, {0x83}}, {20, {0x80}}}, [](DirectorState&) {}},
    {"LetterboxGrowsAndGoes", {{10, {0x91, 0x91, 0x91}}, {20, {0x90, 0x91}}}, [](DirectorState& s) { s.letterbox = 1.0f; }},
    {"LetterboxClosesFromTheNextFrameOn", {{10, {0x91, 0x91}}, {20, {0x92}}}, [](DirectorState& s) {
         s.letterbox = -2.0f + 10 * 0.003f;
     }},
    {"EndCommand", {{10, {0xFF}}}, [](DirectorState&) { quitFlag = 1; }},
    {"IgnoredScrollerValues", everyValue(0x53, 0x5F), [](DirectorState&) {}},
    {"IgnoredLetterboxValues", everyValue(0x93, 0x9F), [](DirectorState&) {}},
    {"IgnoredHighValues", everyValue(0xA0, 0xFE), [](DirectorState&) {}},
};

class CommandTest : public DirectorTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandTest, StateAfterTheFrames)
{
    const CommandCase& c = GetParam();
    const bool endExpected = c.name == std::string("EndCommand");
    run(c.frames);
    const DirectorState expected = expectedAfter(c);
    const DirectorState& got = directorState();
    EXPECT_EQ(got.currentScene, expected.currentScene);
    EXPECT_EQ(got.sceneParam, expected.sceneParam);
    EXPECT_EQ(got.paramTime, expected.paramTime);
    EXPECT_EQ(got.overlayA, expected.overlayA);
    EXPECT_EQ(got.overlayB, expected.overlayB);
    EXPECT_EQ(got.drawingChoice, expected.drawingChoice);
    EXPECT_EQ(got.drawingStart, expected.drawingStart);
    EXPECT_EQ(got.sideBand, expected.sideBand);
    EXPECT_EQ(got.letterbox, expected.letterbox);
    EXPECT_EQ(got.scrollerPage, expected.scrollerPage);
    EXPECT_EQ(got.scrollerShown, expected.scrollerShown);
    EXPECT_EQ(got.flashTimer, expected.flashTimer);
    EXPECT_EQ(got.fadeTimer, expected.fadeTimer);
    EXPECT_EQ(got.blurTimer, expected.blurTimer);
    EXPECT_EQ(got.longBlurTimer, expected.longBlurTimer);
    EXPECT_EQ(got.lastFrameTime, expected.lastFrameTime);
    EXPECT_EQ(got.frameDelta, expected.frameDelta);
    EXPECT_EQ(got.sceneChanged, expected.sceneChanged);
    EXPECT_EQ(got.paramChanged, expected.paramChanged);
    EXPECT_EQ(quitFlag, endExpected ? 1 : 0);
    // Every frame is presented, the one that ends the show too.
    EXPECT_EQ(console_.frames, static_cast<int>(c.frames.size()));
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandTest, testing::ValuesIn(commandCases),
                         [](const testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

// ---- what is drawn ---------------------------------------------------------------------------

TEST_F(DirectorTest, NoSceneLeavesTheCanvasAlone)
{
    frame(10, {0x04});
    frame(20, {0x72, 0x73, 0x7F}); // drawing numbers 17 to 30 name no drawing
    frame(30, {0x2E, 0x3E, 0x3F}); // empty picture slots, and second-overlay numbers with no slot
    for (int v = 0x73; v <= 0x7F; ++v) frame(30 + v, {v});
    EXPECT_TRUE(std::all_of(canvas, canvas + canvasPixels, [](Pixel p) { return p == grey; }));
}

TEST_F(DirectorTest, LetterboxRows)
{
    struct Case {
        float letterbox;
        int topRows;        // rows 0 .. topRows - 1 black
        int bottomFrom;     // rows bottomFrom .. 99 black
    };
    const Case cases[] = {
        {1.0f, 12, 87}, {2.0f, 25, 75}, {4.0f, 50, 50}, {9.0f, 100, 0}, {0.072f, 0, 99}, {0.08f, 0, 99} /* 0.08f is just below 0.08: h = 0.99999998 */, {0.0801f, 1, 98}, {0.5f, 6, 93},
    };
    for (const Case& c : cases) {
        fill(grey);
        directorState().letterbox = c.letterbox;
        frame(10);
        for (int y = 0; y < canvasHeight; ++y) {
            const bool black = y < c.topRows || y >= c.bottomFrom;
            EXPECT_TRUE(rowIs(y, black ? makePixel(0, 0, 0, 255) : grey) || (black && rowIs(y, 0)))
                << "letterbox " << c.letterbox << " row " << y;
        }
    }
}

TEST_F(DirectorTest, ClosingLetterboxShrinksToAResidue)
{
    frame(0, {0x91, 0x91});
    frame(1, {0x92});
    int t = 1;
    int lastTop = 25;
    while (directorState().letterbox < 0.0f && t < 2000) {
        fill(grey);
        frame(++t);
        int top = 0;
        while (top < canvasHeight && !rowIs(top, grey)) ++top;
        EXPECT_LE(top, lastTop);
        lastTop = top;
    }
    // 2 units at 0.003 a millisecond: about 667 ms.
    EXPECT_NEAR(t, 668, 2);
    const float residue = directorState().letterbox;
    EXPECT_GT(residue, 0.0f);
    EXPECT_LT(residue, 0.08f);
    for (int i = 0; i < 3; ++i) {
        fill(grey);
        frame(++t);
        EXPECT_EQ(directorState().letterbox, residue); // stays until 0x90
        for (int y = 0; y < 99; ++y) EXPECT_TRUE(rowIs(y, grey)) << y;
        EXPECT_FALSE(rowIs(99, grey));
    }
    frame(++t, {0x90});
    EXPECT_EQ(directorState().letterbox, 0.0f);
}

TEST_F(DirectorTest, CloseAgainWhileClosingHoldsTheBars)
{
    frame(0, {0x91, 0x91});
    frame(100, {0x92});
    frame(200);
    frame(300);
    const float closing = directorState().letterbox;
    ASSERT_LT(closing, 0.0f);
    frame(400, {0x92});
    EXPECT_EQ(directorState().letterbox, -closing);
    frame(500);
    frame(600);
    EXPECT_EQ(directorState().letterbox, -closing);
}

// The filtered band: noise, blur and levels over (left, 0, 160, 100) and nothing left of it.
TEST_F(DirectorTest, SideBandEdges)
{
    struct Case {
        int value;
        int left;
    };
    for (const Case c : {Case{0x81, 107}, Case{0x82, 54}, Case{0x83, 0}, Case{0x84, -53}, Case{0x8F, -640}}) {
        for (int i = 0; i < canvasPixels; ++i) canvas[i] = makePixel(i * 7, i * 13, i * 3, 255);
        Canvas expected = snapshot();
        std::srand(11);
        frame(10 * c.value, {c.value});
        std::srand(11);
        const CanvasView view(expected);
        addNoise(view, c.left, 0, 160, 100, 240);
        boxBlur(view, c.left, 0, 160, 100, 3);
        applyLevels(view, c.left, 0, 160, 100, 120, 240);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), canvas)) << std::hex << c.value;
        if (c.left > 0) {
            const int i = 50 * 160 + c.left - 1;
            EXPECT_EQ(at(c.left - 1, 50), makePixel(i * 7, i * 13, i * 3, 255)) << "left of the band";
        }
    }
    fill(grey);
    frame(5000, {0x80});
    EXPECT_TRUE(std::all_of(canvas, canvas + canvasPixels, [](Pixel p) { return p == grey; }));
}

TEST_F(DirectorTest, OverlaySlots)
{
    // Each picture is one opaque colour; slot n's red byte is 10 n.
    for (int slot = 1; slot < imageSlots; ++slot)
        if (slot != 5) imageTable[slot] = picture(4, 4, [slot](int, int) { return makePixel(10 * slot, 1, 2, 255); });
    struct Case {
        std::vector<int> values;
        int slot; // the picture seen at (0, 0), 0 for none
    };
    const Case cases[] = {
        {{0x23}, 3}, {{0x2F}, 15}, {{0x31}, 9}, {{0x3D}, 21}, {{0x3E}, 0}, {{0x3F}, 0},
        {{0x23, 0x31}, 9}, // the second overlay goes over the first
    };
    for (const Case& c : cases) {
        directorState() = DirectorState{};
        fill(grey);
        frame(10, c.values);
        EXPECT_EQ(at(0, 0), c.slot ? blendPixel(makePixel(10 * c.slot, 1, 2, 255), grey) : grey) << c.values[0];
        EXPECT_EQ(at(4, 4), grey);
    }
}

TEST_F(DirectorTest, SecondOverlayGoesOverTheFirst)
{
    imageTable[3] = picture(4, 4, [](int, int) { return makePixel(200, 0, 0, 255); });
    imageTable[9] = picture(4, 4, [](int, int) { return makePixel(0, 200, 0, 128); });
    frame(10, {0x31, 0x23});
    EXPECT_EQ(at(1, 1), blendPixel(makePixel(0, 200, 0, 128), blendPixel(makePixel(200, 0, 0, 255), grey)));
}

TEST_F(DirectorTest, ScrollerShowsOnePageAtATime)
{
    // Three pages of 100 rows, page n red 50 (n + 1).
    imageTable[5] = picture(160, 300, [](int, int y) { return makePixel(50 * (y / 100 + 1), 0, 0, 255); });
    frame(10); // page -1: the picture sits below the canvas
    EXPECT_EQ(at(0, 0), grey);
    EXPECT_EQ(at(159, 99), grey);
    frame(20, {0x50});
    frame(30);
    EXPECT_EQ(at(0, 0), grey);
    for (int page = 0; page < 3; ++page) {
        fill(grey);
        frame(40 + page, {0x51});
        const Pixel shown = makePixel(50 * (page + 1), 0, 0, 255);
        EXPECT_EQ(at(0, 0), blendPixel(shown, grey)) << page;
        EXPECT_EQ(at(159, 99), blendPixel(shown, grey)) << page;
    }
    fill(grey);
    frame(60, {0x52});
    EXPECT_EQ(at(0, 0), grey);
}

// The post effects apply the levels and radii of their integer formulas.
TEST_F(DirectorTest, TimedEffectStrengths)
{
    struct Case {
        const char* name;
        std::function<void(DirectorState&)> arm;
        std::function<void(CanvasView)> expected;
    };
    const std::vector<Case> cases = {
        {"flash at arming", [](DirectorState& s) { s.flashTimer = 500; },
         [](CanvasView v) { applyLevels(v, 0, 0, 160, 100, -64, -1); }},
        {"flash near the end", [](DirectorState& s) { s.flashTimer = 1; },
         [](CanvasView v) { applyLevels(v, 0, 0, 160, 100, 0, 255); }},
        {"flash midway", [](DirectorState& s) { s.flashTimer = 250; },
         [](CanvasView v) { applyLevels(v, 0, 0, 160, 100, -32, 127); }},
        {"fade at arming", [](DirectorState& s) { s.fadeTimer = 1000; },
         [](CanvasView v) { applyLevels(v, 0, 0, 160, 100, 0, -1); }},
        {"fade near the end", [](DirectorState& s) { s.fadeTimer = 1; },
         [](CanvasView v) { applyLevels(v, 0, 0, 160, 100, 0, 255); }},
        {"short blur at arming", [](DirectorState& s) { s.blurTimer = 500; },
         [](CanvasView v) { boxBlur(v, 0, 0, 160, 100, 4); }},
        {"short blur below 125 ms", [](DirectorState& s) { s.blurTimer = 124; }, [](CanvasView) {}},
        {"short blur at 125 ms", [](DirectorState& s) { s.blurTimer = 125; },
         [](CanvasView v) { boxBlur(v, 0, 0, 160, 100, 1); }},
        {"long blur at arming", [](DirectorState& s) { s.longBlurTimer = 2000; },
         [](CanvasView v) { boxBlur(v, 0, 0, 160, 100, 16); }},
        {"long blur below 125 ms", [](DirectorState& s) { s.longBlurTimer = 124; }, [](CanvasView) {}},
        {"all four, in order", [](DirectorState& s) {
             s.flashTimer = 400;
             s.fadeTimer = 700;
             s.blurTimer = 300;
             s.longBlurTimer = 900;
         },
         [](CanvasView v) {
             applyLevels(v, 0, 0, 160, 100, -51, 51);
             applyLevels(v, 0, 0, 160, 100, 0, 76);
             boxBlur(v, 0, 0, 160, 100, 2);
             boxBlur(v, 0, 0, 160, 100, 7);
         }},
        {"spent timers do nothing", [](DirectorState& s) {
             s.flashTimer = 0;
             s.fadeTimer = -5;
         },
         [](CanvasView) {}},
    };
    for (const Case& c : cases) {
        directorState() = DirectorState{};
        directorState().lastFrameTime = 100;
        c.arm(directorState());
        for (int i = 0; i < canvasPixels; ++i) canvas[i] = makePixel(i % 160, i / 160 * 2, (i * 5) % 256, 255);
        Canvas expected = snapshot();
        c.expected(CanvasView(expected));
        frame(120);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), canvas)) << c.name;
    }
}

TEST_F(DirectorTest, EndCommandStillPresentsTheFrame)
{
    frame(10, {0x91, 0xFF});
    EXPECT_EQ(quitFlag, 1);
    EXPECT_EQ(console_.frames, 1);
    EXPECT_TRUE(rowIs(0, makePixel(0, 0, 0, 255)) || rowIs(0, 0)); // drawn, letterbox included
}

} // namespace
} // namespace velq
