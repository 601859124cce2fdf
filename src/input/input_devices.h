// Keyboard and mouse (DirectInput) and joystick 0 (multimedia joystick
// calls): polled once per frame by the navigation.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

class InputDevices {
public:
    // The full field list (joystick caps and position records, mouse state,
    // keyboard table, device interfaces, joystick present / x / y) is the
    // input owner's to lay out in this class.
    void Init(HINSTANCE instance, HWND window);
    std::int32_t JoystickPresent();
    UINT PollJoystick();
    void PollMouse();
    void PollKeyboard();
    void GetJoystickAxes(float* x, float* y);
    void GetMouseMotion(float* x, float* y);
    std::uint32_t JoystickButton(int n);
    BYTE MouseButton(int n);
    BYTE KeyDown(int scanCode);
};

extern InputDevices Input;
