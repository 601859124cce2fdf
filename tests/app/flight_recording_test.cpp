// Recording a flight and replaying it: the replay sees the same poses (scene
// dumps) and makes the same device calls (traces) as the recorded run, in
// the headless runner and in the window under Xvfb with synthesized input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "program_fixture.h"

using ::testing::HasSubstr;

namespace {

// Trace records as (operation, payload) strings, without the frame-rate
// overlay: the "PERF: ... FPS" text differs with every run's timing. Its
// glyphs are the run of triangles right after the first texture source of
// each frame (the font, set right after the clear).
std::vector<std::string> RecordsWithoutOverlay(const std::string& bytes) {
    constexpr std::uint8_t kBufferClear = 8, kTexSource = 29, kDrawTriangle = 30;
    constexpr std::size_t kHeaderBytes = 20;  // magic, version, first and last frame
    std::vector<std::string> records;
    bool afterClear = false, inOverlay = false;
    for (std::size_t at = kHeaderBytes; at + 5 <= bytes.size();) {
        const auto op = static_cast<std::uint8_t>(bytes[at]);
        std::uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 1, 4);
        if (at + 5 + size > bytes.size()) {
            ADD_FAILURE() << "truncated trace";
            break;
        }
        if (op == kBufferClear) {
            afterClear = true;
        } else if (op == kTexSource && afterClear) {
            afterClear = false;
            inOverlay = true;
        } else if (!(op == kDrawTriangle && inOverlay)) {
            inOverlay = false;
            if (op == kDrawTriangle) afterClear = false;
        }
        if (!(op == kDrawTriangle && inOverlay)) records.push_back(bytes.substr(at, 5 + size));
        at += 5 + size;
    }
    return records;
}

class FlightTest : public HeadlessProgramTest {
protected:
    void SetUp() override {
        HeadlessProgramTest::SetUp();
        for (const char* name : {"cube.scn", "cube.3dx"})
            std::filesystem::copy_file(std::filesystem::path(TARNVIEW_SOURCE_DIR) / "examples/loader" / name,
                                       dir_ / name);
    }

    // The replay of a recording, with dump lines added, recorded again.
    void ReplayAndCompare(const std::string& recording, const std::string& dumps, const std::string& traceFrames,
                          const std::string& recordedTrace) {
        Write("replay.txt", recording + dumps);
        ASSERT_EQ(Run("--no-calibrate --script replay.txt --record again.txt --trace replay.trace --trace-frames " +
                      traceFrames + " cube.scn"),
                  0)
            << Read("err.txt");
        // Without --frames the replay runs the recorded frames, then Escape.
        const std::string end = recording.substr(recording.rfind('\n', recording.size() - 2) + 1);
        EXPECT_THAT(Read("out.txt"), HasSubstr("Counted: " + end.substr(0, end.find(' ')) + " frames."));
        EXPECT_EQ(Read("again.txt"), recording);  // a recording of the replay is the recording
        const std::vector<std::string> original = RecordsWithoutOverlay(Read(recordedTrace));
        const std::vector<std::string> replayed = RecordsWithoutOverlay(Read("replay.trace"));
        EXPECT_GT(original.size(), 50u);
        EXPECT_TRUE(original == replayed) << "the replay's device calls differ";
    }
};

TEST_F(FlightTest, HeadlessScriptRecordedAndReplayedGivesTheSamePosesAndDeviceCalls) {
    Write("flight.txt",
          "0 hold P 1\n"
          "1 hold Q 4\n"
          "2 mouse 6 -3 left\n"
          "3 key F3\n"
          "4 activate 0\n"
          "6 activate 1\n"  // delivered at frame 4: no frames while inactive
          "5 joy 2000 60000 1\n"
          "6 hold 1 3\n"
          "7 mouse -5 2 right\n"
          "8 hold T 2\n"
          "7 dump a7.json\n"
          "11 dump a11.json\n"
          "12 end\n");
    ASSERT_EQ(Run("--no-calibrate --script flight.txt --record flight-rec.txt --trace flight.trace "
                  "--trace-frames 0:20 cube.scn"),
              0)
        << Read("err.txt");
    EXPECT_THAT(Read("out.txt"), HasSubstr("Counted: 12 frames."));
    const std::string recording = Read("flight-rec.txt");
    EXPECT_THAT(recording, ::testing::EndsWith("\n12 end\n"));
    ReplayAndCompare(recording, "7 dump b7.json\n11 dump b11.json\n", "0:20", "flight.trace");
    for (const char* frame : {"7", "11"}) {
        EXPECT_EQ(Read(std::string("b") + frame + ".json"), Read(std::string("a") + frame + ".json")) << frame;
        EXPECT_THAT(Read(std::string("a") + frame + ".json"), HasSubstr("\"SelectedActor\":1"));
    }
}

