// Input of the headless platform, driven by the runner's --script file.
// The script side (window/message stand-in and runner) writes it before each
// frame; the DirectInput and joystick stand-ins' headless backend read it.
#pragma once

#include <cstdint>

struct HeadlessInputState {
    // DirectInput scan codes held this frame (0x80 = down).
    std::uint8_t keys[256] = {};
    // Mouse motion in device counts waiting for the next poll; the poll
    // takes it and zeroes it. Buttons: 0 left, 1 right, 2 middle (0x80 held).
    std::int32_t mouseDx = 0;
    std::int32_t mouseDy = 0;
    std::uint8_t mouseButtons[4] = {};
    // A script with any "joy" line has a joystick of two axes and four
    // buttons from start-up, centred until its first "joy" line.
    bool joystickPresent = false;
    std::uint32_t joyX = 32767;  // raw, 0..65535
    std::uint32_t joyY = 32767;
    std::uint32_t joyButtons = 0;
    // Failure injection for tests: the next N mouse / keyboard reads fail.
    int failMouseReads = 0;
    int failKeyboardReads = 0;
    bool failMouseAcquire = false;
    bool failKeyboardAcquire = false;
    bool failJoystickReads = false;
};

extern HeadlessInputState HeadlessInput;
