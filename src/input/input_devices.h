// Keyboard and mouse (DirectInput) and joystick 0 (multimedia joystick
// calls): polled once per frame by the navigation.
#pragma once

#include <cstdint>

#include "platform/dinput.h"
#include "platform/mmsystem.h"
#include "platform/win32_types.h"

class InputDevices {
public:
    JOYCAPSA joyCaps = {};
    JOYINFOEX joyInfo = {};
    DIMOUSESTATE mouseState = {};
    BYTE keyState[256] = {};
    LPDIRECTINPUT directInput = nullptr;
    LPDIRECTINPUTDEVICE mouse = nullptr;
    LPDIRECTINPUTDEVICE keyboard = nullptr;
    std::int32_t joystickPresent = 0;
    std::int32_t joystickX = 0;  // -100 at wXmin .. 100 at wXmax, dead zone applied
    std::int32_t joystickY = 0;

    // Detects the joystick, then creates, formats and acquires the mouse and
    // the keyboard. Any DirectInput failure is fatal.
    void Init(HINSTANCE instance, HWND window);
    std::int32_t JoystickPresent();
    // Reads joystick 0; a failed read drops the joystick for good and
    // returns the multimedia error, axes unchanged.
    UINT PollJoystick();
    // Read the device's whole state, re-acquiring once; fatal when that fails.
    void PollMouse();
    void PollKeyboard();
    void GetJoystickAxes(float* x, float* y);
    void GetMouseMotion(float* x, float* y);
    // n counts from 1: button 1 is bit 0 of the mask.
    std::uint32_t JoystickButton(int n);
    // n counts from 0: 0 left, 1 right, 2 middle.
    BYTE MouseButton(int n);
    // Only the low 8 bits of scanCode are used.
    BYTE KeyDown(int scanCode);
};

extern InputDevices Input;

// One axis of the joystick: raw position scaled to -100..100 over
// [minimum, maximum] (0 when the range is empty), then values strictly
// between -10 and 10 become 0.
std::int32_t ScaleJoystickAxis(std::uint32_t raw, std::uint32_t minimum, std::uint32_t maximum);
