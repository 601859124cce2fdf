#include "input/input_devices.h"

#include <cstring>
#include <limits>

#include "app/fatal_error.h"

InputDevices Input;

namespace {

constexpr UINT kJoyCapsSize = sizeof(JOYCAPSA);
constexpr DWORD kJoyPositionFlags = JOY_RETURNX | JOY_RETURNY | JOY_RETURNBUTTONS | JOY_USEDEADZONE;
constexpr std::int32_t kDeadZone = 10;

// Reads a device's state; on failure re-acquires once and reads again.
// Anything but 0 is a failure, success codes included.
void ReadDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* state) {
    if (device->GetDeviceState(size, state) == DI_OK) return;
    if (device->Acquire() != DI_OK) FatalError("Unable to get device State!");
    if (device->GetDeviceState(size, state) != DI_OK) FatalError("Unable to get device State!");
}

void RequireOk(HRESULT result) {
    if (result != DI_OK) FatalError("Directinput not available");
}

}  // namespace

std::int32_t ScaleJoystickAxis(std::uint32_t raw, std::uint32_t minimum, std::uint32_t maximum) {
    if (maximum == minimum) return 0;
    // The driver reports 16-bit positions, where 32-bit arithmetic is exact;
    // 64 bits keep positions outside that from overflowing.
    std::int64_t scaled = (static_cast<std::int64_t>(raw) - static_cast<std::int64_t>(minimum)) * 200 /
                              (static_cast<std::int64_t>(maximum) - static_cast<std::int64_t>(minimum)) -
                          100;
    if (scaled > kDeadZone - 1 || scaled < -(kDeadZone - 1)) {
        if (scaled > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
        if (scaled < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(scaled);
    }
    return 0;
}

void InputDevices::Init(HINSTANCE instance, HWND window) {
    joystickPresent = 0;
    if (joyGetNumDevs() != 0 && joyGetDevCapsA(JOYSTICKID1, &joyCaps, kJoyCapsSize) == JOYERR_NOERROR &&
        joyCaps.wNumAxes >= 2 && joyCaps.wNumButtons >= 2) {
        joystickPresent = 1;
        joyInfo.dwSize = sizeof(JOYINFOEX);
        joyInfo.dwFlags = kJoyPositionFlags;
    }

    RequireOk(DirectInputCreateA(instance, DIRECTINPUT_VERSION, &directInput, nullptr));

    RequireOk(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr));
    RequireOk(mouse->SetDataFormat(&c_dfDIMouse));
    RequireOk(mouse->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND));
    RequireOk(mouse->Acquire());

    RequireOk(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr));
    RequireOk(keyboard->SetDataFormat(&c_dfDIKeyboard));
    RequireOk(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    RequireOk(keyboard->Acquire());
}

std::int32_t InputDevices::JoystickPresent() { return joystickPresent; }

UINT InputDevices::PollJoystick() {
    MMRESULT result = joyGetPosEx(JOYSTICKID1, &joyInfo);
    if (result != JOYERR_NOERROR) {
        joystickPresent = 0;
        return result;
    }
    joystickX = ScaleJoystickAxis(joyInfo.dwXpos, joyCaps.wXmin, joyCaps.wXmax);
    joystickY = ScaleJoystickAxis(joyInfo.dwYpos, joyCaps.wYmin, joyCaps.wYmax);
    return JOYERR_NOERROR;
}

void InputDevices::PollMouse() { ReadDeviceState(mouse, sizeof(DIMOUSESTATE), &mouseState); }

void InputDevices::PollKeyboard() { ReadDeviceState(keyboard, sizeof(keyState), keyState); }

void InputDevices::GetJoystickAxes(float* x, float* y) {
    *x = static_cast<float>(joystickX);
    *y = static_cast<float>(joystickY);
}

void InputDevices::GetMouseMotion(float* x, float* y) {
    *x = static_cast<float>(mouseState.lX);
    *y = static_cast<float>(mouseState.lY);
}

std::uint32_t InputDevices::JoystickButton(int n) {
    // Buttons beyond the mask's 32 bits are never held (a shift that far is undefined).
    if (n < 1 || n > 32) return 0;
    return joyInfo.dwButtons & (1u << (n - 1));
}

BYTE InputDevices::MouseButton(int n) {
    if (n < 0 || n > 3) return 0;
    return mouseState.rgbButtons[n];
}

BYTE InputDevices::KeyDown(int scanCode) { return keyState[scanCode & 0xFF]; }
