// The multimedia joystick calls the system uses: how many joysticks the
// driver supports, the capabilities of one, and its position. A result of 0
// (JOYERR_NOERROR) is success.
//
// Backends: SDL's joystick 0 (the windowed program) or the headless input
// table (HeadlessInput), chosen on every call from the platform host in use
// (SDL host: SDL; any other: headless).
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

typedef UINT MMRESULT;
typedef char CHAR;

constexpr MMRESULT JOYERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT JOYERR_PARMS = 165;
constexpr MMRESULT JOYERR_UNPLUGGED = 167;

constexpr UINT JOYSTICKID1 = 0;
constexpr UINT JOYSTICKID2 = 1;

constexpr DWORD JOY_RETURNX = 0x1;
constexpr DWORD JOY_RETURNY = 0x2;
constexpr DWORD JOY_RETURNZ = 0x4;
constexpr DWORD JOY_RETURNR = 0x8;
constexpr DWORD JOY_RETURNU = 0x10;
constexpr DWORD JOY_RETURNV = 0x20;
constexpr DWORD JOY_RETURNPOV = 0x40;
constexpr DWORD JOY_RETURNBUTTONS = 0x80;
constexpr DWORD JOY_USEDEADZONE = 0x800;
constexpr DWORD JOY_RETURNALL = 0xFF;

struct JOYCAPSA {
    WORD wMid;
    WORD wPid;
    CHAR szPname[32];
    UINT wXmin;
    UINT wXmax;
    UINT wYmin;
    UINT wYmax;
    UINT wZmin;
    UINT wZmax;
    UINT wNumButtons;
    UINT wPeriodMin;
    UINT wPeriodMax;
    UINT wRmin;
    UINT wRmax;
    UINT wUmin;
    UINT wUmax;
    UINT wVmin;
    UINT wVmax;
    UINT wCaps;
    UINT wMaxAxes;
    UINT wNumAxes;
    UINT wMaxButtons;
    CHAR szRegKey[32];
    CHAR szOEMVxD[260];
};
static_assert(sizeof(JOYCAPSA) == 404, "JOYCAPSA is 404 bytes");

struct JOYINFOEX {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwXpos;
    DWORD dwYpos;
    DWORD dwZpos;
    DWORD dwRpos;
    DWORD dwUpos;
    DWORD dwVpos;
    DWORD dwButtons;  // bit n set: button n + 1 held
    DWORD dwButtonNumber;
    DWORD dwPOV;
    DWORD dwReserved1;
    DWORD dwReserved2;
};
static_assert(sizeof(JOYINFOEX) == 52, "JOYINFOEX is 52 bytes");

// Joysticks the driver supports (not how many are plugged in).
UINT joyGetNumDevs();
// Fills caps (size must be sizeof(JOYCAPSA)); nonzero when there is no such joystick.
MMRESULT joyGetDevCapsA(UINT id, JOYCAPSA* caps, UINT size);
// Reads the position; info->dwSize must be sizeof(JOYINFOEX). Nonzero when
// the joystick is gone.
MMRESULT joyGetPosEx(UINT id, JOYINFOEX* info);

// ---- backends ------------------------------------------------------------------------

namespace joystick_backend {
UINT HeadlessNumDevs();
MMRESULT HeadlessDevCaps(UINT id, JOYCAPSA* caps);
MMRESULT HeadlessPosition(UINT id, JOYINFOEX* info);
UINT SdlNumDevs();
MMRESULT SdlDevCaps(UINT id, JOYCAPSA* caps);
MMRESULT SdlPosition(UINT id, JOYINFOEX* info);
}  // namespace joystick_backend
