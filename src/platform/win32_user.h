// The window stand-ins as one object. Each call of win32_api.h goes to the
// same-named method of the object installed here; this class's own methods
// are the stand-ins (win32_window.cpp, win32_messages.cpp). A subclass can
// watch calls on their way through by overriding a method and calling the
// base one: the shell's tests record them this way.
#pragma once

#include "platform/win32_api.h"

class Win32User {
public:
    virtual ~Win32User() = default;

    virtual ATOM RegisterClassA(const WNDCLASSA* windowClass);
    virtual HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                                 int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
    virtual BOOL ShowWindow(HWND window, int showCommand);
    virtual BOOL UpdateWindow(HWND window);
    virtual HWND SetFocus(HWND window);
    virtual BOOL DestroyWindow(HWND window);
    virtual HICON LoadIconA(HINSTANCE instance, LPCSTR name);
    virtual HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);

    virtual BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage);
    virtual BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
    virtual BOOL TranslateMessage(const MSG* msg);
    virtual LRESULT DispatchMessageA(const MSG* msg);
    virtual BOOL WaitMessage();
    virtual BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void PostQuitMessage(int exitCode);
    virtual LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
};

// nullptr restores the plain stand-ins. The object must outlive its use.
void SetWin32User(Win32User* user);
