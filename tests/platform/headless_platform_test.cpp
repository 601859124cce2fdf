// The headless host: when script events reach the window and the input table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dinput.h"
#include "platform/headless/headless_input.h"
#include "platform/headless/headless_platform.h"
#include "platform/win32_api.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_window_table.h"

using ::testing::ElementsAre;

namespace {

std::uint32_t frames = 0;
std::vector<std::string> writes;
bool writesSucceed = true;

std::uint32_t Frames() { return frames; }
bool Screenshot(const char* path, std::string* error) {
    writes.push_back(std::string("shot:") + path);
    if (!writesSucceed) *error = std::string(path) + ": cannot write (No space left on device)";
    return writesSucceed;
}
bool Dump(const char* path, std::string*) {
    writes.push_back(std::string("dump:") + path);
    return writesSucceed;
}

LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class HeadlessPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWindowTable();
        ResetMessageQueue();
        HeadlessInput = HeadlessInputState{};
        frames = 0;
        writes.clear();
        writesSucceed = true;
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.lpszClassName = "Tarnview";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "Tarnview", "Tarnview", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        hooks.framesRendered = Frames;
        hooks.writeScreenshot = Screenshot;
        hooks.dumpScene = Dump;
    }

    Script Load(const char* text) {
        Script script;
        std::string error;
        EXPECT_TRUE(ParseScript(text, "t", &script, &error)) << error;
        return script;
    }

    // Messages waiting in the queue as "message:wParam", emptied.
    std::vector<std::string> Drain() {
        std::vector<std::string> out;
        while (PendingMessageCount() > 0) {
            MSG msg;
            GetMessageA(&msg, nullptr, 0, 0);
            out.push_back(std::to_string(msg.message) + ":" + std::to_string(msg.wParam));
        }
        return out;
    }

    HWND window = nullptr;
    HeadlessHooks hooks;
};

TEST_F(HeadlessPlatformTest, KeysArriveBeforeTheirFrameAndEscapeAfterTheLast) {
    const Script script = Load("0 key F3\n2 key SPACE\n2 activate 0\n");
    HeadlessPlatform host(script, 3, "final.png", "loaded.json", hooks);
    host.PumpEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:114"));
    EXPECT_THAT(writes, ElementsAre("dump:loaded.json"));
    host.PumpEvents(window);  // same frame: nothing new
    frames = 1;
    host.PumpEvents(window);
    EXPECT_TRUE(Drain().empty());
    frames = 2;
    host.PumpEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:32", "6:0"));
    frames = 3;
    host.PumpEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:27"));
    EXPECT_THAT(writes, ElementsAre("dump:loaded.json", "shot:final.png"));
    EXPECT_TRUE(host.Finished());
    frames = 4;
    host.PumpEvents(window);
    EXPECT_TRUE(Drain().empty());
}

TEST_F(HeadlessPlatformTest, ZeroFramesPressesEscapeAtOnce) {
    const Script script;
    HeadlessPlatform host(script, 0, "", "", hooks);
    host.PumpEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:27"));
    EXPECT_TRUE(writes.empty());
}

TEST_F(HeadlessPlatformTest, HeldKeysStayDownForTheirFrames) {
    const Script script = Load("1 hold W 2\n");
    HeadlessPlatform host(script, 100, "", "", hooks);
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.keys[DIK_W], 0);
    frames = 1;
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.keys[DIK_W], 0x80);
    frames = 2;
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.keys[DIK_W], 0x80);
    frames = 3;
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.keys[DIK_W], 0);
}

TEST_F(HeadlessPlatformTest, MouseMotionWaitsForThePollAndButtonsLastOneFrame) {
    const Script script = Load("0 mouse 3 -2 right\n0 mouse 1 1\n1 mouse 0 0 left right middle\n");
    HeadlessPlatform host(script, 100, "", "", hooks);
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.mouseDx, 4);
    EXPECT_EQ(HeadlessInput.mouseDy, -1);
    // The later line of the same frame decides the buttons.
    EXPECT_EQ(HeadlessInput.mouseButtons[1], 0);
    frames = 1;
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.mouseButtons[0], 0x80);
    EXPECT_EQ(HeadlessInput.mouseButtons[1], 0x80);
    EXPECT_EQ(HeadlessInput.mouseButtons[2], 0x80);
    frames = 2;
    host.PumpEvents(window);
    EXPECT_EQ(HeadlessInput.mouseButtons[0], 0);
    EXPECT_EQ(HeadlessInput.mouseButtons[2], 0);
}

TEST_F(HeadlessPlatformTest, JoystickLinesSetPositionAndButtons) {
    const Script script = Load("2 joy 100 200 5\n");
    HeadlessPlatform host(script, 100, "", "", hooks);
    frames = 2;
    host.PumpEvents(window);
    EXPECT_TRUE(HeadlessInput.joystickPresent);
    EXPECT_EQ(HeadlessInput.joyX, 100u);
    EXPECT_EQ(HeadlessInput.joyY, 200u);
    EXPECT_EQ(HeadlessInput.joyButtons, 5u);
}

TEST_F(HeadlessPlatformTest, WaitingWhileInactiveDeliversTheNextGroupThenEnds) {
    const Script script = Load("1 activate 0\n9 activate 1\n9 key F1\n20 key F2\n");
    HeadlessPlatform host(script, 100, "", "", hooks);
    frames = 1;
    host.PumpEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("6:0"));
    host.WaitForEvents(window);  // frames stand still while inactive
    EXPECT_THAT(Drain(), ElementsAre("6:1", "256:112"));
    host.WaitForEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:113"));
    host.WaitForEvents(window);
    EXPECT_THAT(Drain(), ElementsAre("256:27"));
    host.WaitForEvents(window);  // Escape did not end it: close
    EXPECT_THAT(Drain(), ElementsAre("16:0"));
}

TEST_F(HeadlessPlatformTest, FailedWritesAreReported) {
    writesSucceed = false;
    const Script script = Load("0 screenshot a.png\n");
    HeadlessPlatform host(script, 1, "", "", hooks);
    ::testing::internal::CaptureStderr();
    host.PumpEvents(window);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tarnview-headless: a.png: cannot write (No space left on device)\n");
    EXPECT_TRUE(host.WriteFailed());
}

}  // namespace
