// Joystick 0 of the headless input table: two axes over 0..65535 and four
// buttons while HeadlessInput.joystickPresent is set.
#include <cstring>

#include "platform/headless/headless_input.h"
#include "platform/mmsystem.h"

namespace {
constexpr UINT kAxisMax = 65535;
constexpr UINT kButtons = 4;
}  // namespace

UINT joystick_backend::HeadlessNumDevs() { return 16; }

MMRESULT joystick_backend::HeadlessDevCaps(UINT id, JOYCAPSA* caps) {
    if (id != JOYSTICKID1 || !HeadlessInput.joystickPresent) return JOYERR_UNPLUGGED;
    std::memset(caps, 0, sizeof(*caps));
    std::strcpy(caps->szPname, "Headless joystick");
    caps->wXmax = kAxisMax;
    caps->wYmax = kAxisMax;
    caps->wNumButtons = kButtons;
    caps->wMaxButtons = kButtons;
    caps->wNumAxes = 2;
    caps->wMaxAxes = 2;
    caps->wPeriodMin = 10;
    caps->wPeriodMax = 1000;
    return JOYERR_NOERROR;
}

MMRESULT joystick_backend::HeadlessPosition(UINT id, JOYINFOEX* info) {
    if (id != JOYSTICKID1 || !HeadlessInput.joystickPresent || HeadlessInput.failJoystickReads)
        return JOYERR_UNPLUGGED;
    // Out-of-range script values are held to the axis range, as a device would.
    info->dwXpos = HeadlessInput.joyX > kAxisMax ? kAxisMax : HeadlessInput.joyX;
    info->dwYpos = HeadlessInput.joyY > kAxisMax ? kAxisMax : HeadlessInput.joyY;
    info->dwZpos = 0;
    info->dwButtons = HeadlessInput.joyButtons & ((1u << kButtons) - 1);
    info->dwButtonNumber = 0;
    for (DWORD b = info->dwButtons; b != 0; b &= b - 1) ++info->dwButtonNumber;
    return JOYERR_NOERROR;
}
