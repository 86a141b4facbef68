#include "display/window.h"

#include <algorithm>
#include <cstdlib>

#include <SDL.h>

#include "shell/keyboard.h"

namespace velq {

namespace {

bool haveEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Keys that are only modifiers are not key presses of their own, as on a text console.
bool modifierOnly(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LCTRL: case SDLK_RCTRL: case SDLK_LSHIFT: case SDLK_RSHIFT: case SDLK_LALT:
    case SDLK_RALT: case SDLK_LGUI: case SDLK_RGUI: case SDLK_CAPSLOCK: case SDLK_NUMLOCKCLEAR:
    case SDLK_SCROLLLOCK: case SDLK_MODE:
        return true;
    default:
        return false;
    }
}

constexpr std::uint32_t fullScreenFlags = SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP;

} // namespace

PictureRect fitPicture(int outputWidth, int outputHeight)
{
    outputWidth = std::max(outputWidth, 1);
    outputHeight = std::max(outputHeight, 1);
    const int scale = std::min(outputWidth / cellImageWidth, outputHeight / cellImageHeight);
    int width = cellImageWidth * scale, height = cellImageHeight * scale;
    if (scale < 1) {
        // Smaller than one glyph pixel per screen pixel: the whole picture, shrunk, aspect kept.
        if (outputWidth * cellImageHeight <= outputHeight * cellImageWidth) {
            width = outputWidth;
            height = std::max(1, outputWidth * cellImageHeight / cellImageWidth);
        } else {
            height = outputHeight;
            width = std::max(1, outputHeight * cellImageWidth / cellImageHeight);
        }
    }
    return {(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}

std::unique_ptr<WindowConsole> WindowConsole::open(std::string& problem)
{
    // An explicit SDL_VIDEODRIVER (kmsdrm on a bare console, offscreen) needs neither variable.
    if (!haveEnv("SDL_VIDEODRIVER") && !haveEnv("DISPLAY") && !haveEnv("WAYLAND_DISPLAY")) {
        problem = "--window needs a display, but neither DISPLAY nor WAYLAND_DISPLAY is set";
        return nullptr;
    }
    // Ctrl-C and SIGTERM stay with the show's own handlers, which end it like Esc.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");

    auto console = std::make_unique<WindowConsole>(Token{});
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        problem = std::string("--window cannot start SDL video: ") + SDL_GetError();
        return nullptr;
    }
    console->videoStarted_ = true;
    console->window_ = SDL_CreateWindow("velq13", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, cellImageWidth,
                                        cellImageHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
    if (console->window_) {
        console->renderer_ = SDL_CreateRenderer(console->window_, -1, 0);
        if (!console->renderer_) console->renderer_ = SDL_CreateRenderer(console->window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (console->renderer_)
        console->texture_ = SDL_CreateTexture(console->renderer_, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STREAMING,
                                              cellImageWidth, cellImageHeight);
    if (!console->texture_) {
        problem = std::string("--window cannot open a window: ") + SDL_GetError();
        return nullptr;
    }
    SDL_StopTextInput(); // keys are read as key presses, never composed into text
    console->chart_ = haveEnv("VELQ_WINDOW_CHART");
    if (console->chart_) console->chartCells_ = glyphChartCells();
    return console;
}

WindowConsole::~WindowConsole()
{
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    // Only video: the music player may be using SDL's audio.
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void WindowConsole::setTitle(const char* title)
{
    SDL_SetWindowTitle(window_, title);
}

void WindowConsole::configure(int width, int height, bool fullScreen)
{
    // The window when not full screen: the cells at the largest whole scale the desktop holds.
    const int pictureWidth = std::max(width, 1) * glyphWidth, pictureHeight = std::max(height, 1) * glyphHeight;
    int scale = 1;
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &usable) == 0)
        scale = std::max(1, std::min(usable.w / pictureWidth, usable.h / pictureHeight));
    windowWidth_ = pictureWidth * scale;
    windowHeight_ = pictureHeight * scale;
    SDL_SetWindowSize(window_, windowWidth_, windowHeight_);
    SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    show();
    // Asked of the window manager once the window is mapped; where there is no full screen the
    // request is simply not met and the show runs in the window.
    if (fullScreen) SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void WindowConsole::show()
{
    if (shown_) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    shown_ = true;
}

bool WindowConsole::fullScreen() const
{
    return (SDL_GetWindowFlags(window_) & fullScreenFlags) != 0;
}

void WindowConsole::toggleFullScreen()
{
    if (fullScreen()) {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowSize(window_, windowWidth_, windowHeight_);
    } else {
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

void WindowConsole::upload(const CellBuffer& cells)
{
    renderCells(chart_ ? chartCells_ : cells, image_);
    SDL_UpdateTexture(texture_, nullptr, image_.data(), cellImageStride);
}

void WindowConsole::redraw()
{
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    const PictureRect fit = fitPicture(width, height);
    const SDL_Rect target{fit.x, fit.y, fit.width, fit.height};
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, &target);
}

bool WindowConsole::present(const CellBuffer& cells, ConstCanvasView)
{
    show();
    // Events first: a size change must reach the renderer before it draws, and the window
    // stays responsive even where nobody asks for keys.
    handleEvents(false);
    upload(cells);
    redraw();
    SDL_RenderPresent(renderer_);
    return true;
}

bool WindowConsole::readBack(std::vector<std::uint8_t>& rgb, int& width, int& height)
{
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    rgb.resize(static_cast<std::size_t>(width) * height * 3);
    redraw();
    const bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB24, rgb.data(), width * 3) == 0;
    SDL_RenderPresent(renderer_);
    return ok;
}

void WindowConsole::pushKey(int key)
{
    if (keyCount_ == static_cast<int>(std::size(keys_))) {
        if (key != keyEscape) return; // a full queue drops ordinary keys, never Esc
        --keyCount_;
    }
    keys_[keyCount_++] = key;
}

void WindowConsole::handleEvents(bool wait)
{
    SDL_Event event;
    // When waiting, wake up now and then so that a termination signal is noticed.
    for (bool more = wait ? SDL_WaitEventTimeout(&event, 50) : SDL_PollEvent(&event); more;
         more = SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            pushKey(keyEscape);
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                pushKey(keyEscape);
            } else if (shown_ && (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                                  event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)) {
                redraw();
                SDL_RenderPresent(renderer_);
            }
            break;
        case SDL_KEYDOWN: {
            const SDL_Keycode key = event.key.keysym.sym;
            if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && (event.key.keysym.mod & KMOD_ALT)) {
                if (!event.key.repeat) toggleFullScreen();
            } else if (key == SDLK_ESCAPE) {
                pushKey(keyEscape);
            } else if (!modifierOnly(key)) {
                pushKey(key > 0 && key < 128 ? static_cast<int>(key) : keyOther);
            }
            break;
        }
        default:
            break;
        }
    }
}

bool WindowConsole::keyWaiting()
{
    handleEvents(false);
    return keyCount_ > 0;
}

int WindowConsole::readKey()
{
    while (keyCount_ == 0) {
        if (terminationRequested()) return keyOther; // the keyboard reads it as Esc
        handleEvents(true);
    }
    const int key = keys_[0];
    std::copy(keys_ + 1, keys_ + keyCount_, keys_);
    --keyCount_;
    return key;
}

} // namespace velq
