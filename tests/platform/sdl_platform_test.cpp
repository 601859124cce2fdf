// The SDL host on SDL's dummy video driver: host events become window
// messages, and the device's picture goes through the window's renderer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sdl/sdl_platform.h"
#include "platform/win32_api.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_window_table.h"

using ::testing::ElementsAre;

namespace {

LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class SdlPlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ResetWindowTable();
        ResetMessageQueue();
        SetPlatformBackend(&host);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.lpszClassName = "Tarnview";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "Tarnview", "Tarnview", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_NE(host.Window(), nullptr);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SetPlatformBackend(nullptr); }

    void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }

    std::vector<std::string> Messages() {
        std::vector<std::string> out;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            out.push_back(std::to_string(msg.message) + ":" + std::to_string(msg.wParam));
        return out;
    }

    SdlPlatform host;
    HWND window = nullptr;
};

TEST_F(SdlPlatformTest, KeysFocusAndCloseBecomeWindowMessages) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_F3;
    Push(key);
    key.key.repeat = 1;  // auto-repeat is a key-down too
    Push(key);
    key.key.keysym.sym = SDLK_F13;  // no virtual key: dropped
    Push(key);
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    Push(focus);
    focus.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    Push(focus);
    focus.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(focus);
    EXPECT_THAT(Messages(), ElementsAre("256:114", "256:114", "6:0", "6:1", "16:0"));
}

TEST_F(SdlPlatformTest, WhileAScriptSteersOnlyEscapeF12AndClosingPass) {
    host.SetScriptedInput(true);
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    for (const SDL_Keycode sym : {SDLK_F3, SDLK_ESCAPE, SDLK_q, SDLK_F12}) {
        key.key.keysym.sym = sym;
        Push(key);
    }
    SDL_Event window{};
    window.type = SDL_WINDOWEVENT;
    for (const Uint8 event : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED, SDL_WINDOWEVENT_CLOSE}) {
        window.window.event = event;
        Push(window);
    }
    EXPECT_THAT(Messages(), ElementsAre("256:27", "256:123", "16:0"));
}

TEST_F(SdlPlatformTest, OutputOpensOnTheWindowAndPresentsFrames) {
    SdlDisplayOutput output(host);
    ASSERT_TRUE(output.Open());
    std::vector<std::uint16_t> frame(glide::kScreenWidth * glide::kScreenHeight, 0xF800);
    output.SetPassthrough(true);
    output.Present(frame.data(), true);
    output.Present(frame.data(), false);
    output.SetPassthrough(false);
    output.Close();
    output.Close();  // twice, as shutdown happens twice at the end of a run
}

TEST(SdlPlatformNoWindowTest, OutputWithoutAWindowCannotOpen) {
    SdlPlatform host;
    SdlDisplayOutput output(host);
    EXPECT_FALSE(output.Open());
}

}  // namespace
