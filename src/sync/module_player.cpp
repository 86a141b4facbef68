#include "sync/module_player.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include <libopenmpt/libopenmpt.h>

namespace velq {

namespace {

// Samples of one tick at the module's tempo: 2.5 ms x 100 / tempo, truncated as the
// decoder does (44100 x 5 / 2 = 110250).
std::int64_t tickFrames(std::int32_t tempo) { return tempo > 0 ? 110250 / tempo : 0; }

// The whole file, or nothing when it cannot be read (missing, a folder, a read error).
std::vector<char> readWholeFile(const char* path)
{
    std::vector<char> bytes;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path, "rb"), std::fclose);
    if (!file) return bytes;
    std::array<char, 65536> block;
    for (std::size_t n; (n = std::fread(block.data(), 1, block.size(), file.get())) > 0;)
        bytes.insert(bytes.end(), block.data(), block.data() + n);
    if (std::ferror(file.get())) bytes.clear();
    return bytes;
}

} // namespace

std::unique_ptr<Song> Song::load(const char* path)
{
    if (!path) return nullptr;
    const std::vector<char> bytes = readWholeFile(path);
    if (bytes.empty()) return nullptr;
    // Silent log and ignored errors: a failure must not print anything.
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
        nullptr, nullptr, nullptr);
    if (!module) return nullptr;
    auto song = std::make_unique<Song>(Token{});
    song->module_ = module; // owned from here: the destructor releases it
    try {
        // Loop as a tracker does: at the end, on to the restart position, until stopped.
        openmpt_module_set_repeat_count(module, -1);
        // No dither: its noise is random per run, and a capture must be the same every time.
        openmpt_module_ctl_set_integer(module, "dither", 0);
        song->length_ = openmpt_module_get_duration_seconds(module);
        song->indexRows();
    } catch (...) {
        return nullptr;
    }
    return song;
}

Song::~Song()
{
    if (module_) openmpt_module_destroy(module_);
}

// Reads every cell once, at load, so that the audio thread only looks rows up. The effect
// letters come from the decoder's own formatting, asked once per effect number.
void Song::indexRows()
{
    std::array<char, 256> letters{};
    std::array<bool, 256> known{};
    const std::int32_t patterns = openmpt_module_get_num_patterns(module_);
    const std::int32_t channels = openmpt_module_get_num_channels(module_);
    patternFirstRow_.assign(static_cast<std::size_t>(std::max(patterns, 0)), 0);
    patternRows_.assign(static_cast<std::size_t>(std::max(patterns, 0)), 0);
    for (std::int32_t p = 0; p < patterns; ++p) {
        const std::int32_t rows = std::max(openmpt_module_get_pattern_num_rows(module_, p), 0);
        patternFirstRow_[static_cast<std::size_t>(p)] = static_cast<std::uint32_t>(rows_.size());
        patternRows_[static_cast<std::size_t>(p)] = static_cast<std::uint32_t>(rows);
        for (std::int32_t r = 0; r < rows; ++r) {
            RowInfo info;
            info.firstZ = static_cast<std::uint32_t>(zParams_.size());
            for (std::int32_t c = 0; c < channels; ++c) {
                const int effect =
                    openmpt_module_get_pattern_row_channel_command(module_, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT);
                if (effect == 0) continue;
                const auto e = static_cast<std::size_t>(effect & 0xFF);
                if (!known[e]) {
                    known[e] = true;
                    if (const char* text = openmpt_module_format_pattern_row_channel_command(
                            module_, p, r, c, OPENMPT_MODULE_COMMAND_EFFECT)) {
                        letters[e] = text[0];
                        openmpt_free_string(text);
                    }
                }
                const auto param = static_cast<std::uint8_t>(
                    openmpt_module_get_pattern_row_channel_command(module_, p, r, c, OPENMPT_MODULE_COMMAND_PARAMETER));
                if (letters[e] == 'Z') {
                    zParams_.push_back(param);
                    ++info.zCount;
                } else if (letters[e] == 'E' && (param >> 4) == 0xE) {
                    info.patternDelay = param & 0x0F; // the rightmost pattern delay counts
                }
            }
            rows_.push_back(info);
        }
    }
}

const Song::RowInfo* Song::rowInfo(std::int32_t pattern, std::int32_t row) const
{
    if (pattern < 0 || static_cast<std::size_t>(pattern) >= patternRows_.size()) return nullptr;
    if (row < 0 || static_cast<std::uint32_t>(row) >= patternRows_[static_cast<std::size_t>(pattern)]) return nullptr;
    return &rows_[patternFirstRow_[static_cast<std::size_t>(pattern)] + static_cast<std::uint32_t>(row)];
}

void Song::render(std::span<std::int16_t> stereo)
{
    const std::size_t total = stereo.size() / 2;
    std::size_t done = 0;
    while (done < total) {
        // Up to the next millisecond boundary: never more than one tick (a tick is at least
        // 432 frames), so no row can start and end unseen inside a slice.
        const std::int64_t boundary = musicFrameAt(musicMsAt(frames_) + 1);
        const std::size_t count = std::min(total - done, static_cast<std::size_t>(boundary - frames_));
        std::int16_t* out = stereo.data() + 2 * done;
        std::size_t got = 0;
        if (!ended_) got = openmpt_module_read_interleaved_stereo(module_, musicRate, count, out);
        if (got < count) {
            // The decoder ran out (it loops, so only on a broken module): silence from here.
            ended_ = true;
            std::fill(out + 2 * got, out + 2 * count, std::int16_t{0});
        }
        const std::int64_t sliceStart = frames_;
        frames_ += static_cast<std::int64_t>(count);
        done += count;
        if (!ended_) checkRowStart(sliceStart);
    }
}

// The decoder starts a tick when it needs that tick's first frame, so a row whose position
// appears after a slice started inside that slice, in the slice's millisecond.
void Song::checkRowStart(std::int64_t sliceStart)
{
    const std::int32_t order = openmpt_module_get_current_order(module_);
    const std::int32_t pattern = openmpt_module_get_current_pattern(module_);
    const std::int32_t row = openmpt_module_get_current_row(module_);
    std::int64_t start = sliceStart;
    if (order == order_ && pattern == pattern_ && row == row_) {
        // Same position: a row played again in place (a one-row pattern jumping to itself)
        // shows only through its length. Half a tick of grace keeps an ordinary next row,
        // seen by its new position, from ever counting twice.
        if (rowLength_ <= 0 || frames_ - rowStart_ < rowLength_ + tick_ / 2) return;
        start = rowStart_ + rowLength_;
    }
    order_ = order;
    pattern_ = pattern;
    row_ = row;
    rowStart_ = start;
    const RowInfo* info = rowInfo(pattern, row);
    const std::int64_t speed = openmpt_module_get_current_speed(module_);
    tick_ = tickFrames(openmpt_module_get_current_tempo(module_));
    rowLength_ = speed * (1 + (info ? info->patternDelay : 0)) * tick_;
    if (!info || !callback_) return;
    const SongPosition position{static_cast<std::int32_t>(musicMsAt(start)), order, pattern, row};
    for (std::uint32_t i = 0; i < info->zCount; ++i) callback_(position, zParams_[info->firstZ + i]);
}

} // namespace velq
