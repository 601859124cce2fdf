#include "app/winmain.h"

#include <cstdio>

#include "app/app_globals.h"
#include "app/frame_stats.h"
#include "app/progress_signal.h"
#include "app/render_flags.h"
#include "app/window_proc.h"
#include "glide.h"
#include "input/input_devices.h"
#include "input/navigation.h"
#include "render/actor_renderer.h"
#include "render/fast_inv_sqrt.h"
#include "render/font.h"
#include "render/front_end.h"
#include "render/init_graphics.h"
#include "scene/records.h"
#include "scene/scene_loader.h"

HWND MainWindow = nullptr;

namespace {

constexpr const char* kWindowName = "Tarnview";
constexpr const char* kDefaultScene = "objects.scn";
constexpr int kApplicationIconId = 32512;
// COLOR_SCROLLBAR + 1: the class background brush as a system colour index.
constexpr std::uintptr_t kBackgroundBrush = 1;

void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kApplicationIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(kBackgroundBrush);
    windowClass.lpszMenuName = kWindowName;
    windowClass.lpszClassName = kWindowName;
    RegisterClassA(&windowClass);  // the result is not needed: a failure shows at creation
}

HWND CreateMainWindow(HINSTANCE instance, int showCommand) {
    HWND window = CreateWindowExA(0, kWindowName, kWindowName, WS_OVERLAPPEDWINDOW | WS_MAXIMIZE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window != nullptr) {
        ShowWindow(window, showCommand);
        UpdateWindow(window);
        SetFocus(window);
    }
    return window;
}

}  // namespace

const char* ScenePathFromCommandLine(const char* commandLine) {
    if (commandLine == nullptr || commandLine[0] == '\0') return kDefaultScene;
    return commandLine;
}

void RenderFrame() {
    PerfStats.FrameStart();
    grRenderBuffer(GR_BUFFER_BACKBUFFER);
    grBufferClear(0, 0, ClearDepthForFlags(RenderFlags));

    // The rate of the previous frame: infinite on the very first frame.
    char text[256];
    std::snprintf(text, sizeof text, "PERF: %.2f FPS", 1.0 / static_cast<double>(PerfStats.last));
    TextFont.DrawText(5.0f, 5.0f, 15.0f, 20.0f, text);

    UpdateNavigation();
    for (int i = 0; i < Scene.actorCount; ++i) RenderActor(Scene.actors[i], Scene.camera, Scene.lights, Scene.lightCount);

    grBufferSwap(1);
    PerfStats.FrameEnd();
    AnswerProgressRequest(PerfStats.count);
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    BuildInvSqrtTable();
    RegisterWindowClass(instance);
    MainWindow = CreateMainWindow(instance, showCommand);
    const char* scenePath = ScenePathFromCommandLine(commandLine);
    Input.Init(instance, MainWindow);
    InitGraphics();
    TextFont.FontInit(nullptr);
    GlideReady = 1;
    Scene.actorCount = LoadScene(scenePath, Scene.camera, &Scene.actors, &Scene.lights, &Scene.lightCount);
    // The front end's working arrays take the scene's largest object now, so
    // that not even the first frame allocates for them.
    for (int a = 0; a < Scene.actorCount; ++a) ReserveFrontEnd(Scene.actors[a]);
    grSstPassthruMode(GR_PASSTHRU_SHOW_SST1);

    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (GetMessageA(&msg, nullptr, 0, 0) == 0) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (AppActive) {
            RenderFrame();
        } else {
            WaitMessage();
        }
    }
}
