// The window console: placement of the picture, what the renderer shows against the glyph
// renderer, keys (Esc, closing, Alt+Enter, ignored keys), the no-display fallback, and the real
// program under Xvfb with a screenshot and a synthetic Esc.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <SDL.h>
#include <unistd.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "display/glyph_renderer.h"
#include "display/window.h"
#include "process_helpers.h"

namespace {

using namespace velq;
namespace fs = std::filesystem;

TEST(WindowTest, PictureIsScaledByWholeNumbersCentredAndLetterboxed)
{
    struct Case {
        int width, height;
        PictureRect want;
    };
    const Case cases[] = {
        {640, 400, {0, 0, 640, 400}},
        {1024, 768, {192, 184, 640, 400}},    // 1.6 x 1.92: scale 1
        {1280, 800, {0, 0, 1280, 800}},       // exactly 2
        {1920, 1080, {320, 140, 1280, 800}},  // 3 x 2.7: scale 2
        {2560, 1440, {320, 120, 1920, 1200}}, // 4 x 3.6: scale 3
        {3840, 2160, {320, 80, 3200, 2000}},  // 6 x 5.4: scale 5
        {800, 2000, {80, 800, 640, 400}},     // tall: the width decides
        {320, 400, {0, 100, 320, 200}},       // smaller than the picture: shrunk, aspect kept
        {640, 100, {240, 0, 160, 100}},
        {0, 0, {0, 0, 1, 1}},                 // an output of no size still gets a target of 1x1
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitPicture(c.width, c.height), c.want) << c.width << "x" << c.height;
}

// The window draws the cells; the canvas beside them is not looked at.
const std::array<Pixel, canvasPixels> noPixels{};

// Sets an environment variable for the scope of a test and puts the old value back.
class EnvScope {
public:
    EnvScope(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~EnvScope()
    {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A window on SDL's offscreen driver: no display needed, and the renderer can be read back.
class OffscreenWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string problem;
        window_ = WindowConsole::open(problem);
        if (!window_) GTEST_SKIP() << "SDL's offscreen video driver is not available: " << problem;
        window_->setTitle("VELQ13 - alt+enter=fullscreen");
        // Windowed: the offscreen driver does not resize its drawing surface for full screen
        // (the X11 test below covers full screen).
        window_->configure(consoleColumns, consoleRows, false);
    }

    static void pushKey(SDL_Keycode key, Uint16 mod = KMOD_NONE)
    {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.state = SDL_PRESSED;
        event.key.keysym.sym = key;
        event.key.keysym.mod = mod;
        SDL_PushEvent(&event);
    }

    // The output must be the glyph renderer's picture of the cells, placed by fitPicture and
    // scaled by pixel repetition, with black all around.
    void expectShows(const CellBuffer& cells)
    {
        std::vector<std::uint8_t> out;
        int width = 0, height = 0;
        ASSERT_TRUE(window_->readBack(out, width, height));
        auto image = std::make_unique<CellImage>();
        renderCells(cells, *image);
        const PictureRect fit = fitPicture(width, height);
        const int scale = fit.width / cellImageWidth;
        ASSERT_GE(scale, 1);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* got = &out[(static_cast<std::size_t>(y) * width + x) * 3];
                const bool inside = x >= fit.x && x < fit.x + fit.width && y >= fit.y && y < fit.y + fit.height;
                static constexpr std::uint8_t black[3] = {0, 0, 0};
                const std::uint8_t* want =
                    inside ? &(*image)[static_cast<std::size_t>((y - fit.y) / scale) * cellImageStride +
                                       (x - fit.x) / scale * 3]
                           : black;
                if (std::memcmp(got, want, 3) != 0 && ++wrong <= 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " of " << width << "x" << height;
            }
        EXPECT_EQ(wrong, 0);
    }

    EnvScope driver_{"SDL_VIDEODRIVER", "offscreen"};
    // SDL's own software renderer: the GL drivers keep memory past their unloading, which
    // LeakSanitizer reports; the X11 test below runs the GL renderer.
    EnvScope renderer_{"SDL_RENDER_DRIVER", "software"};
    EnvScope framebuffer_{"SDL_FRAMEBUFFER_ACCELERATION", "0"};
    EnvScope chart_{"VELQ_WINDOW_CHART", nullptr};
    std::unique_ptr<WindowConsole> window_;
};

TEST_F(OffscreenWindow, ShowsTheCellsAsTheGlyphRendererDrawsThem)
{
    const CellBuffer chart = glyphChartCells();
    CellBuffer other{};
    for (int n = 0; n < consoleCells; ++n) other[n] = {glyphTable[(n * 7) % 16], static_cast<std::uint16_t>((n * 13) & 255)};
    for (const CellBuffer* cells : std::array<const CellBuffer*, 3>{&chart, &other, &chart}) {
        ASSERT_TRUE(window_->present(*cells, ConstCanvasView(noPixels)));
        expectShows(*cells);
    }
}

TEST_F(OffscreenWindow, EscAndClosingReadAsEscOtherKeysAreKeysAndAltEnterTogglesFullScreen)
{
    EXPECT_FALSE(window_->keyWaiting());

    pushKey(SDLK_LSHIFT); // a modifier alone is no key press
    EXPECT_FALSE(window_->keyWaiting());

    const bool full = window_->fullScreen();
    pushKey(SDLK_RETURN, KMOD_LALT);
    EXPECT_FALSE(window_->keyWaiting()) << "Alt+Enter is not a key for the show";
    EXPECT_NE(window_->fullScreen(), full);
    pushKey(SDLK_KP_ENTER, KMOD_RALT);
    EXPECT_FALSE(window_->keyWaiting());
    EXPECT_EQ(window_->fullScreen(), full);

    pushKey(SDLK_a);
    pushKey(SDLK_RETURN);
    pushKey(SDLK_UP);
    pushKey(SDLK_ESCAPE);
    ASSERT_TRUE(window_->keyWaiting());
    EXPECT_EQ(window_->readKey(), 'a');
    EXPECT_EQ(window_->readKey(), '\r');
    EXPECT_EQ(window_->readKey(), keyOther);
    EXPECT_EQ(window_->readKey(), keyEscape);
    EXPECT_FALSE(window_->keyWaiting());

    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(window_->readKey(), keyEscape) << "closing the window ends the show";

    // A flood of keys never pushes Esc out.
    for (int i = 0; i < 40; ++i) pushKey(SDLK_x);
    pushKey(SDLK_ESCAPE);
    int last = 0;
    while (window_->keyWaiting()) last = window_->readKey();
    EXPECT_EQ(last, keyEscape);
}

TEST_F(OffscreenWindow, ChartVariableShowsTheFixedChartWhateverTheShowDraws)
{
    window_.reset();
    EnvScope chart("VELQ_WINDOW_CHART", "1");
    std::string problem;
    window_ = WindowConsole::open(problem);
    ASSERT_TRUE(window_) << problem;
    window_->configure(consoleColumns, consoleRows, false);
    EXPECT_FALSE(window_->fullScreen());
    const CellBuffer blank{};
    window_->present(blank, ConstCanvasView(noPixels));
    expectShows(glyphChartCells());
}

// A captured PNG frame is what the window shows for the same cells, pixel for pixel.
TEST_F(OffscreenWindow, CapturedPngFramesMatchTheWindow)
{
    TempDir dir("velq-window-");
    const fs::path capture = dir.path() / "capture";
    const std::string command = "cd '" VELQ_BINARY_DIR "' && ./velq13 --capture '" + capture.string() +
                                "' --png --seconds 0.3 >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string cells = readFile(capture / "cells.bin");
    const std::size_t frameBytes = consoleCells * 2;
    ASSERT_GE(cells.size(), 2 * frameBytes);
    const std::size_t frames = cells.size() / frameBytes;
    for (const std::size_t frame : {std::size_t{0}, frames - 1}) {
        CellBuffer buffer{};
        for (int n = 0; n < consoleCells; ++n) {
            buffer[n].character = static_cast<unsigned char>(cells[frame * frameBytes + n * 2]);
            buffer[n].attributes = static_cast<unsigned char>(cells[frame * frameBytes + n * 2 + 1]);
        }
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06zu.png", frame);
        int width = 0, height = 0, channels = 0;
        const std::unique_ptr<unsigned char, void (*)(void*)> png(
            stbi_load((capture / name).string().c_str(), &width, &height, &channels, 3), stbi_image_free);
        ASSERT_TRUE(png) << name;
        ASSERT_EQ(width, cellImageWidth);
        ASSERT_EQ(height, cellImageHeight);

        ASSERT_TRUE(window_->present(buffer, ConstCanvasView(noPixels)));
        std::vector<std::uint8_t> shown;
        int shownWidth = 0, shownHeight = 0;
        ASSERT_TRUE(window_->readBack(shown, shownWidth, shownHeight));
        const PictureRect fit = fitPicture(shownWidth, shownHeight);
        ASSERT_EQ(fit.width, cellImageWidth) << "the window is drawn at scale 1 here";
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            wrong += std::memcmp(&shown[(static_cast<std::size_t>(y + fit.y) * shownWidth + fit.x) * 3],
                                 &png.get()[static_cast<std::size_t>(y) * cellImageStride], cellImageStride) != 0;
        EXPECT_EQ(wrong, 0) << name << ": rows that differ";
    }
}

// Before anything else starts: one line, a failure status, and the show never begins.
TEST(WindowTest, WithoutADisplayTheProgramSaysSoAndFails)
{
    TempDir dir("velq-window-");
    const std::string program = VELQ_BINARY_DIR "/velq13";
    const std::string runs[] = {
        "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" + program + "' --window --mute",
        "env SDL_VIDEODRIVER=no-such-driver '" + program + "' --window --mute",
    };
    for (const std::string& run : runs) {
        const std::string status =
            commandOutput("cd '" + dir.path().string() + "' && " + run + " >out.txt 2>err.txt </dev/null; echo $?");
        EXPECT_NE(status, "0\n") << run;
        const std::string err = readFile(dir.path() / "err.txt");
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("--window"), std::string::npos) << err;
        EXPECT_EQ(readFile(dir.path() / "out.txt"), "") << run;
    }
}

// Reads a binary PPM (P6, maxval 255) as written by ImageMagick.
bool readPpm(const fs::path& path, std::vector<std::uint8_t>& rgb, int& width, int& height)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    if (!(in >> magic >> width >> height >> maxval) || magic != "P6" || maxval != 255) return false;
    in.get();
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size())));
}

