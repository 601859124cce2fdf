#include "call_recorder.h"

#include <cstdarg>
#include <cstdio>
#include <type_traits>

#include "app/app_globals.h"
#include "app/frame_stats.h"
#include "app/render_flags.h"
#include "app/winmain.h"
#include "glide.h"
#include "input/input_devices.h"
#include "input/navigation.h"
#include "platform/cycle_counter.h"
#include "platform/win32_message_queue.h"
#include "platform/win32_window_table.h"
#include "render/actor_renderer.h"
#include "render/color_combine.h"
#include "render/fast_inv_sqrt.h"
#include "render/font.h"
#include "scene/scene_loader.h"

std::vector<std::string> CallLog;
FakeSettings Fake;
Actor FakeActors[4];

namespace {

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

void Log(const char* format, ...) {
    if (Fake.silent) return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    CallLog.emplace_back(text);
}

int ActorIndex(const Actor* actor) {
    for (int i = 0; i < 4; ++i)
        if (actor == &FakeActors[i]) return i;
    return -1;
}

}  // namespace

void ResetShellState() {
    CallLog.clear();
    Fake = FakeSettings{};
    ResetWindowTable();
    ResetMessageQueue();
    SetPlatformBackend(nullptr);
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

// ---- accelerator fakes ----------------------------------------------------------------

extern "C" {

void __wrap_grGlideInit(void) { Log("grGlideInit()"); }
FxBool __wrap_grSstQueryHardware(GrHwConfiguration*) {
    Log("grSstQueryHardware()");
    return Fake.hardwarePresent;
}
void __wrap_grSstSelect(int which) { Log("grSstSelect(%d)", which); }
FxBool __wrap_grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t fmt,
                        GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int buffers) {
    Log("grSstOpen(%d,%d,%d,%d,%d,%d)", res, refresh, fmt, origin, smoothing, buffers);
    return FXTRUE;
}
void __wrap_grGlideShutdown(void) { Log("grGlideShutdown()"); }
void __wrap_grSstPassthruMode(GrPassthruMode_t mode) { Log("grSstPassthruMode(%d)", mode); }
void __wrap_grRenderBuffer(GrBuffer_t buffer) { Log("grRenderBuffer(%d)", buffer); }
void __wrap_grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth) {
    Log("grBufferClear(%u,%u,0x%X)", colour, alpha, depth);
}
void __wrap_grBufferSwap(int interval) { Log("grBufferSwap(%d)", interval); }
void __wrap_grDepthBufferMode(GrDepthBufferMode_t mode) { Log("grDepthBufferMode(%d)", mode); }
void __wrap_grDepthBufferFunction(GrCmpFnc_t function) { Log("grDepthBufferFunction(%d)", function); }
void __wrap_grDepthMask(FxBool enable) { Log("grDepthMask(%d)", enable); }
void __wrap_grAlphaCombine(GrCombineFunction_t f, GrCombineFactor_t factor, GrCombineLocal_t local,
                           GrCombineOther_t other, FxBool invert) {
    Log("grAlphaCombine(%d,%d,%d,%d,%d)", f, factor, local, other, invert);
}
void __wrap_grAlphaBlendFunction(GrAlphaBlendFnc_t a, GrAlphaBlendFnc_t b, GrAlphaBlendFnc_t c, GrAlphaBlendFnc_t d) {
    Log("grAlphaBlendFunction(%d,%d,%d,%d)", a, b, c, d);
}
void __wrap_grFogMode(GrFogMode_t mode) { Log("grFogMode(%d)", mode); }
void __wrap_grFogTable(const GrFog_t table[GR_FOG_TABLE_SIZE]) { Log("grFogTable(%u,%u)", table[0], table[63]); }
void __wrap_grFogColorValue(GrColor_t colour) { Log("grFogColorValue(%u)", colour); }
void __wrap_guFogGenerateExp2(GrFog_t table[GR_FOG_TABLE_SIZE], float density) {
    Log("guFogGenerateExp2(%.7g)", static_cast<double>(density));
    // A recognisable table, so grFogTable can be checked to get this one.
    for (int i = 0; i < GR_FOG_TABLE_SIZE; ++i) table[i] = static_cast<GrFog_t>(i * 4);
}
void __wrap_grHints(GrHint_t type, FxU32 value) { Log("grHints(%u,%u)", type, value); }
void __wrap_guColorCombineFunction(GrColorCombineFnc_t f) { Log("guColorCombineFunction(%d)", f); }
void __wrap_guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t f) { Log("guTexCombineFunction(%d,%d)", tmu, f); }
void __wrap_guMPInit(void) { Log("guMPInit()"); }

