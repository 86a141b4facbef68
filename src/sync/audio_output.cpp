#include "sync/audio_output.h"

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

#include <SDL2/SDL.h>
#include <fcntl.h>
#include <unistd.h>

namespace velq {

namespace {

constexpr int deviceBufferFrames = 1024; // about 23 ms: the sync runs this far ahead of the ear
constexpr int pacedBlockFrames = 1024;

bool deviceReady = false;
SDL_AudioDeviceID device = 0;
std::thread pacedThread;
std::atomic<bool> pacedRunning{false};
// Only the paced thread touches it; the output is thrown away.
std::array<std::int16_t, 2 * pacedBlockFrames> pacedScratch;

// Sends standard error to /dev/null while the sound libraries probe for devices: ALSA writes
// its complaints there, which would land on the show's terminal.
class QuietStandardError {
public:
    QuietStandardError()
    {
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError()
    {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

void deviceCallback(void* userdata, Uint8* stream, int length)
{
    auto* song = static_cast<Song*>(userdata);
    song->render(std::span<std::int16_t>(reinterpret_cast<std::int16_t*>(stream), static_cast<std::size_t>(length) / 2));
}

// Renders exactly as much song as real time has passed, about once a millisecond.
void pacedLoop(Song* song)
{
    using namespace std::chrono;
    const auto start = steady_clock::now();
    const std::int64_t startFrame = song->framesRendered();
    while (pacedRunning.load(std::memory_order_acquire)) {
        const std::int64_t elapsedUs = duration_cast<microseconds>(steady_clock::now() - start).count();
        std::int64_t missing = startFrame + elapsedUs * musicRate / 1'000'000 - song->framesRendered();
        while (missing > 0) {
            const std::int64_t count = std::min<std::int64_t>(missing, pacedBlockFrames);
            song->render(std::span<std::int16_t>(pacedScratch.data(), static_cast<std::size_t>(2 * count)));
            missing -= count;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
}

} // namespace

bool initSoundDevice()
{
    static bool tried = false;
    if (!tried) {
        tried = true;
        QuietStandardError quiet;
        deviceReady = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    return deviceReady;
}

bool startAudioOutput(Song& song, bool useDevice)
{
    stopAudioOutput();
    if (useDevice && deviceReady) {
        SDL_AudioSpec want{};
        want.freq = musicRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = deviceBufferFrames;
        want.callback = deviceCallback;
        want.userdata = &song;
        SDL_AudioSpec have{};
        {
            QuietStandardError quiet;
            device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0); // SDL converts if it must
        }
        if (device != 0) {
            SDL_PauseAudioDevice(device, 0);
            return true;
        }
    }
    try {
        pacedRunning.store(true, std::memory_order_release);
        pacedThread = std::thread(pacedLoop, &song);
    } catch (...) {
        pacedRunning.store(false);
        return false;
    }
    return true;
}

void stopAudioOutput()
{
    if (device != 0) {
        SDL_CloseAudioDevice(device); // returns once the callback has finished
        device = 0;
    }
    if (pacedThread.joinable()) {
        pacedRunning.store(false, std::memory_order_release);
        pacedThread.join();
    }
}

bool audioOutputPaced() { return pacedThread.joinable(); }

} // namespace velq
