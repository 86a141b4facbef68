// Music playback: the module plays, and every Zxx effect becomes a sync event.
#pragma once

namespace velq {

// 1 when the module plays, 0 on any failure (nothing is printed).
int startMusic(const char* path);
void stopMusic();
// Without sound output the module still runs, paced by the clock, so sync arrives on time.
void setMusicMuted(bool muted);

} // namespace velq
