// The calls of win32_api.h, each handed to the installed Win32User.
#include "platform/win32_user.h"

namespace {

Win32User standIns;
Win32User* activeUser = &standIns;

}  // namespace

void SetWin32User(Win32User* user) { activeUser = user ? user : &standIns; }

ATOM RegisterClassA(const WNDCLASSA* windowClass) { return activeUser->RegisterClassA(windowClass); }

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return activeUser->CreateWindowExA(exStyle, className, windowName, style, x, y, width, height, parent, menu,
                                       instance, param);
}

BOOL ShowWindow(HWND window, int showCommand) { return activeUser->ShowWindow(window, showCommand); }

BOOL UpdateWindow(HWND window) { return activeUser->UpdateWindow(window); }

HWND SetFocus(HWND window) { return activeUser->SetFocus(window); }

BOOL DestroyWindow(HWND window) { return activeUser->DestroyWindow(window); }

HICON LoadIconA(HINSTANCE instance, LPCSTR name) { return activeUser->LoadIconA(instance, name); }

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) { return activeUser->LoadCursorA(instance, name); }

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
    return activeUser->PeekMessageA(msg, window, filterMin, filterMax, removeMessage);
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    return activeUser->GetMessageA(msg, window, filterMin, filterMax);
}

BOOL TranslateMessage(const MSG* msg) { return activeUser->TranslateMessage(msg); }

LRESULT DispatchMessageA(const MSG* msg) { return activeUser->DispatchMessageA(msg); }

BOOL WaitMessage() { return activeUser->WaitMessage(); }

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return activeUser->PostMessageA(window, message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return activeUser->SendMessageA(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { activeUser->PostQuitMessage(exitCode); }

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return activeUser->DefWindowProcA(window, message, wParam, lParam);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return activeUser->MessageBoxA(owner, text, caption, type);
}
