// Runs the real program in a detached tmux session of 80x50 cells, reads its screen, sends keys
// and checks that Esc ends it and leaves the terminal as it found it.
#include <gtest/gtest.h>

#include "process_helpers.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using velq::commandOutput;
using velq::readFile;

class TmuxSession {
public:
    TmuxSession()
        : socket_("velq-e2e-" + std::to_string(::getpid())),
          dir_(fs::temp_directory_path() / ("velq-e2e-" + std::to_string(::getpid())))
    {
        fs::create_directories(dir_);
    }
    ~TmuxSession()
    {
        std::system((tmux() + " kill-server 2>/dev/null").c_str());
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    std::string tmux() const { return "tmux -L " + socket_ + " -f /dev/null"; }
    const fs::path& dir() const { return dir_; }
    void start(const std::string& script, int columns = 80, int rows = 50)
    {
        std::ofstream(dir_ / "run.sh") << script;
        const std::string command = tmux() + " new-session -d -x " + std::to_string(columns) + " -y " + std::to_string(rows) +
                                    " -s show 'sh " + (dir_ / "run.sh").string() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    std::string screen() const { return commandOutput(tmux() + " capture-pane -p -t show"); }
    std::string query(const std::string& format) const
    {
        return commandOutput(tmux() + " display-message -p -t show '" + format + "'");
    }
    void keys(const std::string& keys) const { std::system((tmux() + " send-keys -t show " + keys).c_str()); }

private:
    std::string socket_;
    fs::path dir_;
};

template <typename Predicate>
bool waitFor(Predicate done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return done();
}

TEST(EndToEndTest, RunsInTmuxUntilEscAndRestoresTheTerminal)
{
    if (std::system("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    TmuxSession session;
    const fs::path dir = session.dir();
    // The show runs on the generated data set: a missing one would be reported and, at a
    // terminal, wait for a key after each drawing that is not found.
    session.start("cd '" + dir.string() + "'\n"
                  "ln -s '" VELQ_BINARY_DIR "/data2' data2\n"
                  "stty -g > before.txt\n"
                  "'" VELQ_BINARY_DIR "/velq13' 2> stderr.txt\n"
                  "echo $? > status.txt\n"
                  "stty -g > after.txt\n"
                  "sleep 60\n");

    // Frames arrive: the screen fills with the converter's glyphs.
    ASSERT_TRUE(waitFor([&] { return session.screen().find_first_of("8'`\",[/P.\\]Ybde") != std::string::npos; }, 10s))
        << session.screen();
    EXPECT_EQ(session.query("#{alternate_on}"), "1\n");

    // An arrow key is an escape sequence, not Esc: the show goes on.
    session.keys("Up");
    session.keys("F5");
    std::this_thread::sleep_for(400ms);
    EXPECT_FALSE(fs::exists(dir / "status.txt")) << "an arrow or function key ended the show";

    const auto sent = std::chrono::steady_clock::now();
    session.keys("Escape");
    ASSERT_TRUE(waitFor([&] { return !readFile(dir / "after.txt").empty(); }, 5s)) << "Esc did not end the show";
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    EXPECT_LT(took.count(), 1000) << "Esc should end the show within a second";

    EXPECT_EQ(readFile(dir / "status.txt"), "0\n");
    EXPECT_EQ(readFile(dir / "stderr.txt"), "");
    EXPECT_EQ(readFile(dir / "before.txt"), readFile(dir / "after.txt")) << "terminal settings changed";
    EXPECT_EQ(session.query("#{alternate_on} #{cursor_flag}"), "0 1\n") << "alternate screen or hidden cursor left behind";
}

TEST(EndToEndTest, SigtermEndsTheShowAndRestoresTheTerminal)
{
    if (std::system("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    TmuxSession session;
    const fs::path dir = session.dir();
    session.start("cd '" + dir.string() + "'\n"
                  "stty -g > before.txt\n"
                  "'" VELQ_BINARY_DIR "/velq13' 2> stderr.txt & echo $! > pid.txt; wait $!\n"
                  "echo $? > status.txt\n"
                  "stty -g > after.txt\n"
                  "sleep 60\n");
    ASSERT_TRUE(waitFor([&] { return session.query("#{alternate_on}") == "1\n"; }, 10s));
    const std::string pid = readFile(dir / "pid.txt");
    ASSERT_FALSE(pid.empty());
    std::system(("kill -TERM " + pid).c_str());
    ASSERT_TRUE(waitFor([&] { return !readFile(dir / "after.txt").empty(); }, 5s));
    EXPECT_EQ(readFile(dir / "before.txt"), readFile(dir / "after.txt"));
    EXPECT_EQ(session.query("#{alternate_on} #{cursor_flag}"), "0 1\n");
}

TEST(EndToEndTest, ATerminalTooSmallIsReportedWhenTheShowEnds)
{
    if (std::system("command -v tmux >/dev/null") != 0) GTEST_SKIP() << "tmux is not installed";
    TmuxSession session;
    const fs::path dir = session.dir();
    session.start("cd '" + dir.string() + "'\n"
                  "ln -s '" VELQ_BINARY_DIR "/data2' data2\n"
                  "'" VELQ_BINARY_DIR "/velq13' --mute 2> stderr.txt\n"
                  "echo $? > status.txt\n"
                  "sleep 60\n",
                  60, 40);
    ASSERT_TRUE(waitFor([&] { return session.query("#{alternate_on}") == "1\n"; }, 10s));
    std::this_thread::sleep_for(300ms);
    session.keys("Escape");
    ASSERT_TRUE(waitFor([&] { return !readFile(dir / "status.txt").empty(); }, 5s));
    EXPECT_EQ(readFile(dir / "status.txt"), "0\n");
    EXPECT_EQ(readFile(dir / "stderr.txt"),
              "velq13: the terminal was 60x40 cells; the show needs 80x50, so part of the picture was cut off\n");
}

TEST(EndToEndTest, RefusesToDrawIntoAPipe)
{
    const std::string result = commandOutput("'" VELQ_BINARY_DIR "/velq13' 2>&1 </dev/null | cat; echo status=$?");
    EXPECT_NE(result.find("not a terminal"), std::string::npos) << result;
}

TEST(EndToEndTest, CommandLineErrorsAreOneLineAndNonZero)
{
    const std::string result = commandOutput("'" VELQ_BINARY_DIR "/velq13' --bogus 2>&1; echo status=$?");
    EXPECT_EQ(result, "velq13: unknown option --bogus (see --help)\nstatus=2\n");
}

} // namespace
