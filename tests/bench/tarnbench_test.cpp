// The suite runner end to end on the smallest scene: the results carry the
// machine, the build, every run's statistics, the score and the front end /
// device split, and the chart is drawn; a failing runner is reported, not
// hidden. A recorded flight runs under the suite's settings; compare tells
// a slowdown from noise; command lines answer with the documented status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/wait.h>

namespace {

const std::string kBuild = TARNVIEW_BINARY_DIR;
const std::string kSource = TARNVIEW_SOURCE_DIR;

// Each test keeps its own log, so the tests may run side by side.
std::string LogPath() {
    return kBuild + "/tests/tarnbench_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
}

int Shell(const std::string& command) {
    const int status = std::system((command + " > " + LogPath() + " 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Log() { return ReadText(LogPath()); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
    EXPECT_TRUE(Has(log, "[split] faces-1k    frame ")) << log;
    // The score is the last line.
    const std::size_t score = log.rfind("tarnbench: score ");
    EXPECT_TRUE(score != std::string::npos && log.find('\n', score) == log.size() - 1) << log;
    EXPECT_EQ(Shell("python3 " + std::string(TARNVIEW_SOURCE_DIR) + "/tests/bench/check_bench_results.py " + out +
                  " 2 1"),
              0)
        << Log();
}

TEST(Tarnbench, RecordedFlightRunsEveryRecordedFrameUnderEachSetting) {
    const std::string out = kBuild + "/tests/tarnbench_flight";
    std::filesystem::remove_all(out);
    std::filesystem::create_directories(out);
    {
        std::ofstream flight(out + "/flight.txt");
        flight << "0 hold Q 8\n3 mouse 40 0\n5 key F9\n12 end\n";
    }
    // -C first: the flight and the scene are then named from the demo folder.
    ASSERT_EQ(Shell(kBuild + "/tarnbench -C " + kSource + "/examples/demo --script " + out + "/flight.txt --scene ."
                    " --warmup 2 --settings 'all on,fog off' --threads 1 --no-trace --out " + out + "/results"),
              0)
        << Log();
    const std::string results = ReadText(out + "/results/results.json");
    EXPECT_TRUE(Has(results, "\"frames_measured\": 10")) << results;  // 12 recorded - 2 warm-up
    EXPECT_TRUE(Has(results, "\"scene\": \"flight\"")) << results;
    EXPECT_TRUE(Has(results, "\"threads\": 1")) << results;
    EXPECT_TRUE(Has(Log(), "[ 2/2] flight")) << Log();
    const std::string script = ReadText(out + "/results/scripts/flight-fog-off.txt");
    EXPECT_EQ(script.rfind("0 key END\n", 0), 0u) << script;  // the setting's keys come first
}

TEST(Tarnbench, CompareFindsTheSlowdownStaysQuietOnNoiseAndRefusesOtherScenes) {
    const std::string dir = kBuild + "/tests/tarnbench_compare";
    std::filesystem::remove_all(dir);
    // Checks the score, the noise test and the checked writes on their own,
    // and writes synthetic results with known differences.
    ASSERT_EQ(Shell("python3 " + kSource + "/tests/bench/tarnbench_stats_check.py " + kSource + " " + dir), 0) << Log();
    const std::string compare = kBuild + "/tarnbench compare " + dir + "/base.json ";
    EXPECT_EQ(Shell(compare + dir + "/noise.json"), 0) << Log();
    EXPECT_TRUE(Has(Log(), "0 slower, 0 faster beyond noise")) << Log();
    EXPECT_EQ(Shell(compare + dir + "/slower.json --csv " + dir + "/c.csv --json " + dir + "/c.json --chart " + dir +
                    "/c.svg"),
              3)
        << Log();
    EXPECT_TRUE(Has(ReadText(dir + "/c.csv"), "faces-10k,fog off,")) << ReadText(dir + "/c.csv");
    EXPECT_TRUE(Has(ReadText(dir + "/c.json"), "\"regressions\": 1,")) << ReadText(dir + "/c.json");
    const std::string chart = ReadText(dir + "/c.svg");
    EXPECT_TRUE(Has(chart, "faces-10k / fog off: 1.2") && Has(chart, "stroke=\"#d62728\" stroke-width=\"2\""));

    EXPECT_EQ(Shell(compare + dir + "/other-scenes.json"), 1);
    EXPECT_TRUE(Has(Log(), "different scene sets")) << Log();
    EXPECT_EQ(Shell(compare + dir + "/slower.json --json /dev/full"), 1);
    EXPECT_TRUE(Has(Log(), "/dev/full: cannot write (")) << Log();
    EXPECT_EQ(Shell(compare + dir + "/no-such.json"), 1);
    EXPECT_EQ(Shell(compare), 2);
}

TEST(Tarnbench, UsageErrorsExitTwoAndRuntimeErrorsOne) {
    const std::string tarnbench = kBuild + "/tarnbench ";
    struct Case {
        std::string args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"--sizes abc", 2, "--sizes wants whole numbers from 100 to 4000000"},
        {"--settings 'no such'", 2, "unknown setting(s) no such"},
        {"--frames 1.5", 2, "--frames wants a whole number from 1 to 100000"},
        {"--threads 0", 2, "--threads wants a whole number from 1 to 256"},
        {"--script x.txt", 2, "--script and --scene go together"},
        {"-C /nonexistent-folder", 2, "-C /nonexistent-folder"},
        {"--bogus", 2, "unrecognized arguments: --bogus"},
        {"--out /dev/null/results", 1, "/dev/null/results: cannot write ("},
        {"--script /nonexistent.txt --scene " + kSource + "/examples/demo --out " + kBuild + "/tests/tb_err", 1,
         "/nonexistent.txt: cannot read the flight"},
        {"--version", 0, "tarnbench 0.3.0 (git "},
        {"--help", 0, "[--build DIR]"},
        {"compare --help", 0, "--min-effect PERCENT"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Shell(tarnbench + c.args), c.status) << c.args << "\n" << Log();
        EXPECT_TRUE(Has(Log(), c.message)) << c.args << "\n" << Log();
    }
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
