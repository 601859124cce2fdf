// The suite runner end to end on the smallest scene: the results carry the
// machine, the build, every run's statistics and the trace split, and the
// chart is drawn; a failing runner is reported, not hidden.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace {

const std::string kBuild = TARNVIEW_BINARY_DIR;

// Each test keeps its own log, so the tests may run side by side.
std::string LogPath() {
    return kBuild + "/tests/tarnbench_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
}

int Shell(const std::string& command) {
    const int status = std::system((command + " > " + LogPath() + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Log() {
    std::ifstream in(LogPath());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(Tarnbench, SmallSuiteWritesResultsCsvAndChart) {
    const std::string out = kBuild + "/tests/tarnbench_out";
    std::filesystem::remove_all(out);
    const std::string options =
        " --sizes 1000 --frames 6 --warmup 2 --settings 'all on,fog off' --no-demo --out " + out + " --scenes " + out +
        "/scenes";
    ASSERT_EQ(Shell(kBuild + "/tarnbench" + options), 0) << Log();
    const std::string log = Log();
    EXPECT_NE(log.find("[ 1/2] faces-1k"), std::string::npos) << log;  // the progress lines
    EXPECT_NE(log.find("ms median"), std::string::npos) << log;        // the table
    EXPECT_EQ(Shell("python3 " + std::string(TARNVIEW_SOURCE_DIR) + "/tests/bench/check_bench_results.py " + out +
                  " 2 1"),
              0)
        << Log();
}

TEST(Tarnbench, FailingRunsAreReportedWithANonZeroExit) {
    const std::string out = kBuild + "/tests/tarnbench_fail";
    std::filesystem::remove_all(out);
    EXPECT_EQ(Shell(kBuild + "/tarnbench --sizes 1000 --frames 3 --warmup 1 --settings 'all on' --runner /bin/false"
                  " --out " + out + " --scenes " + out + "/scenes"),
              1);
    EXPECT_NE(Log().find("FAILED: exit status 1"), std::string::npos) << Log();
    EXPECT_TRUE(std::filesystem::exists(out + "/results.json"));
    EXPECT_NE(Shell(kBuild + "/tarnbench --settings 'no such setting' --out " + out), 0);
    EXPECT_NE(Log().find("unknown setting(s) no such setting"), std::string::npos) << Log();
}
