// The SDL backends on SDL's dummy video driver (no window, no focus, no
// joystick): devices set up and read like the headless ones, an unfocused
// mouse reports nothing, and joystick 0 is absent.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dinput.h"
#include "platform/mmsystem.h"

namespace {

class SdlBackendTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
        ready_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    static void TearDownTestSuite() {
        if (ready_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    void SetUp() override {
        if (!ready_) GTEST_SKIP() << "no SDL video driver: " << SDL_GetError();
    }
    static bool ready_;
};
bool SdlBackendTest::ready_ = false;

TEST_F(SdlBackendTest, DevicesReadWholeStates) {
    LPDIRECTINPUT di = dinput_backend::CreateSdl();
    LPDIRECTINPUTDEVICE mouse = nullptr, keyboard = nullptr;
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    ASSERT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);

    DIMOUSESTATE state;
    std::memset(&state, 0x7F, sizeof(state));
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED);
    // Acquiring works without the focus (start-up comes before it).
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.rgbButtons[0], 0);
    BYTE keys[256];
    std::memset(keys, 0x7F, sizeof(keys));
    ASSERT_EQ(keyboard->GetDeviceState(sizeof(keys), keys), DI_OK);
    for (BYTE k : keys) EXPECT_EQ(k, 0);
    EXPECT_EQ(keyboard->GetDeviceState(16, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->Unacquire(), DI_OK);
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_NOTACQUIRED);
}

TEST_F(SdlBackendTest, NoJoystickMeansNoCapabilities) {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0 && SDL_NumJoysticks() > 0) GTEST_SKIP() << "a real joystick";
    EXPECT_NE(joystick_backend::SdlNumDevs(), 0u);
    JOYCAPSA caps{};
    EXPECT_EQ(joystick_backend::SdlDevCaps(JOYSTICKID1, &caps), JOYERR_UNPLUGGED);
    JOYINFOEX info{};
    info.dwSize = sizeof(info);
    EXPECT_EQ(joystick_backend::SdlPosition(JOYSTICKID1, &info), JOYERR_UNPLUGGED);
}

}  // namespace
