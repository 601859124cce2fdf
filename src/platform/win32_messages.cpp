// Message queue stand-in, as methods of Win32User: one thread, one fixed ring
// of posted messages and the quit flag. Host events come in through the
// platform backend whenever the queue runs empty.
#include "platform/input_recorder.h"
#include "platform/platform_backend.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_user.h"
#include "platform/win32_window_table.h"

namespace {

constexpr int kQueueCapacity = 256;

MSG queue[kQueueCapacity];
int queueHead = 0;
int queueSize = 0;
bool quitPosted = false;
int quitCode = 0;

bool TakeMessage(MSG* msg, bool remove) {
    if (queueSize == 0) ActivePlatform().PumpEvents(FirstLiveWindow());
    if (queueSize > 0) {
        *msg = queue[queueHead];
        if (remove) {
            queueHead = (queueHead + 1) % kQueueCapacity;
            --queueSize;
        }
        return true;
    }
    // WM_QUIT is seen only once no posted message is left, as on Windows.
    if (quitPosted) {
        *msg = MSG{};
        msg->message = WM_QUIT;
        msg->wParam = static_cast<WPARAM>(quitCode);
        if (remove) quitPosted = false;
        return true;
    }
    return false;
}

}  // namespace

int PendingMessageCount() { return queueSize; }

void ResetMessageQueue() {
    queueHead = 0;
    queueSize = 0;
    quitPosted = false;
    quitCode = 0;
}

BOOL Win32User::PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeMessage) {
    MSG local;
    return TakeMessage(msg ? msg : &local, (removeMessage & PM_REMOVE) != 0) ? 1 : 0;
}

BOOL Win32User::GetMessageA(MSG* msg, HWND window, UINT, UINT) {
    MSG local;
    MSG* out = msg ? msg : &local;
    while (!TakeMessage(out, true)) ActivePlatform().WaitForEvents(window);
    return out->message == WM_QUIT ? 0 : 1;
}

BOOL Win32User::TranslateMessage(const MSG*) { return 0; }

LRESULT Win32User::DispatchMessageA(const MSG* msg) {
    if (msg == nullptr) return 0;
    // What the program dispatches is what it consumed: a flight being
    // recorded keeps its keys and activation changes.
    FlightRecorder.Message(msg->message, msg->wParam);
    return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL Win32User::WaitMessage() {
    if (queueSize == 0 && !quitPosted) {
        PlatformBackend& host = ActivePlatform();
        host.WaitForEvents(FirstLiveWindow());
        host.PumpEvents(FirstLiveWindow());
    }
    return 1;
}

BOOL Win32User::PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && FindWindowRecord(window) == nullptr) return 0;
    if (queueSize == kQueueCapacity) return 0;  // full: the message is lost, as Windows reports
    MSG& slot = queue[(queueHead + queueSize) % kQueueCapacity];
    slot = MSG{};
    slot.hwnd = window;
    slot.message = message;
    slot.wParam = wParam;
    slot.lParam = lParam;
    ++queueSize;
    return 1;
}

void Win32User::PostQuitMessage(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

int Win32User::MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT) {
    ActivePlatform().ShowMessageBox(caption ? caption : "Error", text ? text : "");
    return IDOK;
}
