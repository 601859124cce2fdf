// Joystick 0 over SDL: SDL's first joystick, opened on first use. Axes 0
// and 1 are mapped from SDL's -32768..32767 to 0..65535; the first 32
// buttons form the mask. A joystick that has been unplugged fails its reads.
#include <SDL.h>

#include <cstring>

#include "platform/mmsystem.h"

namespace {

constexpr UINT kAxisMax = 65535;
constexpr int kMaxButtons = 32;

SDL_Joystick* OpenJoystick() {
    static SDL_Joystick* joystick = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
        if (SDL_NumJoysticks() > 0) joystick = SDL_JoystickOpen(0);
    }
    return joystick;
}

DWORD AxisPosition(SDL_Joystick* joystick, int axis) {
    return static_cast<DWORD>(static_cast<int>(SDL_JoystickGetAxis(joystick, axis)) + 32768);
}

}  // namespace

UINT joystick_backend::SdlNumDevs() { return 16; }

MMRESULT joystick_backend::SdlDevCaps(UINT id, JOYCAPSA* caps) {
    SDL_Joystick* joystick = id == JOYSTICKID1 ? OpenJoystick() : nullptr;
    if (joystick == nullptr) return JOYERR_UNPLUGGED;
    std::memset(caps, 0, sizeof(*caps));
    const char* name = SDL_JoystickName(joystick);
    std::strncpy(caps->szPname, name != nullptr ? name : "Joystick", sizeof(caps->szPname) - 1);
    int axes = SDL_JoystickNumAxes(joystick);
    int buttons = SDL_JoystickNumButtons(joystick);
    if (axes < 0) axes = 0;
    if (buttons < 0) buttons = 0;
    if (buttons > kMaxButtons) buttons = kMaxButtons;
    caps->wXmax = kAxisMax;
    caps->wYmax = kAxisMax;
    caps->wZmax = kAxisMax;
    caps->wNumAxes = static_cast<UINT>(axes);
    caps->wMaxAxes = static_cast<UINT>(axes);
    caps->wNumButtons = static_cast<UINT>(buttons);
    caps->wMaxButtons = static_cast<UINT>(buttons);
    caps->wPeriodMin = 10;
    caps->wPeriodMax = 1000;
    return JOYERR_NOERROR;
}

MMRESULT joystick_backend::SdlPosition(UINT id, JOYINFOEX* info) {
    SDL_Joystick* joystick = id == JOYSTICKID1 ? OpenJoystick() : nullptr;
    if (joystick == nullptr) return JOYERR_UNPLUGGED;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick)) return JOYERR_UNPLUGGED;
    int axes = SDL_JoystickNumAxes(joystick);
    info->dwXpos = axes > 0 ? AxisPosition(joystick, 0) : kAxisMax / 2;
    info->dwYpos = axes > 1 ? AxisPosition(joystick, 1) : kAxisMax / 2;
    info->dwZpos = axes > 2 ? AxisPosition(joystick, 2) : 0;
    int buttons = SDL_JoystickNumButtons(joystick);
    if (buttons > kMaxButtons) buttons = kMaxButtons;
    DWORD mask = 0, held = 0;
    for (int b = 0; b < buttons; ++b) {
        if (SDL_JoystickGetButton(joystick, b)) {
            mask |= 1u << b;
            ++held;
        }
    }
    info->dwButtons = mask;
    info->dwButtonNumber = held;
    return JOYERR_NOERROR;
}
