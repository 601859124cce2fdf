#include "call_recorder.h"

#include <cstdarg>
#include <cstdio>

#include "app/app_globals.h"
#include "app/frame_stats.h"
#include "app/render_flags.h"
#include "app/winmain.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_user.h"
#include "platform/win32_window_table.h"
#include "render/color_combine.h"

std::vector<std::string> CallLog;
FakeSettings Fake;
Actor FakeActors[4];

void RecordCall(const char* format, ...) {
    if (Fake.silent) return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    CallLog.emplace_back(text);
}

namespace {

// The window stand-ins, run as they are, with their calls recorded first
// (the message pump's after, with the result) while Fake asks for them.
class RecordingWindowCalls final : public Win32User {
public:
    ATOM RegisterClassA(const WNDCLASSA* c) override {
        if (Fake.logPlatform)
            RecordCall("RegisterClassA(style=%u,proc=%d,extra=%d/%d,icon=%d,cursor=%d,brush=%d,menu=%s,class=%s)",
                       c->style, c->lpfnWndProc != nullptr, c->cbClsExtra, c->cbWndExtra, c->hIcon != nullptr,
                       c->hCursor != nullptr, static_cast<int>(reinterpret_cast<std::uintptr_t>(c->hbrBackground)),
                       c->lpszMenuName, c->lpszClassName);
        return Win32User::RegisterClassA(c);
    }
    HWND CreateWindowExA(DWORD ex, LPCSTR cls, LPCSTR name, DWORD style, int x, int y, int w, int h, HWND parent,
                         HMENU menu, HINSTANCE inst, LPVOID param) override {
        if (Fake.logPlatform)
            RecordCall("CreateWindowExA(%u,%s,%s,0x%X,%d,%d,%d,%d,%d,%d,%d)", ex, cls, name, style,
                       x == CW_USEDEFAULT, y == CW_USEDEFAULT, w == CW_USEDEFAULT, h == CW_USEDEFAULT,
                       parent != nullptr, menu != nullptr, param != nullptr);
        return Win32User::CreateWindowExA(ex, cls, name, style, x, y, w, h, parent, menu, inst, param);
    }
    BOOL ShowWindow(HWND window, int command) override {
        if (Fake.logPlatform) RecordCall("ShowWindow(%d)", command);
        return Win32User::ShowWindow(window, command);
    }
    BOOL UpdateWindow(HWND window) override {
        if (Fake.logPlatform) RecordCall("UpdateWindow()");
        return Win32User::UpdateWindow(window);
    }
    HWND SetFocus(HWND window) override {
        if (Fake.logPlatform) RecordCall("SetFocus()");
        return Win32User::SetFocus(window);
    }
    HICON LoadIconA(HINSTANCE inst, LPCSTR name) override {
        if (Fake.logPlatform)
            RecordCall("LoadIconA(%d,%d)", inst != nullptr, static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
        return Win32User::LoadIconA(inst, name);
    }
    HCURSOR LoadCursorA(HINSTANCE inst, LPCSTR name) override {
        if (Fake.logPlatform)
            RecordCall("LoadCursorA(%d,%d)", inst != nullptr,
                       static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
        return Win32User::LoadCursorA(inst, name);
    }
    BOOL PeekMessageA(MSG* msg, HWND window, UINT a, UINT b, UINT remove) override {
        const BOOL result = Win32User::PeekMessageA(msg, window, a, b, remove);
        if (Fake.logMessagePump) RecordCall("PeekMessageA(%u)=%d", remove, result);
        return result;
    }
    BOOL GetMessageA(MSG* msg, HWND window, UINT a, UINT b) override {
        const BOOL result = Win32User::GetMessageA(msg, window, a, b);
        if (Fake.logMessagePump) RecordCall("GetMessageA()=%d", result);
        return result;
    }
    BOOL TranslateMessage(const MSG* msg) override {
        if (Fake.logMessagePump) RecordCall("TranslateMessage(0x%X)", msg->message);
        return Win32User::TranslateMessage(msg);
    }
    LRESULT DispatchMessageA(const MSG* msg) override {
        if (Fake.logMessagePump) RecordCall("DispatchMessageA(0x%X)", msg->message);
        return Win32User::DispatchMessageA(msg);
    }
    BOOL WaitMessage() override {
        if (Fake.logPlatform) RecordCall("WaitMessage()");
        return Win32User::WaitMessage();
    }
    BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (Fake.logPlatform)
            RecordCall("PostMessageA(%s,0x%X,%lu,%ld)", window == MainWindow && window ? "MainWindow" : "other",
                       message, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        return Win32User::PostMessageA(window, message, wParam, lParam);
    }
    void PostQuitMessage(int code) override {
        if (Fake.logPlatform) RecordCall("PostQuitMessage(%d)", code);
        Win32User::PostQuitMessage(code);
    }
    int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override {
        if (Fake.logPlatform) RecordCall("MessageBoxA(%d,%s,%u)", owner != nullptr, caption, type);
        return Win32User::MessageBoxA(owner, text, caption, type);
    }
    LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (Fake.logPlatform) RecordCall("DefWindowProcA(0x%X)", message);
        return Win32User::DefWindowProcA(window, message, wParam, lParam);
    }
};

RecordingWindowCalls windowCalls;

}  // namespace

void ResetShellState() {
    CallLog.clear();
    Fake = FakeSettings{};
    ResetWindowTable();
    ResetMessageQueue();
    SetPlatformBackend(nullptr);
    SetWin32User(&windowCalls);
    RenderFlags = RENDER_FLAGS_INITIAL;
    AppActive = 0;
    GlideReady = 0;
    MainWindow = nullptr;
    PerfStats = FrameStats{};
    FrameStats::ClockRate = 1e9f;
    CurrentColorCombine = GR_COLORCOMBINE_ITRGB;
    Scene.specularity = 400.0f;
    Scene.actorCount = 0;
    Scene.actors = nullptr;
    Scene.lights = nullptr;
    Scene.lightCount = 0;
}

std::vector<std::string> CallsMatching(std::initializer_list<const char*> prefixes) {
    std::vector<std::string> out;
    for (const std::string& call : CallLog)
        for (const char* prefix : prefixes)
            if (call.rfind(prefix, 0) == 0) {
                out.push_back(call);
                break;
            }
    return out;
}

// ---- test host -------------------------------------------------------------------

void TestPlatform::PumpEvents(HWND window) {
    const std::uint32_t frame = PerfStats.count;
    if (started_ && frame == lastFrame_) return;
    started_ = true;
    lastFrame_ = frame;
    if (countTo != 0) {
        const bool counting = frame >= countFrom && frame < countTo;
        if (counting && !probe_) probe_.emplace();
        if (!counting && probe_) {
            allocations += probe_->Count();
            probe_.reset();
        }
    }
    while (next_ < events.size() && events[next_].frame <= frame) {
        PostMessageA(window, events[next_].message, events[next_].wParam, 0);
        ++next_;
    }
    if (frame >= frameLimit && !escaped_) {
        escaped_ = true;
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

void TestPlatform::WaitForEvents(HWND window) {
    ++waits;
    if (next_ < events.size()) {
        PostMessageA(window, events[next_].message, events[next_].wParam, 0);
        ++next_;
    } else if (!escaped_) {
        escaped_ = true;
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

void TestPlatform::ShowMessageBox(const char* caption, const char* text) {
    boxes.push_back(std::string(caption) + "|" + text);
}
