// Runs the real program headless (--capture) on modules written here and checks its files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "xm_fixture.h"
#include "process_helpers.h"

namespace velq {
namespace {

namespace fs = std::filesystem;

std::uint32_t le32(const std::string& bytes, std::size_t at)
{
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint8_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3])) << 24;
}

std::vector<std::vector<std::string>> tsvLines(const fs::path& path)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(readFile(path));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        lines.push_back(fields);
    }
    return lines;
}

class CaptureTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("velq-capture-test-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "data2");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the program in the test folder; returns its exit status.
    int capture(const std::string& out, const std::string& options)
    {
        const std::string command = "cd '" + dir_.string() + "' && '" VELQ_BINARY_DIR "/velq13' --capture " + out + " " +
                                    options + " >stdout.txt 2>stderr.txt";
        return std::system(command.c_str());
    }
    void writeModule(const xm::Module& module) { xm::saveXm(dir_ / "data2" / "velq4.xm", module); }

    fs::path dir_;
};

// Speed 6 at tempo 125: rows of 120 ms. Row 0 picks the bar scene, row 3 the letterbox and the
// side band, row 5 two commands on one row, row 10 ends the show.
xm::Module showModule()
{
    xm::Module m;
    m.withInstrument = true;
    xm::Pattern p(16, 2);
    p.note(0, 0, 49).note(4, 0, 56).note(8, 0, 61);
    p.z(0, 1, 0x01).z(3, 1, 0x91).z(4, 1, 0x81).z(5, 0, 0x4F).z(5, 1, 0x21).z(7, 1, 0x11).z(10, 1, 0xFF);
    m.patterns.push_back(p);
    m.orders = {0};
    return m;
}

TEST_F(CaptureTest, EventsLandOnTheFramesTheRowsPredict)
{
    writeModule(showModule());
    struct Row {
        int row;
        const char* events;
    };
    const Row rows[] = {{0, "01"}, {3, "91"}, {4, "81"}, {5, "4F,21"}, {7, "11"}, {10, "FF"}};
    for (const int fps : {50, 30, 7}) {
        const std::string out = "out" + std::to_string(fps);
        ASSERT_EQ(capture(out, "--fps " + std::to_string(fps)), 0) << readFile(dir_ / "stderr.txt");
        const auto lines = tsvLines(dir_ / out / "frames.tsv");
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], (std::vector<std::string>{"frame", "t_ms", "events"}));
        // A row's sync shows in the first frame whose time is at or after the row's start.
        auto frameOf = [fps](int ms) {
            int k = 0;
            while (k * 1000 / fps < ms) ++k;
            return k;
        };
        std::vector<std::string> expected(static_cast<std::size_t>(frameOf(1200) + 1));
        for (const Row& r : rows) {
            std::string& cell = expected[static_cast<std::size_t>(frameOf(r.row * 120))];
            cell += (cell.empty() ? "" : ",") + std::string(r.events);
        }
        // The show stops after the frame that took 0xFF.
        ASSERT_EQ(lines.size(), expected.size() + 1) << fps;
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(lines[k + 1][0], std::to_string(k));
            EXPECT_EQ(lines[k + 1][1], std::to_string(k * 1000 / fps));
            EXPECT_EQ(lines[k + 1].size() > 2 ? lines[k + 1][2] : "", expected[k]) << "fps " << fps << " frame " << k;
        }
        const auto frames = static_cast<std::uintmax_t>(expected.size());
        EXPECT_EQ(fs::file_size(dir_ / out / "cells.bin"), frames * 8000);
        EXPECT_FALSE(fs::exists(dir_ / out / "canvas.bin"));

        // A canonical PCM header and exactly the captured span of sound.
        const std::string wav = readFile(dir_ / out / "audio.wav");
        const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * 44100 / fps * 4);
        ASSERT_EQ(wav.size(), 44 + dataBytes);
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(wav, 4), 36 + dataBytes);
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(wav, 16), 16u);
        EXPECT_EQ(le32(wav, 20), 1u | 2u << 16);       // PCM, two channels
        EXPECT_EQ(le32(wav, 24), 44100u);
        EXPECT_EQ(le32(wav, 28), 44100u * 4);
        EXPECT_EQ(le32(wav, 32), 4u | 16u << 16);      // four bytes a frame, 16 bits
        EXPECT_EQ(wav.substr(36, 4), "data");
        EXPECT_EQ(le32(wav, 40), dataBytes);
        EXPECT_NE(wav.find_first_not_of('\0', 44), std::string::npos); // the notes are heard
    }
    // Nothing on standard output; the progress line on standard error.
    EXPECT_EQ(readFile(dir_ / "stdout.txt").find("capture"), std::string::npos);
    EXPECT_NE(readFile(dir_ / "stderr.txt").find("frames"), std::string::npos);
}

TEST_F(CaptureTest, TwoRunsGiveTheSameBytes)
{
    writeModule(showModule());
    ASSERT_EQ(capture("a", "--canvas"), 0);
    ASSERT_EQ(capture("b", "--canvas"), 0);
    for (const char* name : {"cells.bin", "frames.tsv", "audio.wav", "canvas.bin"}) {
        const std::string a = readFile(dir_ / "a" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == readFile(dir_ / "b" / name)) << name;
    }
    EXPECT_EQ(fs::file_size(dir_ / "a" / "canvas.bin"), fs::file_size(dir_ / "a" / "cells.bin") * 8);
}

TEST_F(CaptureTest, TimeLimits)
{
    struct Case {
        bool module;
        const char* options;
        std::size_t frames;
    };
    // Without 0xFF: the module once through (16 rows, 1.92 s) plus a second; without a module
    // ten seconds; --seconds S caps either.
    const Case cases[] = {
        {true, "", 146}, {true, "--seconds 0.5", 25}, {true, "--seconds 1.01 --fps 10", 11}, {false, "--fps 20", 200},
    };
    xm::Module m = showModule();
    m.patterns[0].z(10, 1, 0x90);
    for (const Case& c : cases) {
        fs::remove(dir_ / "data2" / "velq4.xm");
        if (c.module) writeModule(m);
        fs::remove_all(dir_ / "out");
        ASSERT_EQ(capture("out", c.options), 0) << c.options;
        EXPECT_EQ(tsvLines(dir_ / "out" / "frames.tsv").size(), c.frames + 1) << c.options;
        EXPECT_EQ(fs::file_size(dir_ / "out" / "cells.bin"), c.frames * 8000) << c.options;
    }
}

TEST_F(CaptureTest, UnwritableFolderIsReported)
{
    std::ofstream(dir_ / "file") << "x";
    EXPECT_NE(capture("file/out", ""), 0);
    EXPECT_NE(readFile(dir_ / "stderr.txt").find("velq13: "), std::string::npos);
}

} // namespace
} // namespace velq
