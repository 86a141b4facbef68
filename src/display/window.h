// The window stand-in for the console: an SDL2 window that shows the 80x50 cells as 8x8
// glyphs in the console palette, scaled by a whole number and letterboxed in black.
// Alt+Enter toggles between desktop full screen and a window; Esc and closing the window
// read as Esc; other keys are read and ignored by the show.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "display/console.h"
#include "display/glyph_renderer.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace velq {

// Where the 640x400 cell picture goes in an output of the given size: the largest whole-number
// scale that fits, centred. An output smaller than the picture gets it shrunk to fit, aspect kept.
struct PictureRect {
    int x, y, width, height;
    friend bool operator==(const PictureRect&, const PictureRect&) = default;
};
PictureRect fitPicture(int outputWidth, int outputHeight);

class WindowConsole final : public Console {
public:
    // Starts SDL's video subsystem and creates a hidden window with its renderer and texture.
    // Returns nothing and says why in problem when there is no display or SDL video fails.
    // With the environment variable VELQ_WINDOW_CHART set, every frame shows glyphChartCells()
    // instead of the show's cells (a fixed picture to compare screenshots against).
    static std::unique_ptr<WindowConsole> open(std::string& problem);
    ~WindowConsole() override;
    WindowConsole(const WindowConsole&) = delete;
    WindowConsole& operator=(const WindowConsole&) = delete;

    void setTitle(const char* title) override;
    // Shows the window: desktop full screen when asked, else a window of width x height cells
    // at the largest whole scale the desktop holds.
    void configure(int width, int height, bool fullScreen) override;
    bool present(const CellBuffer& cells, ConstCanvasView pixels) override;
    bool keyWaiting() override;
    int readKey() override;

    // Draws the cells into the texture without showing them (the frame path without the
    // display's own cost; present does this, then draws and shows).
    void upload(const CellBuffer& cells);
    bool fullScreen() const;
    // The renderer's output as it stands, RGB rows top-down; for tests.
    bool readBack(std::vector<std::uint8_t>& rgb, int& width, int& height);

    struct Token {
        explicit Token() = default;
    };
    explicit WindowConsole(Token) {}

private:
    void show();
    void toggleFullScreen();
    void handleEvents(bool wait);
    void pushKey(int key);
    void redraw();

    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool videoStarted_ = false;
    bool shown_ = false;
    bool chart_ = false;
    int windowWidth_ = cellImageWidth;
    int windowHeight_ = cellImageHeight;
    CellImage image_{};
    CellBuffer chartCells_{};
    // Keys read from SDL, oldest first; Esc is never dropped.
    int keys_[16]{};
    int keyCount_ = 0;
};

} // namespace velq