// The real program on a virtual X screen under a small window manager (full screen is the
// window manager's business): the screenshot must be the chart's PNG, centred at scale 1 on
// black; Alt+Enter leaves full screen and returns to it; an ignored key must not end the show,
// a synthetic Esc must.
TEST(WindowTest, ProgramUnderXvfbShowsTheCellsFullScreenAndEndsOnEsc)
{
    if (std::system("command -v xvfb-run >/dev/null") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    for (const char* tool : {"xdotool", "import", "compare", "evilwm", "xprop"})
        if (std::system(("command -v " + std::string(tool) + " >/dev/null").c_str()) != 0)
            GTEST_SKIP() << tool << " is not installed";
    TempDir dir("velq-window-");
    const fs::path d = dir.path();
    ASSERT_EQ(writeCellsPng((d / "chart.png").string(), glyphChartCells()), "");
    // The generated data set: without it every missing asset is reported on standard error.
    std::ofstream(d / "run.sh") << R"sh(
cd "$1"
ln -s ")sh" VELQ_BINARY_DIR R"sh(/data2" data2
# The GL and D-Bus libraries SDL loads keep memory past exit; leaks are checked in-process.
export ASAN_OPTIONS=detect_leaks=0
evilwm -fn fixed >/dev/null 2>&1 &
for i in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window && break; sleep 0.1; done
VELQ_WINDOW_CHART=1 ")sh" VELQ_BINARY_DIR R"sh(/velq13" --window --mute >out.txt 2>err.txt </dev/null &
show=$!
id=$(timeout 10 xdotool search --sync --name 'VELQ13 - alt\+enter=fullscreen' | head -n 1)
state() { xprop -id "$id" _NET_WM_STATE | grep -c _NET_WM_STATE_FULLSCREEN; }
# Wait until the screen shows the chart where the full-screen picture belongs.
for i in $(seq 50); do
  import -window root -depth 8 shot.ppm
  [ "$(compare -metric AE -extract 640x400+192+184 shot.ppm chart.png null: 2>&1)" = 0 ] && break
  sleep 0.2
done
state > full-at-start.txt
# A loaded machine may take a while to switch: wait up to 10 s for the state, then record it.
expect_state() { for i in $(seq 100); do [ "$(state)" = "$1" ] && break; sleep 0.1; done; state > "$2"; }
xdotool key alt+Return
expect_state 0 full-after-toggle.txt
xdotool key alt+Return
expect_state 1 full-after-second-toggle.txt
xdotool key a
sleep 0.5
kill -0 $show 2>/dev/null && echo running > after-a.txt
xdotool key Escape
for i in $(seq 100); do kill -0 $show 2>/dev/null || break; sleep 0.1; done
kill -0 $show 2>/dev/null && { echo "Esc did not end the show" > stuck.txt; kill $show; }
wait $show
echo $? > status.txt
)sh";
    const std::string command = "timeout 60 xvfb-run -a -s '-screen 0 1024x768x24' sh '" + (d / "run.sh").string() +
                                "' '" + d.string() + "' >/dev/null 2>&1";
    std::system(command.c_str());

    EXPECT_EQ(readFile(d / "full-at-start.txt"), "1\n") << "the show starts in full screen";
    EXPECT_EQ(readFile(d / "full-after-toggle.txt"), "0\n") << "Alt+Enter goes to a window";
    EXPECT_EQ(readFile(d / "full-after-second-toggle.txt"), "1\n") << "Alt+Enter goes back to full screen";
    EXPECT_EQ(readFile(d / "after-a.txt"), "running\n") << "an ordinary key ended the show";
    EXPECT_FALSE(fs::exists(d / "stuck.txt")) << "Esc did not end the show";
    EXPECT_EQ(readFile(d / "status.txt"), "0\n");
    EXPECT_EQ(readFile(d / "err.txt"), "");

    std::vector<std::uint8_t> shot;
    int width = 0, height = 0;
    ASSERT_TRUE(readPpm(d / "shot.ppm", shot, width, height));
    ASSERT_EQ(width, 1024);
    ASSERT_EQ(height, 768);
    auto image = std::make_unique<CellImage>();
    renderCells(glyphChartCells(), *image);
    const PictureRect fit = fitPicture(width, height);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= fit.x && x < fit.x + fit.width && y >= fit.y && y < fit.y + fit.height;
            static constexpr std::uint8_t black[3] = {0, 0, 0};
            const std::uint8_t* want =
                inside ? &(*image)[static_cast<std::size_t>(y - fit.y) * cellImageStride + (x - fit.x) * 3] : black;
            if (std::memcmp(&shot[(static_cast<std::size_t>(y) * width + x) * 3], want, 3) != 0 && ++wrong <= 5)
                ADD_FAILURE() << "screen pixel " << x << "," << y;
        }
    EXPECT_EQ(wrong, 0);
}

} // namespace
