// Playing a script in the window (`tarnview --script FILE`): the window, its
// picture and its boxes are SDL's, the input is the script's, delivered as
// the headless host delivers it, so a recorded flight plays on screen frame
// for frame, like watching a timedemo. The user's Escape or F12 ends it
// early; other keys and the window's focus do not steer it.
#pragma once

#include "platform/headless/headless_platform.h"
#include "platform/platform_backend.h"
#include "platform/sdl/sdl_platform.h"

class SdlScriptPlatform final : public PlatformBackend {
public:
    // Both must outlive this host. The window's own input is held back
    // (SdlPlatform::SetScriptedInput) once this host is chosen.
    SdlScriptPlatform(SdlPlatform& window, HeadlessPlatform& script) : window_(window), script_(script) {}

    PlatformKind Kind() const override { return PlatformKind::ScriptedWindow; }
    bool CreateMainWindow(const char* title) override { return window_.CreateMainWindow(title); }
    void ShowMainWindow(bool maximized) override { window_.ShowMainWindow(maximized); }
    void DestroyMainWindow() override { window_.DestroyMainWindow(); }
    void PumpEvents(HWND window) override {
        window_.PumpEvents(window);
        script_.PumpEvents(window);
    }
    // The script never waits: while it holds the window inactive its next
    // events come at once.
    void WaitForEvents(HWND window) override {
        window_.PumpEvents(window);
        script_.WaitForEvents(window);
    }
    void ShowMessageBox(const char* caption, const char* text) override { window_.ShowMessageBox(caption, text); }

private:
    SdlPlatform& window_;
    HeadlessPlatform& script_;
};
