// Window class and window stand-ins, as methods of Win32User. The program
// has one window class and one window; the records live in fixed slots (no
// allocation) and a window handle is the address of its slot.
#include <cstring>

#include "platform/platform_backend.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_user.h"
#include "platform/win32_window_table.h"

namespace {

constexpr int kMaxClasses = 4;
constexpr int kMaxWindows = 4;
constexpr int kNameLength = 64;

struct ClassRecord {
    bool used = false;
    char name[kNameLength] = {};
    WNDPROC procedure = nullptr;
};

ClassRecord classes[kMaxClasses];
WindowRecord windows[kMaxWindows];

bool NameFits(LPCSTR name) { return name != nullptr && std::strlen(name) < kNameLength; }

}  // namespace

WindowRecord* FindWindowRecord(HWND window) {
    for (WindowRecord& record : windows)
        if (record.alive && reinterpret_cast<HWND>(&record) == window) return &record;
    return nullptr;
}

HWND FirstLiveWindow() {
    for (WindowRecord& record : windows)
        if (record.alive) return reinterpret_cast<HWND>(&record);
    return nullptr;
}

void ResetWindowTable() {
    for (ClassRecord& c : classes) c = ClassRecord{};
    for (WindowRecord& w : windows) w = WindowRecord{};
}

ATOM Win32User::RegisterClassA(const WNDCLASSA* windowClass) {
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr || !NameFits(windowClass->lpszClassName))
        return 0;
    for (int i = 0; i < kMaxClasses; ++i) {
        ClassRecord& c = classes[i];
        if (c.used && std::strcmp(c.name, windowClass->lpszClassName) == 0) return 0;  // already registered
    }
    for (int i = 0; i < kMaxClasses; ++i) {
        ClassRecord& c = classes[i];
        if (c.used) continue;
        c.used = true;
        std::strcpy(c.name, windowClass->lpszClassName);
        c.procedure = windowClass->lpfnWndProc;
        return static_cast<ATOM>(0xC000 + i);
    }
    return 0;
}

HWND Win32User::CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int, int, int, int, HWND, HMENU,
                     HINSTANCE, LPVOID) {
    if (!NameFits(className)) return nullptr;
    const ClassRecord* windowClass = nullptr;
    for (const ClassRecord& c : classes)
        if (c.used && std::strcmp(c.name, className) == 0) windowClass = &c;
    if (windowClass == nullptr) return nullptr;
    for (WindowRecord& record : windows) {
        if (record.alive) continue;
        if (!ActivePlatform().CreateMainWindow(windowName ? windowName : "")) return nullptr;
        record = WindowRecord{};
        record.alive = true;
        record.procedure = windowClass->procedure;
        record.maximize = (style & WS_MAXIMIZE) != 0;
        return reinterpret_cast<HWND>(&record);
    }
    return nullptr;
}

BOOL Win32User::ShowWindow(HWND window, int showCommand) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr) return 0;
    const BOOL wasVisible = record->visible ? 1 : 0;
    if (showCommand == SW_HIDE) {
        record->visible = false;
        return wasVisible;
    }
    record->visible = true;
    ActivePlatform().ShowMainWindow(record->maximize);
    // Showing a top-level window activates it: the window procedure hears
    // WM_ACTIVATE at once, before ShowWindow returns.
    if (!record->active) {
        record->active = true;
        SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
    }
    return wasVisible;
}

BOOL Win32User::UpdateWindow(HWND window) { return FindWindowRecord(window) != nullptr ? 1 : 0; }

HWND Win32User::SetFocus(HWND window) { return FindWindowRecord(window) != nullptr ? window : nullptr; }

BOOL Win32User::DestroyWindow(HWND window) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr || record->destroying) return 0;
    record->destroying = true;
    SendMessageA(window, WM_DESTROY, 0, 0);
    ActivePlatform().DestroyMainWindow();
    *record = WindowRecord{};
    return 1;
}

// Icons and cursors are never drawn by the stand-ins; any non-null handle
// does.
HICON Win32User::LoadIconA(HINSTANCE, LPCSTR) { return reinterpret_cast<HICON>(static_cast<std::uintptr_t>(1)); }

HCURSOR Win32User::LoadCursorA(HINSTANCE, LPCSTR) { return reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(1)); }

LRESULT Win32User::SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = FindWindowRecord(window);
    if (record == nullptr || record->procedure == nullptr) return 0;
    return record->procedure(window, message, wParam, lParam);
}

LRESULT Win32User::DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
    // The only default behaviour the program relies on: closing destroys.
    if (message == WM_CLOSE) DestroyWindow(window);
    return 0;
}
