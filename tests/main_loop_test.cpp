#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "display/console.h"
#include "shell/main_loop.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

// A console that records what the program asks of it and types keys on given frames.
class ScriptedConsole final : public Console {
public:
    std::vector<std::string> calls;
    std::vector<std::pair<int, int>> keys; // (frame, key)
    int frames = 0;

    void setTitle(const char* title) override { calls.push_back(std::string("title ") + title); }
    void configure(int width, int height, bool fullScreen) override
    {
        calls.push_back("configure " + std::to_string(width) + "x" + std::to_string(height) +
                        (fullScreen ? " full" : ""));
    }
    bool present(const CellBuffer&, ConstCanvasView) override
    {
        ++frames;
        return true;
    }
    bool keyWaiting() override { return !keys.empty() && keys.front().first <= frames; }
    int readKey() override
    {
        const int key = keys.front().second;
        keys.erase(keys.begin());
        return key;
    }
};

// Runs the show in an empty folder (no data2/, so no music) on a scripted console.
int runScripted(ScriptedConsole& console)
{
    const fs::path previous = fs::current_path();
    const fs::path empty = fs::temp_directory_path() / "velq-main-loop-test";
    fs::create_directories(empty);
    fs::current_path(empty);
    Console* const saved = outputHandle;
    outputHandle = &console;
    quitFlag = 0;
    const int status = runShow(Options{});
    outputHandle = saved;
    fs::current_path(previous);
    return status;
}

TEST(MainLoopTest, StartsUpInOrderAndEndsOnEsc)
{
    ScriptedConsole console;
    console.keys = {{2, 'a'}, {3, keyOther}, {5, keyEscape}};
    EXPECT_EQ(runScripted(console), 0);
    EXPECT_EQ(console.calls, (std::vector<std::string>{"title VELQ13 - alt+enter=fullscreen", "configure 80x50 full"}));
    // One key per frame: 'a' after frame 2, the arrow after frame 3, Esc after frame 5.
    EXPECT_EQ(console.frames, 5);
    EXPECT_TRUE(console.keys.empty());
    EXPECT_EQ(quitFlag, 1);
}

TEST(MainLoopTest, StoresEachFrameTimeInTheEffectClock)
{
    ScriptedConsole console;
    console.keys = {{1, keyEscape}};
    effectClock = -1;
    runScripted(console);
    EXPECT_GE(effectClock, 0);
    EXPECT_LT(effectClock, 10000);
}

} // namespace
} // namespace velq
