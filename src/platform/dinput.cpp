#include "platform/dinput.h"

#include "platform/platform_backend.h"

// The identifiers of the two system devices (the values Windows gives them).
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 16, 0x2 /* relative axes */, sizeof(DIMOUSESTATE), 7,
                                  nullptr};
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 16, 0x1 /* absolute */, 256, 256, nullptr};

HRESULT DirectInputCreateA(HINSTANCE, DWORD version, LPDIRECTINPUT* out, void* outer) {
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    // Aggregation is not supported, and the version must be one the calls know.
    if (outer != nullptr || version < DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
    *out = ActivePlatformKind() == PlatformKind::Sdl ? dinput_backend::CreateSdl() : dinput_backend::CreateHeadless();
    return *out != nullptr ? DI_OK : DIERR_DEVICENOTREG;
}
