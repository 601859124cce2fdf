#include "platform/sdl/sdl_platform.h"

#include <cstdio>
#include <cstring>

#include "platform/sdl/sdl_keymap.h"
#include "platform/win32_api.h"
#include "support/signal_cleanup.h"

namespace {

constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 480;

// On X11 / Wayland hosts a display is named by the environment; without one
// SDL would only probe and fall back to drawing nowhere.
bool DisplayNamed() {
#if defined(__linux__)
    return SDL_getenv("DISPLAY") != nullptr || SDL_getenv("WAYLAND_DISPLAY") != nullptr ||
           SDL_getenv("SDL_VIDEODRIVER") != nullptr;
#else
    return true;
#endif
}

// SDL falls back to drivers that draw nowhere when no display can be
// reached; only an explicit SDL_VIDEODRIVER choice of one of them counts.
bool HasRealDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) return false;
    const bool drawsNowhere = std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
                              std::strcmp(driver, "evdev") == 0;
    if (!drawsNowhere) return true;
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    return requested != nullptr && std::strcmp(requested, driver) == 0;
}

}  // namespace

SdlPlatform::SdlPlatform() { SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1"); }

SdlPlatform::~SdlPlatform() {
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (videoStarted_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlPlatform::StartVideo(std::string* reason) {
    if (videoStarted_) return true;
    if (!DisplayNamed()) {
        *reason = "neither DISPLAY nor WAYLAND_DISPLAY is set";
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *reason = std::string("SDL cannot start its video: ") + SDL_GetError();
        return false;
    }
    if (!HasRealDisplay()) {
        const char* driver = SDL_GetCurrentVideoDriver();
        *reason = std::string("SDL reached no display, only its \"") + (driver != nullptr ? driver : "") +
                  "\" video driver";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    videoStarted_ = true;
    return true;
}

bool SdlPlatform::CreateMainWindow(const char* title) {
    // No display: no window, and the device then finds no board.
    std::string reason;
    if (!StartVideo(&reason)) return false;
    if (window_ != nullptr) return true;
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kInitialWidth, kInitialHeight,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    return window_ != nullptr;
}

void SdlPlatform::ShowMainWindow(bool maximized) {
    if (window_ == nullptr) return;
    SDL_ShowWindow(window_);
    if (maximized) SDL_MaximizeWindow(window_);
    SDL_RaiseWindow(window_);
}

void SdlPlatform::DestroyMainWindow() {
    if (window_ == nullptr) return;
    SDL_HideWindow(window_);
}

void SdlPlatform::PumpEvents(HWND window) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN: {
            // Auto-repeat arrives as further key-downs, as on Windows.
            const int key = VirtualKeyFromSdl(event.key.keysym.sym);
            if (scripted_ && key != VK_ESCAPE && key != VK_F12) break;
            if (key != 0) PostMessageA(window, WM_KEYDOWN, static_cast<WPARAM>(key), 0);
            break;
        }
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                if (!scripted_) PostMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST:
                if (!scripted_) PostMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
                break;
            case SDL_WINDOWEVENT_CLOSE: PostMessageA(window, WM_CLOSE, 0, 0); break;
            case SDL_WINDOWEVENT_EXPOSED:
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                if (output_ != nullptr) output_->Redraw();
                break;
            default: break;
            }
            break;
        case SDL_QUIT: PostMessageA(window, WM_CLOSE, 0, 0); break;
        default: break;
        }
    }
}

void SdlPlatform::WaitForEvents(HWND) {
    if (!videoStarted_) return;  // nothing could ever arrive
    SDL_WaitEvent(nullptr);
}

void SdlPlatform::ShowMessageBox(const char* caption, const char* text) {
    const bool isError = std::strcmp(caption, kFatalErrorCaption) == 0;
    // The report also goes to stdout, where a benchmark run can keep it.
    if (!isError) PrintMessageBox(caption, text);
    const Uint32 flags = isError ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    // SDL shows the box from a child process on X11: a signal that ends the
    // program takes the box with it.
    tarn::EndChildrenOnSignal(true);
    const bool shown = SDL_ShowSimpleMessageBox(flags, caption, text, window_) == 0;
    tarn::EndChildrenOnSignal(false);
    if (!shown && isError) {
        // The box cannot open (no display): the error still reaches the user.
        PrintMessageBox(caption, text);
    }
}

// ---- display output ------------------------------------------------------------

SdlDisplayOutput::~SdlDisplayOutput() { Close(); }

bool SdlDisplayOutput::Open() {
    if (renderer_ != nullptr) return true;
    SDL_Window* window = platform_.Window();
    if (window == nullptr) return false;
    renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_ == nullptr) return false;
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING, glide::kScreenWidth,
                                 glide::kScreenHeight);
    if (texture_ == nullptr) {
        SDL_DestroyRenderer(renderer_);
        renderer_ = nullptr;
        return false;
    }
    SDL_RendererInfo info;
    vsync_ = (SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC)) ? 1 : 0;
    hasPicture_ = false;
    Draw();
    return true;
}

void SdlDisplayOutput::Present(const std::uint16_t* frontBuffer, bool waitRetrace) {
    if (renderer_ == nullptr || frontBuffer == nullptr) return;
    SDL_UpdateTexture(texture_, nullptr, frontBuffer, glide::kScreenWidth * 2);
    hasPicture_ = true;
    const int wanted = waitRetrace ? 1 : 0;
    if (vsync_ != wanted && SDL_RenderSetVSync(renderer_, wanted) == 0) vsync_ = wanted;
    Draw();
}

void SdlDisplayOutput::SetPassthrough(bool showDevice) {
    showDevice_ = showDevice;
    Draw();
}

void SdlDisplayOutput::Close() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) {
        // Leave the window black once the device is gone.
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_RenderPresent(renderer_);
        SDL_DestroyRenderer(renderer_);
    }
    texture_ = nullptr;
    renderer_ = nullptr;
    hasPicture_ = false;
    showDevice_ = false;
}

void SdlDisplayOutput::Redraw() { Draw(); }

void SdlDisplayOutput::Draw() {
    if (renderer_ == nullptr) return;
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    if (showDevice_ && hasPicture_) {
        int width = 0;
        int height = 0;
        SDL_GetRendererOutputSize(renderer_, &width, &height);
        // Largest 4:3 rectangle that fits, centred.
        SDL_Rect target{0, 0, width, height};
        if (width * 3 > height * 4) {
            target.w = height * 4 / 3;
            target.x = (width - target.w) / 2;
        } else {
            target.h = width * 3 / 4;
            target.y = (height - target.h) / 2;
        }
        // The device's row 0 is the bottom of the screen.
        SDL_RenderCopyEx(renderer_, texture_, nullptr, &target, 0.0, nullptr, SDL_FLIP_VERTICAL);
    }
    SDL_RenderPresent(renderer_);
}
