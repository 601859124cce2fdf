// Start-up order, the message loop and the ways a run ends.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_globals.h"
#include "app/fatal_error.h"
#include "app/frame_stats.h"
#include "app/window_proc.h"
#include "app/winmain.h"
#include "call_recorder.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetShellState();
        SetPlatformBackend(&host);
    }
    void TearDown() override { SetPlatformBackend(nullptr); }

    int Run(const char* commandLine) {
        std::string tail = commandLine;
        return WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);
    }

    TestPlatform host;
};

TEST_F(StartupTest, StartsUpInOrderWithTheGivenArguments) {
    host.frameLimit = 0;
    ASSERT_EQ(Run("scene.scn"), 0);
    const std::vector<std::string> startup(CallLog.begin(),
                                           CallLog.begin() + std::min<std::size_t>(CallLog.size(), 23));
    EXPECT_THAT(startup,
                ElementsAre("BuildInvSqrtTable()", "LoadIconA(0,32512)", "LoadCursorA(0,32512)",
                            "RegisterClassA(style=3,proc=1,extra=0/0,icon=1,cursor=1,brush=1,menu=Tarnview,"
                            "class=Tarnview)",
                            "CreateWindowExA(0,Tarnview,Tarnview,0x1CF0000,1,1,1,1,0,0,0)", "ShowWindow(10)",
                            "DefWindowProcA(0x6)",  // the activation that showing the window sends
                            "UpdateWindow()", "SetFocus()", "Input.Init(MainWindow)", "grGlideInit()",
                            "grSstQueryHardware()", "grSstSelect(0)", "grSstOpen(7,0,2,1,0,2)",
                            "guTexCombineFunction(0,1)", "grAlphaCombine(3,8,1,0,0)", "grAlphaBlendFunction(1,5,0,0)",
                            "grDepthBufferMode(2)", "grDepthBufferFunction(1)", "grDepthMask(1)",
                            "guFogGenerateExp2(0.0002)", "grFogTable(0,252)", "grFogColorValue(0)"));
    EXPECT_THAT(CallsMatching({"grFogMode", "FontInit", "LoadScene", "grSstPassthruMode"}),
                ElementsAre("grFogMode(2)", "FontInit(null)", "LoadScene(scene.scn)", "grSstPassthruMode(1)"));
    EXPECT_EQ(Fake.glideReadyAtLoad, 1);
}

TEST_F(StartupTest, ActivationWhileTheWindowIsShownOnlySetsAppActive) {
    host.frameLimit = 0;
    Run("scene.scn");
    // The only passthrough calls: start-up's, then none until the end.
    EXPECT_THAT(CallsMatching({"grSstPassthruMode"}), ElementsAre("grSstPassthruMode(1)"));
}

TEST_F(StartupTest, EmptyCommandLineLoadsObjectsScn) {
    host.frameLimit = 0;
    Run("");
    EXPECT_EQ(Fake.loadedPath, "objects.scn");
}

TEST_F(StartupTest, CommandLineIsThePathUnchanged) {
    host.frameLimit = 0;
    Run("\"my scene.scn\" ");
    EXPECT_EQ(Fake.loadedPath, "\"my scene.scn\" ");
}

TEST_F(StartupTest, EscapeBeforeAnyFrameReportsAndCloses) {
    host.frameLimit = 0;
    Fake.logMessagePump = false;
    ASSERT_EQ(Run("scene.scn"), 0);
    EXPECT_THAT(CallsMatching({"grGlideShutdown", "MessageBoxA", "PostMessageA(MainWindow,0x10,",
                               "PostQuitMessage", "RenderActor", "grBufferSwap"}),
                ElementsAre("grGlideShutdown()", "MessageBoxA(0,Performance Results,0)",
                            "PostMessageA(MainWindow,0x10,0,0)", "grGlideShutdown()", "PostQuitMessage(0)"));
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0],
              "Performance Results|Max frame time: 0.000000s, Avg. frame time: 0.000000s, Min frame time: "
              "100000000.000000s\nMin fps: inf, Avg. fps: inf, Max fps: 0.000000\nCounted: 0 frames. Clockrate: "
              "1000.00 MHz\n");
}

TEST_F(StartupTest, F12EndsTheRunLikeEscape) {
    host.frameLimit = 1000;
    host.events = {{2, WM_KEYDOWN, VK_F12}};
    ASSERT_EQ(Run("scene.scn"), 0);
    EXPECT_EQ(PerfStats.count, 2u);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_THAT(host.boxes[0], HasSubstr("Counted: 2 frames."));
}

TEST_F(StartupTest, InactiveWindowRendersNothingAndWaits) {
    host.frameLimit = 3;
    host.events = {{1, WM_ACTIVATE, WA_INACTIVE}, {1, WM_ACTIVATE, WA_CLICKACTIVE}};
    Fake.actorCount = 0;
    // Deliver the deactivation alone; the reactivation comes from the wait.
    host.events[1].frame = 50;
    ASSERT_EQ(Run("scene.scn"), 0);
    EXPECT_EQ(PerfStats.count, 3u);
    EXPECT_GE(host.waits, 1);
    EXPECT_THAT(CallsMatching({"grSstPassthruMode", "WaitMessage", "grBufferSwap"}),
                ElementsAre("grSstPassthruMode(1)", "grBufferSwap(1)", "grSstPassthruMode(0)", "WaitMessage()",
                            "grSstPassthruMode(1)", "grBufferSwap(1)", "grBufferSwap(1)"));
    // The whole wParam is kept: any nonzero value is active.
    EXPECT_EQ(AppActive, static_cast<std::int32_t>(WA_CLICKACTIVE));
}

TEST_F(StartupTest, MissingBoardIsFatalBeforeTheFontOrSceneLoads) {
    Fake.hardwarePresent = 0;
    SetPlatformBackend(nullptr);  // the null host prints the box
    EXPECT_EXIT(Run("scene.scn"), ::testing::ExitedWithCode(1),
                ::testing::AllOf(HasSubstr("Tarnview ERROR!\nERROR: no Voodoo Graphics!\n"),
                                 ::testing::Not(HasSubstr("LoadScene"))));
}

TEST(FatalErrorTest, ClearsGlideReadyShutsDownShowsTheBoxAndExitsWithFailure) {
    ResetShellState();
    GlideReady = 1;
    EXPECT_EXIT(
        {
            FatalError("The file \"x.scn\" could not be opened!");
        },
        ::testing::ExitedWithCode(1), HasSubstr("Tarnview ERROR!\nThe file \"x.scn\" could not be opened!\n"));
}

TEST(FatalErrorTest, ActivationAfterAFatalErrorLeavesPassthroughAlone) {
    ResetShellState();
    // What the box's modal loop would deliver once FatalError cleared the flag.
    GlideReady = 0;
    CallLog.clear();
    WindowProc(nullptr, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(CallsMatching({"grSstPassthruMode"}).empty());
    EXPECT_EQ(AppActive, 1);
}

}  // namespace