// ---- other subsystems' entry points ---------------------------------------------------

void __wrap__Z17BuildInvSqrtTablev() { Log("BuildInvSqrtTable()"); }

int __wrap__Z9LoadScenePKcR5ActorPPS1_PP5LightPi(const char* path, Actor& camera, Actor** actors, Light** lights,
                                                  int* lightCount) {
    Log("LoadScene(%s)", path);
    Fake.loadedPath = path;
    Fake.glideReadyAtLoad = GlideReady;
    camera.position = Vec3(0.0f, 0.0f, -10.0f);
    *actors = FakeActors;
    *lights = nullptr;
    *lightCount = 0;
    return Fake.actorCount;
}

void __wrap__ZN4Font8FontInitEPKc(Font*, const char* name) { Log("FontInit(%s)", name ? name : "null"); }

void __wrap__ZN4Font8DrawTextEffffPKc(Font*, float x, float y, float w, float h, const char* text) {
    Log("DrawText(%g,%g,%g,%g,%s)", static_cast<double>(x), static_cast<double>(y), static_cast<double>(w),
        static_cast<double>(h), text);
}

void __wrap__ZN12InputDevices4InitEP11HINSTANCE__P6HWND__(InputDevices*, HINSTANCE, HWND window) {
    Log("Input.Init(%s)", window == MainWindow && window != nullptr ? "MainWindow" : "other");
}

void __wrap__Z16UpdateNavigationv() { Log("UpdateNavigation()"); }

void __wrap__Z11RenderActorR5ActorS0_P5Lighti(Actor& actor, Actor& camera, Light*, int lightCount) {
    Log("RenderActor(%d,%s,%d)", ActorIndex(&actor), &camera == &Scene.camera ? "camera" : "other", lightCount);
}

std::uint64_t __wrap__Z16ReadCycleCounterv() {
    std::uint64_t value;
    if (!Fake.cycles.empty()) {
        value = Fake.cycles.front();
        Fake.cycles.erase(Fake.cycles.begin());
    } else {
        value = Fake.lastCycle + Fake.cycleStep;
    }
    Fake.lastCycle = value;
    Log("ReadCycleCounter()");
    return value;
}

// ---- window stand-ins, recorded and passed on --------------------------------------------

ATOM __real__Z14RegisterClassAPK9WNDCLASSA(const WNDCLASSA*);
HWND __real__Z15CreateWindowExAjPKcS0_jiiiiP6HWND__P7HMENU__P11HINSTANCE__Pv(DWORD, LPCSTR, LPCSTR, DWORD, int, int,
                                                                             int, int, HWND, HMENU, HINSTANCE, LPVOID);
BOOL __real__Z10ShowWindowP6HWND__i(HWND, int);
BOOL __real__Z12UpdateWindowP6HWND__(HWND);
HWND __real__Z8SetFocusP6HWND__(HWND);
HICON __real__Z9LoadIconAP11HINSTANCE__PKc(HINSTANCE, LPCSTR);
HCURSOR __real__Z11LoadCursorAP11HINSTANCE__PKc(HINSTANCE, LPCSTR);
BOOL __real__Z12PeekMessageAP3MSGP6HWND__jjj(MSG*, HWND, UINT, UINT, UINT);
BOOL __real__Z11GetMessageAP3MSGP6HWND__jj(MSG*, HWND, UINT, UINT);
BOOL __real__Z16TranslateMessagePK3MSG(const MSG*);
LRESULT __real__Z16DispatchMessageAPK3MSG(const MSG*);
BOOL __real__Z11WaitMessagev();
BOOL __real__Z12PostMessageAP6HWND__jml(HWND, UINT, WPARAM, LPARAM);
void __real__Z15PostQuitMessagei(int);
int __real__Z11MessageBoxAP6HWND__PKcS2_j(HWND, LPCSTR, LPCSTR, UINT);
LRESULT __real__Z14DefWindowProcAP6HWND__jml(HWND, UINT, WPARAM, LPARAM);

