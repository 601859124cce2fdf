// The window and message-queue stand-ins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_backend.h"
#include "platform/win32_api.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_window_table.h"

using ::testing::ElementsAre;

namespace {

std::vector<std::string> heard;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    heard.push_back(std::to_string(message) + ":" + std::to_string(wParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWindowTable();
        ResetMessageQueue();
        SetPlatformBackend(nullptr);
        heard.clear();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "Tarnview";
        ASSERT_NE(RegisterClassA(&windowClass), 0);
        window = CreateWindowExA(0, "Tarnview", "Tarnview", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }

    HWND window = nullptr;
};

TEST_F(MessageQueueTest, PostedMessagesComeOutInOrderAndPeekCanLeaveThem) {
    PostMessageA(window, WM_KEYDOWN, VK_F1, 0);
    PostMessageA(window, WM_KEYDOWN, VK_F2, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F1));
    EXPECT_EQ(PendingMessageCount(), 2);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F1));
    EXPECT_EQ(msg.hwnd, window);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F2));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterThePostedMessagesWithItsCode) {
    PostQuitMessage(7);
    PostMessageA(window, WM_KEYDOWN, VK_F3, 0);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(MessageQueueTest, FullQueueRefusesInsteadOfOverwriting) {
    int accepted = 0;
    for (int i = 0; i < 300; ++i) accepted += PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(i), 0);
    EXPECT_EQ(accepted, 256);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.wParam, 0u);  // the oldest survived
}

TEST_F(MessageQueueTest, PostingToAStaleWindowFails) {
    HWND stale = window;
    DestroyWindow(window);
    EXPECT_EQ(PostMessageA(stale, WM_KEYDOWN, VK_F1, 0), 0);
    EXPECT_EQ(PostMessageA(reinterpret_cast<HWND>(&heard), WM_KEYDOWN, VK_F1, 0), 0);
}

TEST_F(MessageQueueTest, DispatchCallsTheWindowProcedure) {
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    MSG msg;
    GetMessageA(&msg, nullptr, 0, 0);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    EXPECT_THAT(heard, ElementsAre("256:32"));
}

TEST_F(MessageQueueTest, ShowingTheWindowActivatesItAtOnceAndOnlyOnce) {
    ShowWindow(window, SW_SHOWDEFAULT);
    EXPECT_THAT(heard, ElementsAre("6:1"));
    ShowWindow(window, SW_SHOWDEFAULT);
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_EQ(PendingMessageCount(), 0);
}

TEST_F(MessageQueueTest, DefaultHandlingOfCloseDestroysTheWindow) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    MSG msg;
    GetMessageA(&msg, nullptr, 0, 0);
    DispatchMessageA(&msg);
    EXPECT_THAT(heard, ElementsAre("16:0", "2:0"));
    EXPECT_EQ(FindWindowRecord(window), nullptr);
    EXPECT_EQ(FirstLiveWindow(), nullptr);
}

TEST_F(MessageQueueTest, ClassAndWindowCreationRefuseBadNames) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.lpszClassName = "Tarnview";
    EXPECT_EQ(RegisterClassA(&windowClass), 0);  // already registered
    const std::string longName(200, 'x');
    windowClass.lpszClassName = longName.c_str();
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    windowClass.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&windowClass), 0);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowExA(0, longName.c_str(), "x", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
}

class NoWindowHost final : public PlatformBackend {
public:
    PlatformKind Kind() const override { return PlatformKind::Sdl; }
    bool CreateMainWindow(const char*) override { return false; }
    void ShowMainWindow(bool) override {}
    void DestroyMainWindow() override {}
    void PumpEvents(HWND) override {}
    void WaitForEvents(HWND) override {}
    void ShowMessageBox(const char*, const char*) override {}
};

TEST_F(MessageQueueTest, HostWithoutADisplayGivesANullWindow) {
    NoWindowHost host;
    SetPlatformBackend(&host);
    EXPECT_EQ(CreateWindowExA(0, "Tarnview", "Tarnview", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(ActivePlatformKind(), PlatformKind::Sdl);
    SetPlatformBackend(nullptr);
    EXPECT_EQ(ActivePlatformKind(), PlatformKind::Null);
}

TEST(MessageBoxTextTest, ErrorsGoToStderrAndEverythingElseToStdout) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    PrintMessageBox("Performance Results", "line 1\nline 2\n");
    PrintMessageBox("Tarnview ERROR!", "error");
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Performance Results\nline 1\nline 2\n");
    EXPECT_EQ(err, "Tarnview ERROR!\nerror\n");
}

}  // namespace