TEST_F(FlightTest, WindowFlightUnderXvfbPlaysBackInTheWindowAndHeadlessWithTheSameDeviceCalls) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs xvfb-run and xdotool (tools/setup-deps.sh installs them)";
    // Flies with synthesized keys and mouse, each time waiting until whole
    // frames have passed (the program answers kill -USR1 on stderr at the end
    // of a frame), and ends with Escape: the recording is written before the
    // report box opens, and SIGTERM ends the program while the box is open
    // (the report on stdout comes just before the box). Then plays the
    // recording in the window and ends that the same way. Each run
    // calibrates the window's clock for five seconds. Under the address
    // sanitizer, the display libraries SDL loads (D-Bus, X) keep allocations
    // to the end, which the leak check would report as ours: it is off for
    // the window program alone.
    Write("fly.sh",
          "set -e\n"
          "tarnview='" + std::string(TARNVIEW_BINARY_DIR) + "/tarnview'\n"
          "export ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0\"\n"
          "mkfifo progress report\n"
          "frames() {  # two answers: a whole frame has passed since the call\n"
          "  for ask in 1 2; do\n"
          "    kill -USR1 $program\n"
          "    while read -r line <&3; do\n"
          "      case \"$line\" in *' frames rendered') break ;; *) echo \"$line\" >>window-err.txt ;; esac\n"
          "    done\n"
          "  done\n"
          "}\n"
          "report() {  # up to the report's last line, printed as the box opens\n"
          "  while read -r line <&4; do\n"
          "    echo \"$line\" >>\"$1\"\n"
          "    case \"$line\" in 'Counted: '*) break ;; esac\n"
          "  done\n"
          "}\n"
          "\"$tarnview\" --record window-rec.txt --trace window.trace --trace-frames 0:1000000 cube.scn "
          ">report 2>progress &\n"
          "program=$!\n"
          "exec 4<report 3<progress\n"
          "window=$(timeout 30 xdotool search --sync --name '^Tarnview$' | head -n 1)\n"
          "xdotool windowfocus --sync \"$window\"; frames\n"
          "xdotool key F3\n"
          "xdotool keydown q; frames; xdotool keyup q\n"
          "xdotool mousemove --window \"$window\" 300 200; frames\n"
          "xdotool mousemove_relative -- 40 -25; frames\n"
          "xdotool keydown 1; frames; xdotool keyup 1\n"
          "xdotool key Escape\n"
          "report window-out.txt\n"
          "cp window-rec.txt rec-at-box.txt\n"
          "kill -TERM $program\n"
          "status=0; wait $program || status=$?\n"
          "echo \"recorded: $status\"\n"
          "cat <&3 >>window-err.txt\n"
          "exec 3<&- 4<&-\n"
          "\"$tarnview\" --script window-rec.txt --trace play.trace --trace-frames 0:1000000 cube.scn "
          ">report 2>play-err.txt &\n"
          "program=$!\n"
          "exec 4<report\n"
          "report play-out.txt\n"
          "kill -TERM $program\n"
          "status=0; wait $program || status=$?\n"
          "echo \"played: $status\"\n");
    ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && timeout 120 xvfb-run -a sh fly.sh >fly.txt 2>&1").c_str()),
              0)
        << Read("fly.txt") << Read("window-err.txt") << Read("play-err.txt");
    EXPECT_THAT(Read("fly.txt"), HasSubstr("recorded: 143\n"));
    EXPECT_THAT(Read("window-out.txt"), HasSubstr("Performance Results"));
    const std::string recording = Read("window-rec.txt");
    EXPECT_EQ(Read("rec-at-box.txt"), recording);
    EXPECT_THAT(recording, HasSubstr(" key F3\n"));
    EXPECT_THAT(recording, HasSubstr(" hold Q "));
    EXPECT_THAT(recording, HasSubstr(" hold 1 "));
    EXPECT_THAT(recording, ::testing::ContainsRegex(" mouse -?[0-9]+ -?[0-9]+\n"));
    EXPECT_THAT(recording, ::testing::ContainsRegex("\n[0-9]+ end\n$"));

    // Played in the window: the same frames and device calls, the report.
    EXPECT_THAT(Read("fly.txt"), HasSubstr("played: 143\n"));
    const std::string end = recording.substr(recording.rfind('\n', recording.size() - 2) + 1);
    EXPECT_THAT(Read("play-out.txt"), HasSubstr("Counted: " + end.substr(0, end.find(' ')) + " frames."));
    EXPECT_TRUE(RecordsWithoutOverlay(Read("window.trace")) == RecordsWithoutOverlay(Read("play.trace")))
        << "the window's playback made other device calls";
    ReplayAndCompare(recording, "", "0:1000000", "window.trace");
}

}  // namespace
