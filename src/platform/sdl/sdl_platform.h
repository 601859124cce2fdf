// The windowed host: one SDL window titled "Tarnview" that shows the
// device's front buffer, SDL events as window messages, SDL message boxes.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "glide_device.h"
#include "platform/platform_backend.h"

class SdlDisplayOutput;

class SdlPlatform final : public PlatformBackend {
public:
    // SIGINT and SIGTERM stay the program's own (signal_cleanup.h): SDL
    // would turn them into a quit event that a message box never reads.
    SdlPlatform();
    ~SdlPlatform() override;
    PlatformKind Kind() const override { return PlatformKind::Sdl; }
    bool CreateMainWindow(const char* title) override;
    void ShowMainWindow(bool maximized) override;
    void DestroyMainWindow() override;
    void PumpEvents(HWND window) override;
    void WaitForEvents(HWND window) override;
    void ShowMessageBox(const char* caption, const char* text) override;

    // Starts SDL's video on a display that shows something. False with the
    // reason when there is none (no display named, or none reachable).
    bool StartVideo(std::string* reason);

    // While a script steers the program, the user's keys other than Escape
    // and F12 and the window's focus changes are not passed on.
    void SetScriptedInput(bool scripted) { scripted_ = scripted; }

    SDL_Window* Window() const { return window_; }
    // The output that redraws when the window is exposed or resized.
    void AttachOutput(SdlDisplayOutput* output) { output_ = output; }

private:
    SDL_Window* window_ = nullptr;
    SdlDisplayOutput* output_ = nullptr;
    bool videoStarted_ = false;
    bool scripted_ = false;
};

// The device's picture in the SDL window, scaled to the window keeping 4:3
// with black bars; waits for the retrace on swap interval 1 where the
// renderer offers vsync.
class SdlDisplayOutput final : public glide::DisplayOutput {
public:
    explicit SdlDisplayOutput(SdlPlatform& platform) : platform_(platform) {}
    ~SdlDisplayOutput() override;
    bool Open() override;
    void Present(const std::uint16_t* frontBuffer, bool waitRetrace) override;
    void SetPassthrough(bool showDevice) override;
    void Close() override;
    // Draws the last picture again (window exposed or resized).
    void Redraw();

private:
    void Draw();

    SdlPlatform& platform_;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    bool showDevice_ = false;
    bool hasPicture_ = false;
    int vsync_ = -1;  // -1 unknown, else the renderer's current setting
};
