// Music playback: the module plays, and every Zxx effect becomes a sync event.
#pragma once

#include <cstdint>
#include <span>

#include "sync/module_player.h"

namespace velq {

// 1 when the module plays, 0 on any failure (nothing is printed; a loaded module is released).
int startMusic(const char* path);
// Stops playback and releases the module, if one is loaded.
void stopMusic();
// Without sound output the module still runs, paced by the clock, so sync arrives on time.
void setMusicMuted(bool muted);
// The player's Zxx callback: queues the parameter with the song position of its row.
void onSyncCallback(const SongPosition& position, std::uint8_t parameter);

// Offline playback (capture, tests): loads the module as startMusic does but plays nothing;
// the caller renders it in step on its own thread. 1 when loaded, 0 on any failure.
int openMusic(const char* path);
// Renders the next stereo.size() / 2 frames of the loaded song (44100 Hz, 16-bit, left and
// right interleaved), making the sync callbacks of the rows that start in them. False when no
// song is loaded offline.
bool renderMusic(std::span<std::int16_t> stereo);
std::int64_t musicFramesRendered();
// The loaded song's length once through, in seconds; 0 without one.
double musicLengthSeconds();

} // namespace velq
