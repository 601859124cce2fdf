#include "support/signal_cleanup.h"

#include <gtest/gtest.h>

#include <csignal>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "support/output_file.h"
#include "support/scratch_dir.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SignalCleanupTest : public testing::TestWithParam<int> {};

// A child with a temporary file under way and a work folder with files in
// it is signalled once both exist: both are gone, the old file is intact,
// and the status is 128 + the signal.
TEST_P(SignalCleanupTest, RemovesTemporariesAndExitsWithTheSignalsStatus) {
    test_support::ScratchDir dir("support");
    const std::string old = dir.Write("out.json", "old");
    const std::string work = dir.File(".out.work");
    int ready[2];
    int never[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(never), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tarn::OutputFile out(old);
        tarn::RemovedOnSignal folder(work.c_str());
        std::filesystem::create_directories(work + "/textures");
        std::ofstream(work + "/scene.scn") << "half";
        std::ofstream(work + "/textures/wood.3df") << "half";
        if (!out.Open() || !out.Write("half")) _exit(1);
        std::fflush(out.Stream());
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1) _exit(1);
        // Waits for the signal: nothing is ever written to this pipe.
        close(never[1]);
        char none;
        while (read(never[0], &none, 1) != 0) {
        }
        _exit(0);
    }
    close(ready[1]);
    close(never[0]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child did not get ready";
    ASSERT_EQ(kill(child, GetParam()), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(ready[0]);
    close(never[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_EQ(ReadAll(old), "old");
    EXPECT_FALSE(std::filesystem::exists(work));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Dir()), {}), 1);  // out.json alone
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalCleanupTest, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Interrupt"
                                                : info.param == SIGTERM ? "Terminate"
                                                                        : "HangUp");
                         });

}  // namespace
