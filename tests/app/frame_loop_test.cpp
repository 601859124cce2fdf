// The steps of one frame, their order and the frame-rate text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/frame_stats.h"
#include "app/render_flags.h"
#include "app/winmain.h"
#include "call_recorder.h"

using ::testing::ElementsAre;

namespace {

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetShellState();
        SetPlatformBackend(&host);
    }
    void TearDown() override { SetPlatformBackend(nullptr); }

    void Run() {
        std::string tail = "scene.scn";
        WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);
    }

    std::vector<std::string> FrameCalls() {
        return CallsMatching({"ReadCycleCounter", "grRenderBuffer", "grBufferClear", "DrawText", "UpdateNavigation",
                              "RenderActor", "grBufferSwap"});
    }

    TestPlatform host;
};

TEST_F(FrameLoopTest, OneFrameRunsItsStepsInOrder) {
    host.frameLimit = 1;
    Fake.actorCount = 2;
    Run();
    EXPECT_THAT(FrameCalls(),
                ElementsAre("ReadCycleCounter()", "grRenderBuffer(1)", "grBufferClear(0,0,0xFFFF)",
                            "DrawText(5,5,15,20,PERF: inf FPS)", "UpdateNavigation()", "RenderActor(0,camera,0)",
                            "RenderActor(1,camera,0)", "grBufferSwap(1)", "ReadCycleCounter()"));
    EXPECT_EQ(PerfStats.count, 1u);
}

TEST_F(FrameLoopTest, SceneWithoutActorsStillClearsDrawsTextNavigatesAndSwaps) {
    host.frameLimit = 1;
    Fake.actorCount = 0;
    Run();
    EXPECT_THAT(FrameCalls(), ElementsAre("ReadCycleCounter()", "grRenderBuffer(1)", "grBufferClear(0,0,0xFFFF)",
                                          "DrawText(5,5,15,20,PERF: inf FPS)", "UpdateNavigation()",
                                          "grBufferSwap(1)", "ReadCycleCounter()"));
}

TEST_F(FrameLoopTest, TextShowsThePreviousFramesRate) {
    host.frameLimit = 3;
    // Frame 1 lasts 10 ms, frame 2 lasts 20 ms (plus the 16-cycle overhead).
    Fake.cycles = {1000, 1000 + 16 + 10000000, 50000000, 50000000 + 16 + 20000000, 90000000, 90000016};
    Run();
    EXPECT_THAT(CallsMatching({"DrawText"}),
                ElementsAre("DrawText(5,5,15,20,PERF: inf FPS)", "DrawText(5,5,15,20,PERF: 100.00 FPS)",
                            "DrawText(5,5,15,20,PERF: 50.00 FPS)"));
}

TEST_F(FrameLoopTest, ClearDepthFollowsTheDepthModeSwitch) {
    host.frameLimit = 3;
    host.events = {{1, WM_KEYDOWN, VK_F6}, {2, WM_KEYDOWN, VK_F6}};
    Run();
    EXPECT_THAT(CallsMatching({"grBufferClear", "grDepthBufferMode(1)", "grDepthBufferFunction(4)",
                               "grDepthBufferMode(2)", "grDepthBufferFunction(1)"}),
                ElementsAre("grDepthBufferMode(2)", "grDepthBufferFunction(1)",  // start-up
                            "grBufferClear(0,0,0xFFFF)", "grDepthBufferMode(1)", "grDepthBufferFunction(4)",
                            "grBufferClear(0,0,0x0)", "grDepthBufferMode(2)", "grDepthBufferFunction(1)",
                            "grBufferClear(0,0,0xFFFF)"));
}

TEST_F(FrameLoopTest, MessageLoopPeeksThenTakesAndDispatchesEachMessage) {
    host.frameLimit = 0;
    Fake.logMessagePump = true;
    Run();
    // Escape: peeked without removal, taken, translated, dispatched; then the
    // posted WM_CLOSE; then WM_QUIT ends the loop.
    EXPECT_THAT(CallsMatching({"PeekMessageA", "GetMessageA", "TranslateMessage", "DispatchMessageA"}),
                ElementsAre("PeekMessageA(0)=1", "GetMessageA()=1", "TranslateMessage(0x100)",
                            "DispatchMessageA(0x100)", "PeekMessageA(0)=1", "GetMessageA()=1",
                            "TranslateMessage(0x10)", "DispatchMessageA(0x10)", "PeekMessageA(0)=1",
                            "GetMessageA()=0"));
}

TEST_F(FrameLoopTest, FramesAllocateNothing) {
    host.frameLimit = 40;
    host.countFrom = 1;
    host.countTo = 39;
    Fake.actorCount = 3;
    Fake.silent = true;
    host.events = {{10, WM_KEYDOWN, VK_F3}, {20, WM_KEYDOWN, VK_F6}, {30, WM_KEYDOWN, VK_END}};
    Run();
    EXPECT_EQ(PerfStats.count, 40u);
    EXPECT_EQ(host.allocations, 0);
}

}  // namespace
