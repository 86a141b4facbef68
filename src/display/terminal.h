// The text-terminal stand-in for the console: ANSI/VT escape sequences on standard output,
// raw keyboard input from standard input.
#pragma once

#include <memory>
#include <string>

#include "display/console.h"

namespace velq {

// Turns frames of cells into terminal bytes: the first frame (and any after a resize)
// whole, later ones only where cells changed, a colour sequence only where the colour
// changes, each frame inside synchronized-update brackets. The 80x50 picture is centred on
// a larger terminal and clipped on a smaller one.
class TerminalEncoder {
public:
    void encode(const CellBuffer& cells, int terminalColumns, int terminalRows, std::string& out);
    // Forgets the previous frame: the next one is written whole.
    void reset() { havePrevious_ = false; }

private:
    CellBuffer previous_{};
    bool havePrevious_ = false;
    int columns_ = 0;
    int rows_ = 0;
};

// SGR parameters of a console attribute: foreground 30-37/90-97, background 40-47/100-107.
// Console bits are blue 1, green 2, red 4, intensity 8; SGR numbers red 1, green 2, blue 4.
int sgrForeground(unsigned attribute);
int sgrBackground(unsigned attribute);

class TerminalConsole final : public Console {
public:
    // Takes over the terminal (raw input, alternate screen, hidden cursor). Returns nothing and
    // says why in problem when standard output is not a terminal.
    static std::unique_ptr<TerminalConsole> open(std::string& problem);
    ~TerminalConsole() override;
    TerminalConsole(const TerminalConsole&) = delete;
    TerminalConsole& operator=(const TerminalConsole&) = delete;

    // Gives the terminal back as it was; returns a note for the user (such as a terminal too
    // small for the picture), or an empty text. Safe to call more than once.
    std::string close();

    void setTitle(const char* title) override;
    void configure(int width, int height, bool fullScreen) override;
    bool present(const CellBuffer& cells, ConstCanvasView pixels) override;
    bool keyWaiting() override;
    int readKey() override;

    struct Token {
        explicit Token() = default;
    };
    explicit TerminalConsole(Token) {}

private:
    bool nextByte(unsigned char& byte, int timeoutMs);
    void fillInput(int timeoutMs);

    TerminalEncoder encoder_;
    std::string frame_;
    unsigned char input_[64]{};
    int inputStart_ = 0;
    int inputEnd_ = 0;
    bool rawInput_ = false;
    bool open_ = false;
    bool resized_ = false;
    bool fullScreenAsked_ = false;
    int startColumns_ = 0;
    int startRows_ = 0;
    int smallestColumns_ = 0;
    int smallestRows_ = 0;
};

} // namespace velq
