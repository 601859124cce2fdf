#include "platform/mmsystem.h"

#include "platform/input_recorder.h"
#include "platform/platform_backend.h"

namespace {
bool UseSdl() { return ActivePlatformKind() == PlatformKind::Sdl; }
}  // namespace

UINT joyGetNumDevs() {
    return UseSdl() ? joystick_backend::SdlNumDevs() : joystick_backend::HeadlessNumDevs();
}

MMRESULT joyGetDevCapsA(UINT id, JOYCAPSA* caps, UINT size) {
    if (caps == nullptr || size != sizeof(JOYCAPSA)) return JOYERR_PARMS;
    return UseSdl() ? joystick_backend::SdlDevCaps(id, caps) : joystick_backend::HeadlessDevCaps(id, caps);
}

MMRESULT joyGetPosEx(UINT id, JOYINFOEX* info) {
    if (info == nullptr || info->dwSize != sizeof(JOYINFOEX)) return JOYERR_PARMS;
    const MMRESULT result =
        UseSdl() ? joystick_backend::SdlPosition(id, info) : joystick_backend::HeadlessPosition(id, info);
    if (result == JOYERR_NOERROR && id == JOYSTICKID1) FlightRecorder.JoystickPoll(*info);
    return result;
}