ATOM __wrap__Z14RegisterClassAPK9WNDCLASSA(const WNDCLASSA* c) {
    if (Fake.logPlatform)
        Log("RegisterClassA(style=%u,proc=%d,extra=%d/%d,icon=%d,cursor=%d,brush=%d,menu=%s,class=%s)", c->style,
            c->lpfnWndProc != nullptr, c->cbClsExtra, c->cbWndExtra, c->hIcon != nullptr, c->hCursor != nullptr,
            static_cast<int>(reinterpret_cast<std::uintptr_t>(c->hbrBackground)), c->lpszMenuName, c->lpszClassName);
    return __real__Z14RegisterClassAPK9WNDCLASSA(c);
}
HWND __wrap__Z15CreateWindowExAjPKcS0_jiiiiP6HWND__P7HMENU__P11HINSTANCE__Pv(DWORD ex, LPCSTR cls, LPCSTR name,
                                                                             DWORD style, int x, int y, int w, int h,
                                                                             HWND parent, HMENU menu, HINSTANCE inst,
                                                                             LPVOID param) {
    if (Fake.logPlatform)
        Log("CreateWindowExA(%u,%s,%s,0x%X,%d,%d,%d,%d,%d,%d,%d)", ex, cls, name, style, x == CW_USEDEFAULT,
            y == CW_USEDEFAULT, w == CW_USEDEFAULT, h == CW_USEDEFAULT, parent != nullptr, menu != nullptr,
            param != nullptr);
    return __real__Z15CreateWindowExAjPKcS0_jiiiiP6HWND__P7HMENU__P11HINSTANCE__Pv(ex, cls, name, style, x, y, w, h,
                                                                                  parent, menu, inst, param);
}
BOOL __wrap__Z10ShowWindowP6HWND__i(HWND window, int command) {
    if (Fake.logPlatform) Log("ShowWindow(%d)", command);
    return __real__Z10ShowWindowP6HWND__i(window, command);
}
BOOL __wrap__Z12UpdateWindowP6HWND__(HWND window) {
    if (Fake.logPlatform) Log("UpdateWindow()");
    return __real__Z12UpdateWindowP6HWND__(window);
}
HWND __wrap__Z8SetFocusP6HWND__(HWND window) {
    if (Fake.logPlatform) Log("SetFocus()");
    return __real__Z8SetFocusP6HWND__(window);
}
HICON __wrap__Z9LoadIconAP11HINSTANCE__PKc(HINSTANCE inst, LPCSTR name) {
    if (Fake.logPlatform)
        Log("LoadIconA(%d,%d)", inst != nullptr, static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
    return __real__Z9LoadIconAP11HINSTANCE__PKc(inst, name);
}
HCURSOR __wrap__Z11LoadCursorAP11HINSTANCE__PKc(HINSTANCE inst, LPCSTR name) {
    if (Fake.logPlatform)
        Log("LoadCursorA(%d,%d)", inst != nullptr, static_cast<int>(reinterpret_cast<std::uintptr_t>(name)));
    return __real__Z11LoadCursorAP11HINSTANCE__PKc(inst, name);
}
BOOL __wrap__Z12PeekMessageAP3MSGP6HWND__jjj(MSG* msg, HWND window, UINT a, UINT b, UINT remove) {
    const BOOL result = __real__Z12PeekMessageAP3MSGP6HWND__jjj(msg, window, a, b, remove);
    if (Fake.logMessagePump) Log("PeekMessageA(%u)=%d", remove, result);
    return result;
}
BOOL __wrap__Z11GetMessageAP3MSGP6HWND__jj(MSG* msg, HWND window, UINT a, UINT b) {
    const BOOL result = __real__Z11GetMessageAP3MSGP6HWND__jj(msg, window, a, b);
    if (Fake.logMessagePump) Log("GetMessageA()=%d", result);
    return result;
}
BOOL __wrap__Z16TranslateMessagePK3MSG(const MSG* msg) {
    if (Fake.logMessagePump) Log("TranslateMessage(0x%X)", msg->message);
    return __real__Z16TranslateMessagePK3MSG(msg);
}
LRESULT __wrap__Z16DispatchMessageAPK3MSG(const MSG* msg) {
    if (Fake.logMessagePump) Log("DispatchMessageA(0x%X)", msg->message);
    return __real__Z16DispatchMessageAPK3MSG(msg);
}
BOOL __wrap__Z11WaitMessagev() {
    if (Fake.logPlatform) Log("WaitMessage()");
    return __real__Z11WaitMessagev();
}
BOOL __wrap__Z12PostMessageAP6HWND__jml(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fake.logPlatform)
        Log("PostMessageA(%s,0x%X,%lu,%ld)", window == MainWindow && window ? "MainWindow" : "other", message,
            static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    return __real__Z12PostMessageAP6HWND__jml(window, message, wParam, lParam);
}
void __wrap__Z15PostQuitMessagei(int code) {
    if (Fake.logPlatform) Log("PostQuitMessage(%d)", code);
    __real__Z15PostQuitMessagei(code);
}
int __wrap__Z11MessageBoxAP6HWND__PKcS2_j(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (Fake.logPlatform) Log("MessageBoxA(%d,%s,%u)", owner != nullptr, caption, type);
    return __real__Z11MessageBoxAP6HWND__PKcS2_j(owner, text, caption, type);
}
LRESULT __wrap__Z14DefWindowProcAP6HWND__jml(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fake.logPlatform) Log("DefWindowProcA(0x%X)", message);
    return __real__Z14DefWindowProcAP6HWND__jml(window, message, wParam, lParam);
}

}  // extern "C"

