// The console the show is presented on. The system was written for an 80x50 text console;
// here a stand-in (terminal, window, capture files, or nothing) sits behind this narrow
// interface, so the show's code never knows which one runs.
#pragma once

#include <cstdint>

#include "display/canvas.h"
#include "display/cell_converter.h"

namespace velq {

constexpr int keyEscape = 27;
// Returned by readKey for keys that have no single byte code (arrows, function keys).
constexpr int keyOther = 0x100;

class Console {
public:
    virtual ~Console() = default;
    virtual void setTitle(const char* title) = 0;
    // Sizes the display to width x height cells and, when asked, requests full screen.
    virtual void configure(int width, int height, bool fullScreen) = 0;
    // Shows one frame: the converted cells, with the canvas they were converted from.
    virtual bool present(const CellBuffer& cells, ConstCanvasView pixels) = 0;
    // Non-blocking test whether a key is waiting.
    virtual bool keyWaiting() = 0;
    // Reads one key without echo (keyEscape for Esc); waits for one if none is waiting.
    virtual int readKey() = 0;
};

// Does nothing and has no keys: benchmarks, tests, and the state before a console is chosen.
class NullConsole final : public Console {
public:
    void setTitle(const char*) override {}
    void configure(int, int, bool) override {}
    bool present(const CellBuffer&, ConstCanvasView) override { return true; }
    bool keyWaiting() override { return false; }
    int readKey() override { return keyOther; }
};

// The console every frame is written to (a NullConsole until the program chooses one).
extern Console* outputHandle;
// The cells of the last presented frame.
extern CellBuffer cellBuffer;

// Converts all 4000 cells of the canvas into cellBuffer and writes them to the console.
bool presentCanvas(ConstCanvasView pixels);
void configureConsole(int width, int height, int fullScreen);

} // namespace velq
