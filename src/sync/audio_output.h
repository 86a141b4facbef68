// Live output for the module player: the sound device through SDL2 audio, or, without one
// (or when muted), a thread of its own that renders the song paced by the clock and discards
// the sound, so that the sync still arrives on time.
#pragma once

#include "sync/module_player.h"

namespace velq {

// Opens the sound system once; false when there is no sound device to play on. Prints nothing
// (the sound libraries' own complaints are kept off the terminal).
bool initSoundDevice();
// Starts song playing on the sound device (when useDevice and one opens) or on the paced
// thread; false only when neither could start. song must outlive stopAudioOutput.
bool startAudioOutput(Song& song, bool useDevice);
// Stops playback and waits until the song is no longer being rendered.
void stopAudioOutput();
// Whether the last start fell back to the paced thread.
bool audioOutputPaced();

} // namespace velq
