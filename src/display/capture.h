// The capture stand-in for the console: every presented frame goes to files instead of a
// screen, for a show rendered headless on a virtual clock.
//   cells.bin   4000 cells a frame, row-major, two bytes each: glyph code, attribute
//   frames.tsv  "frame<TAB>t_ms<TAB>events", then a line a frame; events are the sync values
//               taken in that frame, two hex digits each, comma-separated
//   audio.wav   the music of the captured span, 44100 Hz, 16-bit stereo PCM
//   canvas.bin  (optional) the 64000 canvas bytes (red, green, blue, alpha) of each frame
//   frame_NNNNNN.png (optional) each frame drawn as the window draws it
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "display/console.h"

namespace velq {

struct CaptureSettings {
    std::string dir;
    bool png = false;
    bool canvas = false;
};

class CaptureConsole final : public Console {
public:
    // Creates the folder if needed and opens the files; nothing, with the reason in problem,
    // when that fails.
    static std::unique_ptr<CaptureConsole> open(const CaptureSettings& settings, std::string& problem);
    ~CaptureConsole() override;
    CaptureConsole(const CaptureConsole&) = delete;
    CaptureConsole& operator=(const CaptureConsole&) = delete;

    // Names the frame the next present belongs to: its number, time and the sync values the
    // director takes in it.
    void beginFrame(std::int64_t index, std::int32_t t, std::span<const std::uint8_t> events);
    // Appends 16-bit stereo frames (left, right interleaved) to the audio.
    void writeAudio(std::span<const std::int16_t> stereo);
    // Completes the audio at exactly audioFrames frames (silence added or surplus cut) and
    // closes every file. Returns the first problem met while capturing, or an empty text.
    std::string finish(std::int64_t audioFrames);
    // The first write problem so far, or an empty text.
    const std::string& problem() const { return problem_; }
    std::int64_t framesWritten() const { return frames_; }

    void setTitle(const char*) override {}
    void configure(int, int, bool) override {}
    bool present(const CellBuffer& cells, ConstCanvasView pixels) override;
    bool keyWaiting() override { return false; }
    int readKey() override { return keyOther; }

    struct Token {
        explicit Token() = default;
    };
    explicit CaptureConsole(Token) {}

private:
    using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    void write(std::FILE* file, const void* data, std::size_t size, const char* name);

    CaptureSettings settings_;
    File cellsFile_{nullptr, std::fclose};
    File framesFile_{nullptr, std::fclose};
    File audioFile_{nullptr, std::fclose};
    File canvasFile_{nullptr, std::fclose};
    std::string problem_;
    std::int64_t frames_ = 0;
    std::int64_t audioFrames_ = 0;
    std::int64_t frameIndex_ = 0;
    std::int32_t frameTime_ = 0;
    // The events column of the frame being captured: up to ten values of "XX,".
    std::array<char, 64> eventsText_{};
    std::size_t eventsLength_ = 0;
    std::array<std::uint8_t, consoleCells * 2> cellBytes_{};
    std::array<std::uint8_t, canvasPixels * 4> canvasBytes_{};
    std::array<std::uint8_t, 4096> audioBytes_{};
};

} // namespace velq
