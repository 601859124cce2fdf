// InputDevices over the headless input table: joystick detection and
// scaling, the queries, and the device-failure rules.
#include <gtest/gtest.h>

#include "input/input_devices.h"
#include "platform/dinput.h"
#include "platform/headless/headless_input.h"

namespace {

class InputDevicesTest : public ::testing::Test {
protected:
    void SetUp() override { HeadlessInput = HeadlessInputState{}; }
    void TearDown() override { HeadlessInput = HeadlessInputState{}; }

    InputDevices devices;
};

TEST(JoystickScaling, RangeEndsCentreAndEmptyRange) {
    EXPECT_EQ(ScaleJoystickAxis(0, 0, 65535), -100);
    EXPECT_EQ(ScaleJoystickAxis(65535, 0, 65535), 100);
    // 32767 * 200 / 65535 - 100 = -1: inside the dead zone.
    EXPECT_EQ(ScaleJoystickAxis(32767, 0, 65535), 0);
    EXPECT_EQ(ScaleJoystickAxis(500, 1000, 1000), 0);
    EXPECT_EQ(ScaleJoystickAxis(0, 0, 0), 0);
}

TEST(JoystickScaling, DeadZoneEdges) {
    // Over 0..200 the scaled value is raw - 100.
    EXPECT_EQ(ScaleJoystickAxis(109, 0, 200), 0);
    EXPECT_EQ(ScaleJoystickAxis(110, 0, 200), 10);
    EXPECT_EQ(ScaleJoystickAxis(91, 0, 200), 0);
    EXPECT_EQ(ScaleJoystickAxis(90, 0, 200), -10);
    EXPECT_EQ(ScaleJoystickAxis(100, 0, 200), 0);
}

TEST(JoystickScaling, SignedArithmeticTruncatesTowardZero) {
    // 1 * 200 / 3 = 66; -1 * 200 / 3 = -66 (not -67).
    EXPECT_EQ(ScaleJoystickAxis(1, 0, 3), -34);
    EXPECT_EQ(ScaleJoystickAxis(9, 10, 13), -166);
    // A position beyond the reported range is not clamped.
    EXPECT_EQ(ScaleJoystickAxis(400, 100, 300), 200);
    // Extreme values do not overflow.
    EXPECT_EQ(ScaleJoystickAxis(0xFFFFFFFFu, 0, 1), 2147483647);
}

TEST_F(InputDevicesTest, InitWithoutJoystick) {
    devices.Init(nullptr, nullptr);
    EXPECT_EQ(devices.JoystickPresent(), 0);
    EXPECT_NE(devices.mouse, nullptr);
    EXPECT_NE(devices.keyboard, nullptr);
}

TEST_F(InputDevicesTest, InitFindsJoystickAndPreparesPositionRecord) {
    HeadlessInput.joystickPresent = true;
    devices.Init(nullptr, nullptr);
    EXPECT_EQ(devices.JoystickPresent(), 1);
    EXPECT_EQ(devices.joyInfo.dwSize, 52u);
    EXPECT_EQ(devices.joyInfo.dwFlags, 0x883u);
    EXPECT_EQ(devices.joyCaps.wXmax, 65535u);
}

TEST_F(InputDevicesTest, PollJoystickScalesAxesAndReportsButtons) {
    HeadlessInput.joystickPresent = true;
    devices.Init(nullptr, nullptr);
    HeadlessInput.joyX = 65535;
    HeadlessInput.joyY = 0;
    HeadlessInput.joyButtons = 0x5;  // buttons 1 and 3
    EXPECT_EQ(devices.PollJoystick(), 0u);
    float x = 0.0f, y = 0.0f;
    devices.GetJoystickAxes(&x, &y);
    EXPECT_EQ(x, 100.0f);
    EXPECT_EQ(y, -100.0f);
    EXPECT_NE(devices.JoystickButton(1), 0u);
    EXPECT_EQ(devices.JoystickButton(1), 1u);
    EXPECT_EQ(devices.JoystickButton(2), 0u);
    EXPECT_EQ(devices.JoystickButton(3), 4u);
    EXPECT_EQ(devices.JoystickButton(0), 0u);
    EXPECT_EQ(devices.JoystickButton(40), 0u);
}

TEST_F(InputDevicesTest, EmptyAxisRangeGivesZero) {
    HeadlessInput.joystickPresent = true;
    devices.Init(nullptr, nullptr);
    devices.joyCaps.wXmin = devices.joyCaps.wXmax = 7;
    HeadlessInput.joyX = 65535;
    HeadlessInput.joyY = 65535;
    devices.PollJoystick();
    EXPECT_EQ(devices.joystickX, 0);
    EXPECT_EQ(devices.joystickY, 100);
}

TEST_F(InputDevicesTest, FailedJoystickReadDropsJoystickAndKeepsAxes) {
    HeadlessInput.joystickPresent = true;
    devices.Init(nullptr, nullptr);
    HeadlessInput.joyX = 0;
    devices.PollJoystick();
    ASSERT_EQ(devices.joystickX, -100);
    HeadlessInput.failJoystickReads = true;
    HeadlessInput.joyX = 65535;
    EXPECT_NE(devices.PollJoystick(), 0u);
    EXPECT_EQ(devices.JoystickPresent(), 0);
    EXPECT_EQ(devices.joystickX, -100);
    // Once dropped it stays dropped, even when reads would work again.
    HeadlessInput.failJoystickReads = false;
    EXPECT_EQ(devices.JoystickPresent(), 0);
}

TEST_F(InputDevicesTest, MouseMotionIsTakenByThePollAndButtonsReported) {
    devices.Init(nullptr, nullptr);
    HeadlessInput.mouseDx = -7;
    HeadlessInput.mouseDy = 12;
    HeadlessInput.mouseButtons[2] = 0x80;
    devices.PollMouse();
    float x = 0.0f, y = 0.0f;
    devices.GetMouseMotion(&x, &y);
    EXPECT_EQ(x, -7.0f);
    EXPECT_EQ(y, 12.0f);
    EXPECT_EQ(devices.MouseButton(0), 0);
    EXPECT_EQ(devices.MouseButton(1), 0);
    EXPECT_EQ(devices.MouseButton(2), 0x80);
    EXPECT_EQ(devices.MouseButton(7), 0);
    // The motion was consumed: the next poll reports none.
    devices.PollMouse();
    devices.GetMouseMotion(&x, &y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
}

TEST_F(InputDevicesTest, QueriesReportTheLastPollOnly) {
    devices.Init(nullptr, nullptr);
    HeadlessInput.keys[DIK_A] = 0x80;
    EXPECT_EQ(devices.KeyDown(DIK_A), 0);
    devices.PollKeyboard();
    EXPECT_EQ(devices.KeyDown(DIK_A), 0x80);
    EXPECT_EQ(devices.KeyDown(DIK_D), 0);
    // Only the low 8 bits of the code count.
    EXPECT_EQ(devices.KeyDown(0x100 + DIK_A), 0x80);
    EXPECT_EQ(devices.KeyDown(-256 + DIK_A), 0x80);
}

TEST_F(InputDevicesTest, LostDeviceIsReacquiredOnce) {
    devices.Init(nullptr, nullptr);
    HeadlessInput.failMouseReads = 1;
    HeadlessInput.failKeyboardReads = 1;
    HeadlessInput.mouseDx = 3;
    HeadlessInput.keys[DIK_Q] = 0x80;
    devices.PollMouse();
    devices.PollKeyboard();
    EXPECT_EQ(devices.mouseState.lX, 3);
    EXPECT_EQ(devices.KeyDown(DIK_Q), 0x80);
    EXPECT_EQ(HeadlessInput.failMouseReads, 0);
    EXPECT_EQ(HeadlessInput.failKeyboardReads, 0);
}

using InputDevicesDeathTest = InputDevicesTest;

TEST_F(InputDevicesDeathTest, DeviceFailuresAreFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    devices.Init(nullptr, nullptr);
    HeadlessInput.failMouseReads = 2;  // the read after re-acquiring fails too
    EXPECT_EXIT(devices.PollMouse(), ::testing::ExitedWithCode(1), "Unable to get device State!");
    HeadlessInput.failMouseReads = 1;
    HeadlessInput.failMouseAcquire = true;
    EXPECT_EXIT(devices.PollMouse(), ::testing::ExitedWithCode(1), "Unable to get device State!");
    HeadlessInput.failKeyboardReads = 1;
    HeadlessInput.failKeyboardAcquire = true;
    EXPECT_EXIT(devices.PollKeyboard(), ::testing::ExitedWithCode(1), "Unable to get device State!");
}

TEST_F(InputDevicesDeathTest, FirstAcquireFailureMeansNoDirectInput) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    HeadlessInput.failMouseAcquire = true;
    EXPECT_EXIT(devices.Init(nullptr, nullptr), ::testing::ExitedWithCode(1), "Directinput not available");
    HeadlessInput = HeadlessInputState{};
    HeadlessInput.failKeyboardAcquire = true;
    EXPECT_EXIT(devices.Init(nullptr, nullptr), ::testing::ExitedWithCode(1), "Directinput not available");
}

TEST(DirectInputStandIn, RejectsWrongSizesAndUnknownDevices) {
    HeadlessInput = HeadlessInputState{};
    LPDIRECTINPUT di = nullptr;
    ASSERT_EQ(DirectInputCreateA(nullptr, DIRECTINPUT_VERSION, &di, nullptr), DI_OK);
    LPDIRECTINPUTDEVICE device = nullptr;
    GUID other = GUID_SysMouse;
    other.data1 ^= 0xFF;
    EXPECT_NE(di->CreateDevice(other, &device, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &device, nullptr), DI_OK);
    DIMOUSESTATE state{};
    // Not yet formatted or acquired: reads fail.
    EXPECT_NE(device->GetDeviceState(sizeof(state), &state), DI_OK);
    ASSERT_EQ(device->SetDataFormat(&c_dfDIMouse), DI_OK);
    EXPECT_NE(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DI_OK);
    ASSERT_EQ(device->Acquire(), DI_OK);
    EXPECT_NE(device->GetDeviceState(8, &state), DI_OK);
    EXPECT_EQ(device->GetDeviceState(sizeof(state), &state), DI_OK);
}

}  // namespace
