// DirectInput over SDL. The keyboard is SDL's key state by physical key
// position; the mouse is SDL's relative motion, accumulated by SDL between
// two reads, with the left, right and middle buttons.
//
// An exclusive foreground mouse is held by the window (SDL relative mode:
// cursor hidden and confined) while the window has the input focus, and let
// go when it has not; reads while in the background report no motion and no
// buttons. Acquiring never fails: the window may not have the focus yet when
// the devices are set up at start-up.
#include <SDL.h>

#include <cstring>

#include "platform/dinput.h"
#include "platform/dinput_backend.h"
#include "platform/sdl/sdl_dinput_keymap.h"

namespace {

bool WindowHasFocus() { return SDL_GetKeyboardFocus() != nullptr; }

class SdlDevice : public IDirectInputDevice {
public:
    explicit SdlDevice(bool isMouse) : isMouse_(isMouse) {}

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
        if (format == nullptr) return DIERR_INVALIDPARAM;
        dataSize_ = format->dwDataSize;
        return DI_OK;
    }
    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        bool exclusive = false, foreground = false;
        if (!dinput_backend::CooperativeLevelValid(flags, &exclusive, &foreground)) return DIERR_INVALIDPARAM;
        holdsMouse_ = isMouse_ && exclusive && foreground;
        return DI_OK;
    }
    HRESULT Acquire() override {
        if (dataSize_ == 0) return DIERR_INVALIDPARAM;
        acquired_ = true;
        return DI_OK;
    }
    HRESULT Unacquire() override {
        acquired_ = false;
        SetHeld(false);
        return DI_OK;
    }
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (data == nullptr || size != dataSize_ || dataSize_ == 0) return DIERR_INVALIDPARAM;
        if (!acquired_) return DIERR_NOTACQUIRED;
        if (isMouse_) {
            ReadMouse(static_cast<DIMOUSESTATE*>(data));
        } else {
            int count = 0;
            const Uint8* state = SDL_GetKeyboardState(&count);
            FillDikTable(state, count, static_cast<std::uint8_t*>(data));
        }
        return DI_OK;
    }

private:
    void SetHeld(bool held) {
        if (!holdsMouse_ || held == held_) return;
        SDL_SetRelativeMouseMode(held ? SDL_TRUE : SDL_FALSE);
        // Motion from before the change is not the user's steering.
        SDL_GetRelativeMouseState(nullptr, nullptr);
        held_ = held;
    }

    void ReadMouse(DIMOUSESTATE* out) {
        DIMOUSESTATE state = {};
        bool focused = WindowHasFocus();
        SetHeld(focused);
        if (focused) {
            int dx = 0, dy = 0;
            Uint32 buttons = SDL_GetRelativeMouseState(&dx, &dy);
            state.lX = dx;
            state.lY = dy;
            state.rgbButtons[0] = (buttons & SDL_BUTTON_LMASK) ? 0x80 : 0;
            state.rgbButtons[1] = (buttons & SDL_BUTTON_RMASK) ? 0x80 : 0;
            state.rgbButtons[2] = (buttons & SDL_BUTTON_MMASK) ? 0x80 : 0;
            state.rgbButtons[3] = (buttons & SDL_BUTTON_X1MASK) ? 0x80 : 0;
        } else {
            SDL_GetRelativeMouseState(nullptr, nullptr);
        }
        std::memcpy(out, &state, sizeof(state));
    }

    bool isMouse_;
    DWORD dataSize_ = 0;
    bool acquired_ = false;
    bool holdsMouse_ = false;
    bool held_ = false;
};


}  // namespace

LPDIRECTINPUT dinput_backend::CreateSdl() {
    return KeepForRun<IDirectInput>(new BackendDirectInput<SdlDevice>());
}
