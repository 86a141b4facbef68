#include "sync/music.h"

namespace velq {

int startMusic(const char*) { return 0; }
void stopMusic() {}
void setMusicMuted(bool) {}

} // namespace velq
