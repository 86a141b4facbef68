#include "display/terminal.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velq {

namespace {

constexpr char enterScreen[] = "\x1b[22;0t"   // keep the window title to give it back later
                               "\x1b[?1049h"  // alternate screen
                               "\x1b[?25l"    // hide the cursor
                               "\x1b[?7l"     // no automatic wrap at the right margin
                               "\x1b[0m\x1b[2J";
constexpr char leaveScreen[] = "\x1b[0m\x1b[?7h\x1b[?25h\x1b[?1049l\x1b[23;0t";

// Esc followed by nothing within this time is the Esc key, not the start of a sequence.
constexpr int escapeTimeoutMs = 25;

// The settings to restore if the program dies of a signal; written before raw mode is set.
struct termios savedSettings;
volatile std::sig_atomic_t restoreOnCrash = 0;

void writeAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd out{STDOUT_FILENO, POLLOUT, 0};
            ::poll(&out, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return; // the terminal is gone; nothing more to show
        }
    }
}

extern "C" void onFatalSignal(int signal)
{
    if (restoreOnCrash) {
        // Only async-signal-safe calls here.
        [[maybe_unused]] ssize_t ignored = ::write(STDOUT_FILENO, leaveScreen, sizeof leaveScreen - 1);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedSettings);
    }
    ::raise(signal); // the handler was reset on entry, so this ends the process as before
}

void catchFatalSignals()
{
    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}

bool terminalSize(int& columns, int& rows)
{
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
        return false;
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

void appendNumber(std::string& out, int value)
{
    std::array<char, 12> digits{};
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (n > 0) out += digits[--n];
}

constexpr std::array<int, 8> sgrColourOfConsoleBits = {0, 4, 2, 6, 1, 5, 3, 7};

} // namespace

int sgrForeground(unsigned attribute)
{
    const unsigned c = attribute & 0x0F;
    return ((c & 8) ? 90 : 30) + sgrColourOfConsoleBits[c & 7];
}

int sgrBackground(unsigned attribute)
{
    const unsigned c = (attribute >> 4) & 0x0F;
    return ((c & 8) ? 100 : 40) + sgrColourOfConsoleBits[c & 7];
}

void TerminalEncoder::encode(const CellBuffer& cells, int terminalColumns, int terminalRows, std::string& out)
{
    out.clear();
    out += "\x1b[?2026h";
    const bool whole = !havePrevious_ || terminalColumns != columns_ || terminalRows != rows_;
    if (whole) out += "\x1b[0m\x1b[2J";
    columns_ = terminalColumns;
    rows_ = terminalRows;

    const int left = std::max(0, (terminalColumns - consoleColumns) / 2);
    const int top = std::max(0, (terminalRows - consoleRows) / 2);
    const int shownColumns = std::min(consoleColumns, terminalColumns);
    const int shownRows = std::min(consoleRows, terminalRows);

    int attribute = -1; // unknown after a clear or at the start of a frame
    int cursorRow = -1, cursorColumn = -1;
    for (int row = 0; row < shownRows; ++row) {
        for (int column = 0; column < shownColumns; ++column) {
            const Cell cell = cells[row * consoleColumns + column];
            if (!whole && cell == previous_[row * consoleColumns + column]) continue;
            if (row != cursorRow || column != cursorColumn) {
                out += "\x1b[";
                appendNumber(out, top + row + 1);
                out += ';';
                appendNumber(out, left + column + 1);
                out += 'H';
            }
            if (cell.attributes != attribute) {
                attribute = cell.attributes;
                out += "\x1b[";
                appendNumber(out, sgrForeground(cell.attributes));
                out += ';';
                appendNumber(out, sgrBackground(cell.attributes));
                out += 'm';
            }
            out += static_cast<char>(cell.character);
            cursorRow = row;
            cursorColumn = column + 1;
        }
    }
    out += "\x1b[?2026l";
    previous_ = cells;
    havePrevious_ = true;
}

