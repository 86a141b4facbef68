#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sync/audio_output.h"
#include "sync/music.h"
#include "sync/sync_queue.h"
#include "xm_fixture.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

fs::path scratchDir()
{
    const fs::path dir = fs::temp_directory_path() / ("velq-music-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir;
}

std::vector<SyncEvent> recorded;
void recordEvent(const SongPosition& p, std::uint8_t parameter)
{
    recorded.push_back(SyncEvent{parameter, p.timeMs, p.order, p.pattern, p.row});
}

// Plays the module offline for ms milliseconds in uneven blocks, as an audio device would ask
// for them, and returns every sync callback.
std::vector<SyncEvent> play(const xm::Module& module, int ms)
{
    const fs::path path = scratchDir() / "play.xm";
    xm::saveXm(path, module);
    auto song = Song::load(path.c_str());
    EXPECT_TRUE(song);
    if (!song) return {};
    recorded.clear();
    song->setSyncCallback(recordEvent);
    std::vector<std::int16_t> buffer(2 * 1500);
    const std::int64_t end = musicFrameAt(ms);
    for (std::size_t block = 377; song->framesRendered() < end; block = block * 7 % 1499 + 1) {
        const auto count = static_cast<std::size_t>(std::min<std::int64_t>(block, end - song->framesRendered()));
        song->render(std::span<std::int16_t>(buffer.data(), 2 * count));
    }
    return recorded;
}

SyncEvent ev(int value, int ms, int order, int pattern, int row) { return SyncEvent{value, ms, order, pattern, row}; }

struct PlayerCase {
    const char* name;
    std::function<xm::Module()> module;
    int ms;
    std::vector<SyncEvent> expected;
};

xm::Module oneOrder(xm::Pattern pattern, int speed = 6, int tempo = 125)
{
    xm::Module m;
    m.speed = speed;
    m.tempo = tempo;
    m.channels = pattern.channels;
    m.withInstrument = true;
    m.patterns.push_back(std::move(pattern));
    m.orders = {0};
    return m;
}

// Speed 6 at tempo 125: a row is 6 x 2500 / 125 = 120 ms.
const std::vector<PlayerCase> playerCases = {
    {"RowsAtTempoTimes",
     [] { return oneOrder(xm::Pattern(32, 2).z(0, 1, 0x01).z(5, 0, 0x91).z(17, 0, 0x21).z(17, 1, 0x32).note(3, 0, 49)); },
     2500,
     {ev(0x01, 0, 0, 0, 0), ev(0x91, 600, 0, 0, 5), ev(0x21, 2040, 0, 0, 17), ev(0x32, 2040, 0, 0, 17)}},
    {"LeftToRightOnOneRow",
     [] { return oneOrder(xm::Pattern(8, 4).z(1, 3, 0x0F).z(1, 0, 0xFF).z(1, 2, 0x00)); },
     300,
     {ev(0xFF, 120, 0, 0, 1), ev(0x00, 120, 0, 0, 1), ev(0x0F, 120, 0, 0, 1)}},
    {"SpeedTempoAndDelayChanges",
     // F03 on row 2 (60 ms rows), F96 = tempo 150 on row 4 (tick 735 frames, rows of 50 ms),
     // EE1 on row 6 (the row lasts twice as long).
     [] {
         return oneOrder(xm::Pattern(16, 2)
                             .effect(2, 0, xm::effectSpeed, 3)
                             .z(3, 1, 0x13)
                             .effect(4, 0, xm::effectSpeed, 150)
                             .z(5, 1, 0x15)
                             .effect(6, 0, xm::effectExtended, 0xE1)
                             .z(6, 1, 0x16)
                             .z(7, 1, 0x17));
     },
     600,
     {ev(0x13, 300, 0, 0, 3), ev(0x15, 410, 0, 0, 5), ev(0x16, 460, 0, 0, 6), ev(0x17, 560, 0, 0, 7)}},
    {"PatternBreakAndSongLoop",
     // Order 0 breaks on row 2 to row 4 of order 1, which plays to its end; then the song
     // starts again from order 0.
     [] {
         xm::Module m = oneOrder(xm::Pattern(8, 2).z(0, 1, 0x10).z(2, 1, 0x11).effect(2, 0, xm::effectBreak, 0x04));
         m.patterns.push_back(xm::Pattern(8, 2).z(4, 1, 0x12).z(7, 0, 0x13));
         m.orders = {0, 1};
         return m;
     },
     1300,
     {ev(0x10, 0, 0, 0, 0), ev(0x11, 240, 0, 0, 2), ev(0x12, 360, 1, 1, 4), ev(0x13, 720, 1, 1, 7),
      ev(0x10, 840, 0, 0, 0), ev(0x11, 1080, 0, 0, 2), ev(0x12, 1200, 1, 1, 4)}},
    {"PatternLoopPlaysRowsAgain",
     // E60 on row 1, E62 on row 3 of the same channel: rows 1 to 3 play three times.
     [] {
         return oneOrder(xm::Pattern(6, 2)
                             .z(0, 1, 0x2F)
                             .effect(1, 0, xm::effectExtended, 0x60)
                             .z(2, 1, 0x20)
                             .effect(3, 0, xm::effectExtended, 0x62)
                             .z(4, 0, 0x22)
                             .z(4, 1, 0x21));
     },
     1400,
     {ev(0x2F, 0, 0, 0, 0), ev(0x20, 240, 0, 0, 2), ev(0x20, 600, 0, 0, 2), ev(0x20, 960, 0, 0, 2),
      ev(0x22, 1200, 0, 0, 4), ev(0x21, 1200, 0, 0, 4)}},
    {"OneRowJumpingToItself",
     // The position never changes, yet every pass is a new row.
     [] { return oneOrder(xm::Pattern(1, 2).z(0, 0, 0x42).effect(0, 1, xm::effectJump, 0)); },
     500,
     {ev(0x42, 0, 0, 0, 0), ev(0x42, 120, 0, 0, 0), ev(0x42, 240, 0, 0, 0), ev(0x42, 360, 0, 0, 0),
      ev(0x42, 480, 0, 0, 0)}},
    {"NoZCellsNoEvents",
     [] { return oneOrder(xm::Pattern(16, 2).note(0, 0, 49).effect(4, 1, xm::effectSpeed, 4)); },
     3000,
     {}},
};

class PlayerTest : public testing::TestWithParam<PlayerCase> {};

TEST_P(PlayerTest, EveryZCellArrivesOncePerPlayOfItsRow)
{
    EXPECT_EQ(play(GetParam().module(), GetParam().ms), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modules, PlayerTest, testing::ValuesIn(playerCases),
                         [](const testing::TestParamInfo<PlayerCase>& info) { return info.param.name; });

// Tempos whose tick is not a whole number of frames: the row times follow
// row x speed x 2500 / tempo to the millisecond.
TEST(PlayerTimingTest, SongTimeFollowsTheTempo)
{
    for (const int tempo : {32, 99, 128, 130, 177, 255}) {
        for (const int speed : {1, 3, 31}) {
            xm::Pattern pattern(64, 2);
            for (int row = 0; row < 64; ++row) pattern.z(row, 1, row);
            const auto events = play(oneOrder(pattern, speed, tempo), 63 * speed * 2500 / tempo + 1);
            ASSERT_EQ(events.size(), 64u) << tempo << " " << speed;
            for (const SyncEvent& e : events) {
                // The decoder cuts each tick to whole frames, so beyond the millisecond's
                // truncation a row may come up to one frame early per tick before it.
                const double expected = e.row * speed * 2500.0 / tempo;
                const double slack = 1.0 + e.row * speed * 1000.0 / musicRate;
                EXPECT_NEAR(e.songTimeMs, expected - slack / 2, slack / 2)
                    << "tempo " << tempo << " speed " << speed << " row " << e.row;
                EXPECT_EQ(e.value, e.row);
            }
        }
    }
}

TEST(MusicTest, OfflineRenderingQueuesThroughTheSyncCallback)
{
    const fs::path path = scratchDir() / "offline.xm";
    xm::saveXm(path, oneOrder(xm::Pattern(8, 2).z(0, 0, 0x01).z(1, 0, 0x4F).z(1, 1, 0xFF)));
    while (popSyncEvent()) {}
    ASSERT_EQ(openMusic(path.c_str()), 1);
    EXPECT_NEAR(musicLengthSeconds(), 0.96, 1e-6);
    std::vector<std::int16_t> buffer(2 * static_cast<std::size_t>(musicFrameAt(121)));
    ASSERT_TRUE(renderMusic(buffer));
    EXPECT_EQ(musicFramesRendered(), musicFrameAt(121));
    EXPECT_EQ(popSyncEvent(), ev(0x01, 0, 0, 0, 0));
    EXPECT_EQ(popSyncEvent(), ev(0x4F, 120, 0, 0, 1));
    EXPECT_EQ(popSyncEvent(), ev(0xFF, 120, 0, 0, 1));
    EXPECT_FALSE(popSyncEvent());
    stopMusic();
    EXPECT_FALSE(renderMusic(buffer));
    EXPECT_EQ(musicLengthSeconds(), 0.0);
}

TEST(MusicTest, UnplayableFilesFailSilently)
{
    const fs::path dir = scratchDir();
    xm::Module good = oneOrder(xm::Pattern(8, 2).z(0, 0, 0x01));
    const std::vector<std::uint8_t> bytes = xm::writeXm(good);
    auto write = [&](const char* name, std::size_t size, char fill) {
        std::vector<char> data(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(size, bytes.size())));
        if (fill) data.assign(size, fill);
        std::ofstream(dir / name, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
        return (dir / name).string();
    };
    const std::vector<std::string> paths = {
        (dir / "missing.xm").string(), write("empty.xm", 0, 0), write("garbage.xm", 4096, 'x'),
        write("cut-header.xm", 40, 0), dir.string(), // a folder, not a file
    };
    setMusicMuted(true);
    for (const std::string& path : paths) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(startMusic(path.c_str()), 0) << path;
        EXPECT_EQ(openMusic(path.c_str()), 0) << path;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << path;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << path;
    }
    stopMusic(); // nothing loaded: does nothing
    setMusicMuted(false);
}

// Live playback, on the sound device if there is one (SDL's dummy driver otherwise stands in)
// and muted on the paced thread: the module's sync arrives through the queue in order.
void expectLiveSync(bool muted, bool onDevice)
{
    const fs::path path = scratchDir() / "live.xm";
    // Speed 1 at tempo 250: 10 ms rows.
    xm::Module m = oneOrder(xm::Pattern(16, 2).z(0, 0, 0x01).z(3, 1, 0x02).z(3, 0, 0x03).z(9, 0, 0x04), 1, 250);
    xm::saveXm(path, m);
    while (popSyncEvent()) {}
    setMusicMuted(muted);
    testing::internal::CaptureStderr();
    ASSERT_EQ(startMusic(path.c_str()), 1);
    EXPECT_EQ(audioOutputPaced(), !onDevice);
    std::vector<SyncEvent> got;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (got.size() < 4 && std::chrono::steady_clock::now() < giveUp) {
        while (auto e = popSyncEvent()) got.push_back(*e);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    stopMusic();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    setMusicMuted(false);
    ASSERT_GE(got.size(), 4u);
    got.resize(4);
    EXPECT_EQ(got, (std::vector<SyncEvent>{ev(0x01, 0, 0, 0, 0), ev(0x03, 30, 0, 0, 3), ev(0x02, 30, 0, 0, 3),
                                           ev(0x04, 90, 0, 0, 9)}));
}

TEST(MusicTest, LiveSyncArrivesOnTheDevice)
{
    // SDL's dummy driver plays in real time and throws the sound away.
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (driver && std::string(driver) != "dummy") GTEST_SKIP() << "needs SDL_AUDIODRIVER=dummy";
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const char* current = initSoundDevice() ? SDL_GetCurrentAudioDriver() : nullptr;
    if (!current || std::string(current) != "dummy")
        GTEST_SKIP() << "the sound system was set up earlier in this process, without the dummy driver";
    expectLiveSync(false, true);
}

TEST(MusicTest, LiveSyncArrivesWhenMuted) { expectLiveSync(true, false); }

TEST(MusicTest, StartingAgainReplacesTheSong)
{
    const fs::path path = scratchDir() / "again.xm";
    xm::saveXm(path, oneOrder(xm::Pattern(4, 1).z(0, 0, 0x10)));
    setMusicMuted(true);
    EXPECT_EQ(startMusic(path.c_str()), 1);
    EXPECT_EQ(startMusic(path.c_str()), 1);
    EXPECT_EQ(startMusic((scratchDir() / "missing.xm").c_str()), 0);
    EXPECT_EQ(musicLengthSeconds(), 0.0); // the earlier song was released
    stopMusic();
    setMusicMuted(false);
    while (popSyncEvent()) {}
}

} // namespace
} // namespace velq
