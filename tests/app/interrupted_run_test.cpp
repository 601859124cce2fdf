// Programs ended by a signal in the middle of their work: the status is 128
// + the signal, no temporary file or work folder is left behind, and the
// files they were about to replace are intact. Each waits for the program's
// own files to appear (inotify), never for a time.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "program_fixture.h"

namespace {

class InterruptedRunTest : public HeadlessProgramTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        HeadlessProgramTest::SetUp();
        watch_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        ASSERT_GE(watch_, 0);
        ASSERT_GE(inotify_add_watch(watch_, dir_.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    }
    void TearDown() override {
        close(watch_);
        HeadlessProgramTest::TearDown();
    }

    // Starts a program of the build in the test folder, its stdout to
    // /dev/null and its stderr to stderrFd.
    pid_t Start(const std::string& program, std::vector<std::string> args, int stderrFd) {
        args.insert(args.begin(), std::string(TARNVIEW_BINARY_DIR) + "/" + program);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            const int null = open("/dev/null", O_WRONLY);
            if (chdir(dir_.c_str()) != 0 || dup2(null, 1) < 0 || dup2(stderrFd, 2) < 0) _exit(126);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return child;
    }

    // Names in the test folder that contain part.
    int Entries(const std::string& part) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            count += entry.path().filename().string().find(part) != std::string::npos;
        return count;
    }

    // Waits (on the folder's inotify events, a minute at most) until an
    // entry containing each part exists.
    bool WaitForEntries(const std::vector<std::string>& parts) {
        for (;;) {
            bool all = true;
            for (const std::string& part : parts) all = all && Entries(part) > 0;
            if (all) return true;
            pollfd ready{watch_, POLLIN, 0};
            if (poll(&ready, 1, 60000) <= 0) return false;
            char events[4096];
            while (read(watch_, events, sizeof events) > 0) {
            }
        }
    }

    // Signals the program and waits for it; its exit status, or -1 when it
    // did not exit.
    int Interrupt(pid_t child) {
        kill(child, GetParam());
        int status = 0;
        if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    int watch_ = -1;
};

// The headless runner with a flight recording and a device trace under way
// (both are created before the first frame; the run would never end).
TEST_P(InterruptedRunTest, HeadlessRunLeavesTheOldRecordingAndTrace) {
    Write("flight.txt", "old flight");
    Write("frames.trace", "old trace");
    const int errors = open((dir_ / "err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t child = Start("tarnview-headless",
                              {"--no-calibrate", "--frames", "2147483647", "--record", "flight.txt", "--trace",
                               "frames.trace", "--trace-frames", "0:2147483647", "empty.scn"},
                              errors);
    close(errors);
    ASSERT_TRUE(WaitForEntries({"flight.txt.tmp-", "frames.trace.tmp-"})) << Read("err.txt");
    EXPECT_EQ(Interrupt(child), 128 + GetParam()) << Read("err.txt");
    EXPECT_EQ(Entries(".tmp-"), 0);
    EXPECT_EQ(Read("flight.txt"), "old flight");
    EXPECT_EQ(Read("frames.trace"), "old trace");
}

// tarnconv scene builds its folder under a work name beside it; its first
// progress line goes to a stderr pipe that is already full, so it stops
// there with the work folder made.
TEST_P(InterruptedRunTest, TarnconvSceneLeavesNoWorkFolder) {
    if (!std::filesystem::exists(std::string(TARNVIEW_BINARY_DIR) + "/tarnconv")) GTEST_SKIP() << "no tarnconv built";
    Write("tri.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    std::filesystem::create_directories(dir_ / "models");
    Write("models/old.txt", "old scene");
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK), 0);
    const std::string filler(4096, 'x');
    while (write(pipeFds[1], filler.data(), filler.size()) > 0) {
    }
    while (write(pipeFds[1], "x", 1) > 0) {
    }
    ASSERT_EQ(fcntl(pipeFds[1], F_SETFL, 0), 0);  // the program's writes block
    const pid_t child = Start("tarnconv", {"scene", "models", "tri.obj"}, pipeFds[1]);
    close(pipeFds[1]);
    ASSERT_TRUE(WaitForEntries({".models.tarnconv-"}));
    EXPECT_EQ(Interrupt(child), 128 + GetParam());
    close(pipeFds[0]);
    EXPECT_EQ(Entries(".models.tarnconv-"), 0);
    EXPECT_EQ(Read("models/old.txt"), "old scene");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "models" / "objects.scn"));
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptedRunTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT    ? "Interrupt"
                                                : info.param == SIGTERM ? "Terminate"
                                                                        : "HangUp");
                         });

}  // namespace