std::unique_ptr<TerminalConsole> TerminalConsole::open(std::string& problem)
{
    if (!::isatty(STDOUT_FILENO)) {
        problem = "standard output is not a terminal (use --capture DIR to render to files, or --window)";
        return nullptr;
    }
    auto console = std::make_unique<TerminalConsole>(Token{});
    if (!terminalSize(console->startColumns_, console->startRows_)) {
        console->startColumns_ = consoleColumns;
        console->startRows_ = consoleRows;
    }
    console->smallestColumns_ = console->startColumns_;
    console->smallestRows_ = console->startRows_;
    if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &savedSettings) == 0) {
        struct termios raw = savedSettings;
        raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | BRKINT | INPCK | ISTRIP);
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | ISIG | IEXTEN);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        restoreOnCrash = 1;
        catchFatalSignals();
        console->rawInput_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    console->open_ = true;
    writeAll(enterScreen, sizeof enterScreen - 1);
    console->frame_.reserve(64 * 1024);
    return console;
}

TerminalConsole::~TerminalConsole()
{
    close();
}

std::string TerminalConsole::close()
{
    if (!open_) return {};
    open_ = false;
    std::string restore;
    if (fullScreenAsked_) restore += "\x1b[10;0t";
    if (resized_) {
        restore += "\x1b[8;";
        appendNumber(restore, startRows_);
        restore += ';';
        appendNumber(restore, startColumns_);
        restore += 't';
    }
    restore += leaveScreen;
    writeAll(restore.data(), restore.size());
    if (rawInput_) ::tcsetattr(STDIN_FILENO, TCSADRAIN, &savedSettings);
    restoreOnCrash = 0;
    if (smallestColumns_ < consoleColumns || smallestRows_ < consoleRows) {
        std::string note = "the terminal was ";
        note += std::to_string(smallestColumns_) + "x" + std::to_string(smallestRows_);
        note += " cells; the show needs 80x50, so part of the picture was cut off";
        return note;
    }
    return {};
}

void TerminalConsole::setTitle(const char* title)
{
    std::string out = "\x1b]2;";
    out += title;
    out += '\a';
    writeAll(out.data(), out.size());
}

void TerminalConsole::configure(int width, int height, bool fullScreen)
{
    // xterm window operations; terminals that do not know them ignore them.
    std::string out = "\x1b[8;";
    appendNumber(out, height);
    out += ';';
    appendNumber(out, width);
    out += 't';
    if (fullScreen) out += "\x1b[10;1t";
    writeAll(out.data(), out.size());
    resized_ = true;
    fullScreenAsked_ = fullScreen;
}

bool TerminalConsole::present(const CellBuffer& cells, ConstCanvasView)
{
    int columns = consoleColumns, rows = consoleRows;
    terminalSize(columns, rows);
    smallestColumns_ = std::min(smallestColumns_, columns);
    smallestRows_ = std::min(smallestRows_, rows);
    encoder_.encode(cells, columns, rows, frame_);
    writeAll(frame_.data(), frame_.size());
    return true;
}

void TerminalConsole::fillInput(int timeoutMs)
{
    if (!rawInput_ || inputStart_ < inputEnd_) return;
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, timeoutMs) <= 0) return;
    const ssize_t n = ::read(STDIN_FILENO, input_, sizeof input_);
    inputStart_ = 0;
    inputEnd_ = n > 0 ? static_cast<int>(n) : 0;
}

bool TerminalConsole::nextByte(unsigned char& byte, int timeoutMs)
{
    fillInput(timeoutMs);
    if (inputStart_ >= inputEnd_) return false;
    byte = input_[inputStart_++];
    return true;
}

bool TerminalConsole::keyWaiting()
{
    fillInput(0);
    return inputStart_ < inputEnd_;
}

int TerminalConsole::readKey()
{
    if (!rawInput_) return keyOther;
    unsigned char byte = 0;
    if (!nextByte(byte, -1)) return keyOther; // interrupted by a signal
    if (byte == 3) return keyEscape;          // Ctrl-C: raw mode delivers it as a byte
    if (byte != keyEscape) return byte;

    // A lone Esc, or the start of an escape sequence (arrows, function keys, Alt+key).
    unsigned char next = 0;
    if (!nextByte(next, escapeTimeoutMs)) return keyEscape;
    if (next == '[') {
        // CSI: parameter and intermediate bytes, then one final byte 0x40..0x7E.
        unsigned char c = 0;
        while (nextByte(c, escapeTimeoutMs) && !(c >= 0x40 && c <= 0x7E)) {}
    } else if (next == 'O') {
        unsigned char c = 0;
        nextByte(c, escapeTimeoutMs); // SS3: one more byte (F1..F4, keypad arrows)
    }
    return keyOther;
}

} // namespace velq
