// DirectInput over the headless input table: the script runner writes
// HeadlessInput before each frame, the polls read it. Mouse motion is taken
// by the read that reports it. The failure-injection fields make reads or
// acquires fail so that the system's recovery paths can be exercised.
#include <cstring>

#include "platform/dinput.h"
#include "platform/dinput_backend.h"
#include "platform/headless/headless_input.h"

namespace {

class HeadlessDevice : public IDirectInputDevice {
public:
    explicit HeadlessDevice(bool isMouse) : isMouse_(isMouse) {}

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override {
        if (format == nullptr) return DIERR_INVALIDPARAM;
        dataSize_ = format->dwDataSize;
        return DI_OK;
    }
    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        bool exclusive = false, foreground = false;
        return dinput_backend::CooperativeLevelValid(flags, &exclusive, &foreground) ? DI_OK : DIERR_INVALIDPARAM;
    }
    HRESULT Acquire() override {
        if (dataSize_ == 0) return DIERR_INVALIDPARAM;
        bool fail = isMouse_ ? HeadlessInput.failMouseAcquire : HeadlessInput.failKeyboardAcquire;
        if (fail) return DIERR_OTHERAPPHASPRIO;
        acquired_ = true;
        return DI_OK;
    }
    HRESULT Unacquire() override {
        acquired_ = false;
        return DI_OK;
    }
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        if (data == nullptr || size != dataSize_ || dataSize_ == 0) return DIERR_INVALIDPARAM;
        if (!acquired_) return DIERR_NOTACQUIRED;
        int& failReads = isMouse_ ? HeadlessInput.failMouseReads : HeadlessInput.failKeyboardReads;
        if (failReads > 0) {
            // A lost device stays lost until acquired again.
            --failReads;
            acquired_ = false;
            return DIERR_INPUTLOST;
        }
        if (isMouse_) {
            DIMOUSESTATE state = {};
            state.lX = HeadlessInput.mouseDx;
            state.lY = HeadlessInput.mouseDy;
            for (int i = 0; i < 4; ++i) state.rgbButtons[i] = HeadlessInput.mouseButtons[i];
            HeadlessInput.mouseDx = 0;
            HeadlessInput.mouseDy = 0;
            std::memcpy(data, &state, sizeof(state));
        } else {
            std::memcpy(data, HeadlessInput.keys, sizeof(HeadlessInput.keys));
        }
        return DI_OK;
    }

private:
    bool isMouse_;
    DWORD dataSize_ = 0;
    bool acquired_ = false;
};


static_assert(sizeof(HeadlessInputState::keys) == 256, "the key table is indexed by scan code");

}  // namespace

LPDIRECTINPUT dinput_backend::CreateHeadless() {
    return KeepForRun<IDirectInput>(new BackendDirectInput<HeadlessDevice>());
}
