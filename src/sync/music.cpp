#include "sync/music.h"

#include <memory>

#include "sync/audio_output.h"
#include "sync/sync_queue.h"

namespace velq {

namespace {

// Set once the sound device has been initialised; that happens at most once per process, and
// not at all while muted.
bool soundReady = false;
// The loaded module, none at start and after release.
std::unique_ptr<Song> currentSong;
bool musicMuted = false;
// Whether currentSong is being played live (rendered by the output) or offline (by the caller).
bool playingLive = false;

} // namespace

void onSyncCallback(const SongPosition& position, std::uint8_t parameter)
{
    SyncEvent event;
    event.value = parameter;
    event.songTimeMs = position.timeMs;
    event.order = position.order;
    event.pattern = position.pattern;
    event.row = position.row;
    pushSyncEvent(event); // a full queue drops it, unreported
}

int startMusic(const char* path)
{
    // Without a sound device (or muted) the paced thread plays instead, so this cannot fail.
    if (!soundReady && !musicMuted) {
        initSoundDevice();
        soundReady = true;
    }
    stopMusic();
    currentSong = Song::load(path);
    if (!currentSong) return 0;
    // The callback is in place before the first row plays.
    currentSong->setSyncCallback(onSyncCallback);
    if (!startAudioOutput(*currentSong, !musicMuted)) {
        stopMusic();
        return 0;
    }
    playingLive = true;
    return 1;
}

void stopMusic()
{
    if (playingLive) stopAudioOutput();
    playingLive = false;
    currentSong.reset();
}

void setMusicMuted(bool muted) { musicMuted = muted; }

int openMusic(const char* path)
{
    stopMusic();
    currentSong = Song::load(path);
    if (!currentSong) return 0;
    currentSong->setSyncCallback(onSyncCallback);
    return 1;
}

bool renderMusic(std::span<std::int16_t> stereo)
{
    if (!currentSong || playingLive) return false;
    currentSong->render(stereo);
    return true;
}

std::int64_t musicFramesRendered() { return currentSong ? currentSong->framesRendered() : 0; }

double musicLengthSeconds() { return currentSong ? currentSong->lengthSeconds() : 0.0; }

} // namespace velq
