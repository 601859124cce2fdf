// SDL key codes (layout-following, like virtual keys) to Windows virtual-key
// codes.
#pragma once

#include <SDL.h>

// 0 for keys that have no virtual key here.
int VirtualKeyFromSdl(SDL_Keycode key);
