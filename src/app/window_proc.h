// The window procedure of the program's one window: activation switches the
// monitor and pauses rendering; WM_KEYDOWN runs the key table that flips
// RenderFlags bits, adjusts the scene's specularity or ends the run.
#pragma once

#include "platform/win32_api.h"

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One key of the table (wParam of WM_KEYDOWN); other keys do nothing.
void HandleKeyDown(WPARAM key);

// The depth value the per-frame clear uses: the farthest value of the
// current depth mode (0xFFFF for W-buffering, 0 for Z-buffering).
unsigned short ClearDepthForFlags(unsigned flags);
