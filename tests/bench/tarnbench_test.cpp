// The suite runner end to end on the smallest scene: the results carry the
// machine, the build, every run's statistics over its repeats, the score
// and the front end / device split, and the chart is drawn; a failing
// runner is reported, not hidden. A recorded flight runs under the suite's
// settings; two builds run in turns; compare's status and outputs; a signal
// ends a run cleanly; without --out every run gets its own folder; command
// lines answer with the documented status. (The statistics, the writer and
// the malformed documents are tested in tarnbench_*_test.py.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

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
        " --sizes 1000 --frames 6 --warmup 2 --settings 'all on,fog off' --repeat 2 --no-demo --out " + out +
        " --scenes " + out + "/scenes";
    ASSERT_EQ(Shell(kBuild + "/tarnbench" + options), 0) << Log();
    const std::string log = Log();
    EXPECT_TRUE(Has(log, "[ 2/4] faces-1k    fog off                  run 1/2 ")) << log;  // in turns
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

TEST(Tarnbench, CompareFindsAThreefoldSlowdownAndWritesThroughLinksAndDescriptors) {
    const std::string dir = kBuild + "/tests/tarnbench_compare";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const auto& [name, ms] : {std::pair{"old", std::string("1.0, 1.01, 0.99")}, {"new", "3.0, 3.02, 2.97"}}) {
        std::ofstream(dir + "/" + name + ".json")
            << R"({"tool": "tarnbench", "session": "s", "scenes": [{"name": "faces-1k", "faces": 1000}],
                  "runs": [{"scene": "faces-1k", "setting": "all on", "run_medians_ms": [)"
            << ms << "]}]}\n";
    }
    std::filesystem::create_symlink("real.json", dir + "/link.json");
    const std::string compare = kBuild + "/tarnbench compare " + dir + "/old.json " + dir + "/new.json";
    EXPECT_EQ(Shell(compare + " --json " + dir + "/link.json --csv /dev/stdout"), 3) << Log();
    EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.json"));
    EXPECT_TRUE(Has(ReadText(dir + "/real.json"), "\"regressions\": 1,")) << ReadText(dir + "/real.json");
    // The CSV follows the table on standard output, which the log file takes.
    const std::string log = Log();
    EXPECT_TRUE(log.find("faces-1k,all on,") > log.find("3+3  slower")) << log;

    EXPECT_EQ(Shell(compare + " --json /dev/full"), 1);
    EXPECT_TRUE(Has(Log(), "/dev/full: cannot write (")) << Log();
    EXPECT_EQ(Shell(kBuild + "/tarnbench compare " + dir + "/old.json"), 2);
}

TEST(Tarnbench, BaselineRunsBothBuildsInTurnsAndPairsTheirRuns) {
    const std::string out = kBuild + "/tests/tarnbench_baseline";
    std::filesystem::remove_all(out);
    // This build against itself: the verdict is the machine's, so only the
    // order, the files and the pairing are checked.
    const int status = Shell(kBuild + "/tarnbench --baseline " + kBuild + " --repeat 2 --sizes 1000 --frames 4 "
                             "--warmup 1 --settings 'all on' --no-demo --out " + out + " --scenes " + out + "/scenes");
    EXPECT_TRUE(status == 0 || status == 3 || status == 4) << Log();
    const std::string log = Log();
    for (const char* line : {"[ 1/4] before faces-1k", "[ 2/4] after  faces-1k", "[ 3/4] after  faces-1k",
                             "[ 4/4] before faces-1k", "intervals, runs paired"}) {
        EXPECT_TRUE(Has(log, line)) << line << "\n" << log;
    }
    const std::string before = ReadText(out + "/before/results.json");
    const std::size_t session = before.find("\"session\": ");
    ASSERT_NE(session, std::string::npos) << before;
    const std::string same_session = before.substr(session, before.find(',', session) - session);
    EXPECT_TRUE(Has(ReadText(out + "/after/results.json"), same_session)) << same_session;
    EXPECT_TRUE(Has(ReadText(out + "/compare.json"), "\"paired\": true"));
}

TEST(Tarnbench, ASignalEndsTheRunAndItsRunnerAndLeavesNoTemporaryFile) {
    const std::string out = kBuild + "/tests/tarnbench_signal";
    for (const auto& [signal, status] : {std::pair{"TERM", 143}, {"INT", 130}}) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        // The runner signals tarnbench and waits to be ended: opening a FIFO
        // that nothing writes blocks until the signal comes.
        ASSERT_EQ(mkfifo((out + "/never-written").c_str(), 0600), 0);
        std::ofstream(out + "/runner") << "#!/bin/sh\necho $$ > " << out << "/runner.pid\nkill -" << signal
                                       << " $PPID\nexec cat " << out << "/never-written\n";
        std::filesystem::permissions(out + "/runner", std::filesystem::perms::owner_all);
        EXPECT_EQ(Shell(kBuild + "/tarnbench --runner " + out + "/runner --sizes 1000 --frames 3 --warmup 1 "
                        "--settings 'all on' --no-demo --out " + out + " --scenes " + out + "/scenes"),
                  status)
            << Log();
        EXPECT_TRUE(Has(Log(), std::string("tarnbench: stopped by SIG") + signal)) << Log();
        const std::string pid = ReadText(out + "/runner.pid");
        EXPECT_FALSE(pid.empty() || std::filesystem::exists("/proc/" + pid.substr(0, pid.size() - 1))) << pid;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(out)) {
            EXPECT_NE(entry.path().filename().string().rfind(".tarnbench-", 0), 0u) << entry.path();
        }
    }
}

TEST(Tarnbench, WithoutOutEachRunGetsItsOwnFolderAndLatestNamesTheLast) {
    // A build folder of its own, so that the real build's results stay.
    const std::string fake = kBuild + "/tests/tarnbench_own_folder";
    std::filesystem::remove_all(fake);
    std::filesystem::create_directories(fake);
    for (const char* name : {"tarnbench_build.json", "tarnbench-runner", "benchgen"}) {
        std::filesystem::create_symlink(kBuild + "/" + name, fake + "/" + name);
    }
    const std::string run = "python3 " + kSource + "/tools/tarnbench/tarnbench.py --build " + fake +
                            " --sizes 1000 --frames 3 --warmup 1 --settings 'all on' --no-demo --no-split --no-trace";
    ASSERT_EQ(Shell(run), 0) << Log();
    ASSERT_EQ(Shell(run), 0) << Log();
    std::vector<std::string> runs;
    for (const auto& entry : std::filesystem::directory_iterator(fake + "/bench-results")) {
        if (!entry.is_symlink()) {
            runs.push_back(entry.path().filename().string());
        }
    }
    std::sort(runs.begin(), runs.end());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(std::filesystem::read_symlink(fake + "/bench-results/latest").string(), runs[1]);
    EXPECT_TRUE(std::filesystem::exists(fake + "/bench-results/" + runs[0] + "/results.json"));
    EXPECT_TRUE(Has(Log(), "results in " + fake + "/bench-results/" + runs[1])) << Log();
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
        {"--repeat 0", 2, "--repeat wants a whole number from 1 to 100"},
        {"--suite /dev/zero", 1, "/dev/zero: cannot read a suite description (larger than 64 MB)"},
        {"compare /dev/zero /dev/null", 1, "/dev/zero: cannot read tarnbench results (larger than 64 MB)"},
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
