// The window records behind window handles, shared by the window and
// message-queue stand-ins.
#pragma once

#include "platform/win32_api.h"

struct WindowRecord {
    bool alive = false;
    bool visible = false;
    bool active = false;
    bool destroying = false;
    bool maximize = false;  // created with WS_MAXIMIZE
    WNDPROC procedure = nullptr;
};

// nullptr for a null, stale or foreign handle.
WindowRecord* FindWindowRecord(HWND window);

// Forgets every class and window (tests start each run from nothing).
void ResetWindowTable();
