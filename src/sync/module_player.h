// The module player: libopenmpt decodes the module; we track where each row starts and turn
// the row's Zxx cells into sync callbacks. Rendering is driven by whoever owns the output (the
// sound device's callback, a clock-paced thread, or a capture run), so the row and sync logic
// is the same everywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct openmpt_module;

namespace velq {

constexpr int musicRate = 44100; // frames per second, 16-bit stereo

// The first frame of song millisecond ms: ceil(ms * 44100 / 1000).
constexpr std::int64_t musicFrameAt(std::int64_t ms) { return (ms * 441 + 9) / 10; }
// The song millisecond that frame lies in: floor(frame * 1000 / 44100).
constexpr std::int64_t musicMsAt(std::int64_t frame) { return frame * 10 / 441; }

// Where the song stood when a row started: what the sync callback reports with each Zxx.
struct SongPosition {
    std::int32_t timeMs = 0; // song time since playback began, loops included
    std::int32_t order = 0;
    std::int32_t pattern = 0;
    std::int32_t row = 0;
};

using SyncCallback = void (*)(const SongPosition& position, std::uint8_t parameter);

class Song {
public:
    // Loads a module file; nothing on any failure (missing, unreadable or not a module), and
    // nothing is printed.
    static std::unique_ptr<Song> load(const char* path);
    ~Song();
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    // From now on every Zxx of a row that starts is handed to callback, left to right.
    void setSyncCallback(SyncCallback callback) { callback_ = callback; }
    // Renders the next stereo.size() / 2 frames (interleaved left, right) in slices that never
    // cross a millisecond boundary, so a row's start is known to the millisecond. Allocates,
    // locks and prints nothing: it runs on the audio thread.
    void render(std::span<std::int16_t> stereo);
    std::int64_t framesRendered() const { return frames_; }
    // Length of the song once through, in seconds.
    double lengthSeconds() const { return length_; }

    struct Token {
        explicit Token() = default;
    };
    explicit Song(Token) {}

private:
    // The cells of one row that matter here: its Zxx parameters and its pattern delay.
    struct RowInfo {
        std::uint32_t firstZ = 0;
        std::uint16_t zCount = 0;
        std::uint8_t patternDelay = 0;
    };

    void indexRows();
    const RowInfo* rowInfo(std::int32_t pattern, std::int32_t row) const;
    void checkRowStart(std::int64_t sliceStart);

    openmpt_module* module_ = nullptr;
    SyncCallback callback_ = nullptr;
    double length_ = 0;
    std::vector<std::uint32_t> patternFirstRow_; // index into rows_ of each pattern's row 0
    std::vector<std::uint32_t> patternRows_;
    std::vector<RowInfo> rows_;
    std::vector<std::uint8_t> zParams_;

    std::int64_t frames_ = 0;
    bool ended_ = false;
    std::int32_t order_ = -1, pattern_ = -1, row_ = -1; // the row playing, none before the first
    std::int64_t rowStart_ = 0;
    std::int64_t rowLength_ = 0; // frames the row should last, for rows that repeat in place
    std::int64_t tick_ = 0;      // frames of one tick at the row's tempo
};

} // namespace velq
