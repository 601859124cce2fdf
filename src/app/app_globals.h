// Globals of the application shell.
#pragma once

#include <cstdint>

// wParam of the last WM_ACTIVATE: nonzero means the window is active and
// frames are rendered.
extern std::int32_t AppActive;
// 1 once the accelerator and the font are set up; FatalError clears it.
extern std::int32_t GlideReady;