// The fakes above replace functions by their mangled names (tests.cmake
// wraps those names at link time). Each one must have the signature of the
// declaration it stands in for: a changed declaration, whose mangled name
// changes with it, fails to compile here instead of leaving the real
// function running under the tests unnoticed.
#define FAKE_MATCHES(declaration, fake) \
    static_assert(std::is_same_v<decltype(&declaration), decltype(&fake)>, #declaration " changed: update its fake")
FAKE_MATCHES(BuildInvSqrtTable, __wrap__Z17BuildInvSqrtTablev);
FAKE_MATCHES(LoadScene, __wrap__Z9LoadScenePKcR5ActorPPS1_PP5LightPi);
FAKE_MATCHES(UpdateNavigation, __wrap__Z16UpdateNavigationv);
FAKE_MATCHES(RenderActor, __wrap__Z11RenderActorR5ActorS0_P5Lighti);
FAKE_MATCHES(ReadCycleCounter, __wrap__Z16ReadCycleCounterv);
FAKE_MATCHES(RegisterClassA, __wrap__Z14RegisterClassAPK9WNDCLASSA);
FAKE_MATCHES(CreateWindowExA, __wrap__Z15CreateWindowExAjPKcS0_jiiiiP6HWND__P7HMENU__P11HINSTANCE__Pv);
FAKE_MATCHES(ShowWindow, __wrap__Z10ShowWindowP6HWND__i);
FAKE_MATCHES(UpdateWindow, __wrap__Z12UpdateWindowP6HWND__);
FAKE_MATCHES(SetFocus, __wrap__Z8SetFocusP6HWND__);
FAKE_MATCHES(LoadIconA, __wrap__Z9LoadIconAP11HINSTANCE__PKc);
FAKE_MATCHES(LoadCursorA, __wrap__Z11LoadCursorAP11HINSTANCE__PKc);
FAKE_MATCHES(PeekMessageA, __wrap__Z12PeekMessageAP3MSGP6HWND__jjj);
FAKE_MATCHES(GetMessageA, __wrap__Z11GetMessageAP3MSGP6HWND__jj);
FAKE_MATCHES(TranslateMessage, __wrap__Z16TranslateMessagePK3MSG);
FAKE_MATCHES(DispatchMessageA, __wrap__Z16DispatchMessageAPK3MSG);
FAKE_MATCHES(WaitMessage, __wrap__Z11WaitMessagev);
FAKE_MATCHES(PostMessageA, __wrap__Z12PostMessageAP6HWND__jml);
FAKE_MATCHES(PostQuitMessage, __wrap__Z15PostQuitMessagei);
FAKE_MATCHES(MessageBoxA, __wrap__Z11MessageBoxAP6HWND__PKcS2_j);
FAKE_MATCHES(DefWindowProcA, __wrap__Z14DefWindowProcAP6HWND__jml);
#undef FAKE_MATCHES
// The member functions' fakes take the object first.
static_assert(std::is_same_v<decltype(&Font::FontInit), void (Font::*)(const char*)> &&
              std::is_same_v<decltype(&__wrap__ZN4Font8FontInitEPKc), void (*)(Font*, const char*)>);
static_assert(std::is_same_v<decltype(&Font::DrawText), void (Font::*)(float, float, float, float, const char*)> &&
              std::is_same_v<decltype(&__wrap__ZN4Font8DrawTextEffffPKc),
                             void (*)(Font*, float, float, float, float, const char*)>);
static_assert(std::is_same_v<decltype(&InputDevices::Init), void (InputDevices::*)(HINSTANCE, HWND)> &&
              std::is_same_v<decltype(&__wrap__ZN12InputDevices4InitEP11HINSTANCE__P6HWND__),
                             void (*)(InputDevices*, HINSTANCE, HWND)>);
