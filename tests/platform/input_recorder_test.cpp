// Recording a flight: what the stand-ins hand to the system becomes script
// lines with the runner's frame numbers, and the script reads back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/dinput.h"
#include "platform/headless/script.h"
#include "platform/input_recorder.h"
#include "platform/mmsystem.h"
#include "platform/win32_api.h"
#include "support/scratch_dir.h"

namespace {

std::uint32_t frame = 0;
std::uint32_t Frame() { return frame; }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(InputRecorderTest, WritesWhatThePollsAndTheDispatchSawAsAScriptThatReadsBack) {
    test_support::ScratchDir dir("platform");
    const std::string path = dir.File("flight.txt");
    InputRecorder recorder;
    std::string error;
    frame = 0;
    ASSERT_TRUE(recorder.Start(path, Frame, &error)) << error;
    std::uint8_t keys[256] = {};
    DIMOUSESTATE mouse = {};
    JOYINFOEX joy = {};
    joy.dwXpos = 32767;
    joy.dwYpos = 32767;

    recorder.Message(WM_ACTIVATE, WA_CLICKACTIVE);  // any nonzero value activates
    for (frame = 0; frame < 6; ++frame) {
        keys[DIK_W] = (frame >= 1 && frame <= 3) || frame == 5 ? 0x80 : 0;  // two runs
        keys[DIK_P] = frame == 0 ? 0x80 : 0;
        recorder.KeyboardPoll(keys);
        mouse = {};
        if (frame == 2) {
            mouse.lX = -4;
            mouse.lY = 7;
            mouse.rgbButtons[0] = mouse.rgbButtons[2] = 0x80;
        }
        recorder.MousePoll(mouse);
        joy.dwButtons = frame >= 4 ? 1 : 0;
        recorder.JoystickPoll(joy);  // written at the first poll and when it changes
        if (frame == 3) recorder.Message(WM_KEYDOWN, VK_F3);
        if (frame == 4) recorder.Message(WM_CLOSE, 0);  // not input: not recorded
    }
    recorder.Message(WM_KEYDOWN, VK_ESCAPE);  // ends the flight: the W run still open closes
    // Written at Escape, before the report box opens.
    const std::string text = ReadFile(path);
    recorder.Message(WM_KEYDOWN, VK_F3);      // after the end: nothing more
    ASSERT_TRUE(recorder.Finish(&error)) << error;
    EXPECT_EQ(ReadFile(path), text);

    // In frame order: a hold at its first frame.
    EXPECT_THAT(text, ::testing::EndsWith("\n0 activate 1\n"
                                          "0 joy 32767 32767 0\n"
                                          "0 hold P 1\n"
                                          "1 hold W 3\n"
                                          "2 mouse -4 7 left middle\n"
                                          "3 key F3\n"
                                          "4 joy 32767 32767 1\n"
                                          "5 hold W 1\n"
                                          "6 end\n"));
    Script script;
    ASSERT_TRUE(ParseScript(text, "flight.txt", &script, &error)) << error;
    EXPECT_EQ(script.events.size(), 8u);
    EXPECT_TRUE(script.hasJoystick);
    EXPECT_TRUE(script.hasEnd);
    EXPECT_EQ(script.endFrame, 6u);
}

// A key held while more lines come than the buffer holds is written in
// pieces, each starting where the last ended; everything stays in frame
// order and the key is down for exactly the frames it was.
TEST(InputRecorderTest, ALongHoldIsWrittenInPiecesInFrameOrder) {
    test_support::ScratchDir dir("platform");
    const std::string path = dir.File("long.txt");
    InputRecorder recorder;
    std::string error;
    frame = 0;
    ASSERT_TRUE(recorder.Start(path, Frame, &error)) << error;
    std::uint8_t keys[256] = {};
    const std::uint32_t frames = 12000;  // about 25 bytes of mouse line a frame: several buffers
    for (frame = 0; frame < frames; ++frame) {
        keys[DIK_W] = frame >= 3 ? 0x80 : 0;
        keys[DIK_S] = frame % 700 < 350 ? 0x80 : 0;
        recorder.KeyboardPoll(keys);
        DIMOUSESTATE mouse = {};
        mouse.lX = 100 + static_cast<LONG>(frame);
        recorder.MousePoll(mouse);
    }
    recorder.Message(WM_KEYDOWN, VK_ESCAPE);
    ASSERT_TRUE(recorder.Finish(&error)) << error;

    Script script;
    ASSERT_TRUE(ParseScript(ReadFile(path), "long.txt", &script, &error)) << error;
    std::istringstream lines(ReadFile(path));
    std::string line;
    std::uint32_t previous = 0, nextW = 3, mouseLines = 0, pieces = 0;
    std::uint32_t heldS = 0;
    while (std::getline(lines, line)) {
        if (line[0] == '#') continue;
        std::istringstream words(line);
        std::uint32_t at = 0, count = 0;
        std::string command, name;
        words >> at >> command;
        EXPECT_GE(at, previous) << line;
        previous = at;
        if (command == "mouse") ++mouseLines;
        if (command != "hold") continue;
        words >> name >> count;
        if (name == "S") heldS += count;
        if (name != "W") continue;
        EXPECT_EQ(at, nextW) << line;  // each piece starts where the last ended
        nextW = at + count;
        ++pieces;
    }
    EXPECT_EQ(nextW, frames);
    EXPECT_GT(pieces, 1u);
    EXPECT_EQ(mouseLines, frames);
    EXPECT_EQ(heldS, frames / 700 * 350 + std::min<std::uint32_t>(frames % 700, 350));
}

TEST(InputRecorderTest, AFailedWriteIsReportedAndNothingIsRecordedWithoutStart) {
    InputRecorder idle;
    std::string error;
    EXPECT_FALSE(idle.Active());
    EXPECT_TRUE(idle.Finish(&error));

    InputRecorder full;
    ASSERT_TRUE(full.Start("/dev/full", Frame, &error)) << error;
    full.Message(WM_KEYDOWN, VK_F3);
    EXPECT_FALSE(full.Finish(&error));
    EXPECT_EQ(error, "/dev/full: cannot write (No space left on device)");
    EXPECT_FALSE(InputRecorder().Start("/nonexistent-folder/f.txt", Frame, &error));
    EXPECT_THAT(error, ::testing::HasSubstr("/nonexistent-folder/f.txt: cannot write ("));
}

}  // namespace
