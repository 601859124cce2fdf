// What the DirectInput backends (SDL and headless) share: keeping their
// objects for the whole run, the cooperative-level check, and the
// DirectInput object that hands out one device kind for the mouse and the
// keyboard.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "platform/dinput.h"
#include "platform/input_recorder.h"

namespace dinput_backend {

// DirectInput objects are never released; the backend keeps them so they
// stay reachable for the whole run.
template <typename T>
T* KeepForRun(T* object) {
    static std::vector<std::unique_ptr<T>> kept;
    kept.emplace_back(object);
    return object;
}

// Exactly one of exclusive / non-exclusive and one of foreground /
// background must be asked for. On success tells which were.
inline bool CooperativeLevelValid(DWORD flags, bool* exclusive, bool* foreground) {
    const bool isExclusive = (flags & DISCL_EXCLUSIVE) != 0, shared = (flags & DISCL_NONEXCLUSIVE) != 0;
    const bool isForeground = (flags & DISCL_FOREGROUND) != 0, background = (flags & DISCL_BACKGROUND) != 0;
    if (isExclusive == shared || isForeground == background) return false;
    *exclusive = isExclusive;
    *foreground = isForeground;
    return true;
}

// Hands every state a device reads successfully to the flight recorder:
// the polls are what the system consumed.
template <typename Device>
class RecordedDevice final : public Device {
public:
    explicit RecordedDevice(bool isMouse) : Device(isMouse), isMouse_(isMouse) {}
    HRESULT GetDeviceState(DWORD size, LPVOID data) override {
        const HRESULT result = Device::GetDeviceState(size, data);
        if (result != DI_OK) return result;
        if (isMouse_ && size == sizeof(DIMOUSESTATE)) FlightRecorder.MousePoll(*static_cast<DIMOUSESTATE*>(data));
        if (!isMouse_ && size == 256) FlightRecorder.KeyboardPoll(static_cast<const std::uint8_t*>(data));
        return result;
    }

private:
    bool isMouse_;
};

// The DirectInput object of one backend: Device(true) is the system mouse,
// Device(false) the system keyboard.
template <typename Device>
class BackendDirectInput : public IDirectInput {
public:
    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE* device, void* outer) override {
        if (device == nullptr || outer != nullptr) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (std::memcmp(&guid, &GUID_SysMouse, sizeof(GUID)) == 0) {
            *device = KeepForRun<IDirectInputDevice>(new RecordedDevice<Device>(true));
        } else if (std::memcmp(&guid, &GUID_SysKeyboard, sizeof(GUID)) == 0) {
            *device = KeepForRun<IDirectInputDevice>(new RecordedDevice<Device>(false));
        } else {
            return DIERR_DEVICENOTREG;
        }
        return DI_OK;
    }
};

}  // namespace dinput_backend
