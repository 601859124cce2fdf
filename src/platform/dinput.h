// DirectInput 3 as the system uses it: one DirectInput object that creates
// the system keyboard and the system mouse, each given a data format and a
// cooperative level, acquired, and read whole with GetDeviceState.
//
// The calls behave as the Windows ones do for the system's purposes: 0
// (DI_OK) is success and every other result is a failure. Behind them sit
// two backends: SDL (the windowed program) and the headless input table
// (HeadlessInput, also used by tests and tools), chosen when the
// DirectInput object is created from the platform host in use.
//
// Sections: result codes and flags; scan codes; formats and states;
// interfaces; creation.
#pragma once

#include <cstdint>

#include "platform/win32_types.h"

// ---- result codes and flags --------------------------------------------------

constexpr HRESULT DI_OK = 0;
constexpr HRESULT DIERR_INVALIDPARAM = static_cast<HRESULT>(static_cast<std::int32_t>(0x80070057u));
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(static_cast<std::int32_t>(0x8007000Cu));
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(static_cast<std::int32_t>(0x8007001Eu));
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(static_cast<std::int32_t>(0x80070005u));
constexpr HRESULT DIERR_DEVICENOTREG = static_cast<HRESULT>(static_cast<std::int32_t>(0x80040154u));

constexpr DWORD DIRECTINPUT_VERSION = 0x0300;

constexpr DWORD DISCL_EXCLUSIVE = 0x1;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;
constexpr DWORD DISCL_FOREGROUND = 0x4;
constexpr DWORD DISCL_BACKGROUND = 0x8;

// ---- scan codes ----------------------------------------------------------------
// Positional codes of the PC keyboard (set 1): a code names a key's place,
// not the letter printed on it.

constexpr int DIK_ESCAPE = 0x01;
constexpr int DIK_1 = 0x02;
constexpr int DIK_2 = 0x03;
constexpr int DIK_3 = 0x04;
constexpr int DIK_4 = 0x05;
constexpr int DIK_5 = 0x06;
constexpr int DIK_6 = 0x07;
constexpr int DIK_7 = 0x08;
constexpr int DIK_8 = 0x09;
constexpr int DIK_9 = 0x0A;
constexpr int DIK_0 = 0x0B;
constexpr int DIK_MINUS = 0x0C;
constexpr int DIK_EQUALS = 0x0D;
constexpr int DIK_BACK = 0x0E;
constexpr int DIK_TAB = 0x0F;
constexpr int DIK_Q = 0x10;
constexpr int DIK_W = 0x11;
constexpr int DIK_E = 0x12;
constexpr int DIK_R = 0x13;
constexpr int DIK_T = 0x14;
constexpr int DIK_Y = 0x15;
constexpr int DIK_U = 0x16;
constexpr int DIK_I = 0x17;
constexpr int DIK_O = 0x18;
constexpr int DIK_P = 0x19;
constexpr int DIK_LBRACKET = 0x1A;
constexpr int DIK_RBRACKET = 0x1B;
constexpr int DIK_RETURN = 0x1C;
constexpr int DIK_LCONTROL = 0x1D;
constexpr int DIK_A = 0x1E;
constexpr int DIK_S = 0x1F;
constexpr int DIK_D = 0x20;
constexpr int DIK_F = 0x21;
constexpr int DIK_G = 0x22;
constexpr int DIK_H = 0x23;
constexpr int DIK_J = 0x24;
constexpr int DIK_K = 0x25;
constexpr int DIK_L = 0x26;
constexpr int DIK_SEMICOLON = 0x27;
constexpr int DIK_APOSTROPHE = 0x28;
constexpr int DIK_GRAVE = 0x29;
constexpr int DIK_LSHIFT = 0x2A;
constexpr int DIK_BACKSLASH = 0x2B;
constexpr int DIK_Z = 0x2C;
constexpr int DIK_X = 0x2D;
constexpr int DIK_C = 0x2E;
constexpr int DIK_V = 0x2F;
constexpr int DIK_B = 0x30;
constexpr int DIK_N = 0x31;
constexpr int DIK_M = 0x32;
constexpr int DIK_COMMA = 0x33;
constexpr int DIK_PERIOD = 0x34;
constexpr int DIK_SLASH = 0x35;
constexpr int DIK_RSHIFT = 0x36;
constexpr int DIK_MULTIPLY = 0x37;
constexpr int DIK_LMENU = 0x38;
constexpr int DIK_SPACE = 0x39;
constexpr int DIK_CAPITAL = 0x3A;
constexpr int DIK_F1 = 0x3B;
constexpr int DIK_F2 = 0x3C;
constexpr int DIK_F3 = 0x3D;
constexpr int DIK_F4 = 0x3E;
constexpr int DIK_F5 = 0x3F;
constexpr int DIK_F6 = 0x40;
constexpr int DIK_F7 = 0x41;
constexpr int DIK_F8 = 0x42;
constexpr int DIK_F9 = 0x43;
constexpr int DIK_F10 = 0x44;
constexpr int DIK_NUMLOCK = 0x45;
constexpr int DIK_SCROLL = 0x46;
constexpr int DIK_NUMPAD7 = 0x47;
constexpr int DIK_NUMPAD8 = 0x48;
constexpr int DIK_NUMPAD9 = 0x49;
constexpr int DIK_SUBTRACT = 0x4A;
constexpr int DIK_NUMPAD4 = 0x4B;
constexpr int DIK_NUMPAD5 = 0x4C;
constexpr int DIK_NUMPAD6 = 0x4D;
constexpr int DIK_ADD = 0x4E;
constexpr int DIK_NUMPAD1 = 0x4F;
constexpr int DIK_NUMPAD2 = 0x50;
constexpr int DIK_NUMPAD3 = 0x51;
constexpr int DIK_NUMPAD0 = 0x52;
constexpr int DIK_DECIMAL = 0x53;
constexpr int DIK_OEM_102 = 0x56;
constexpr int DIK_F11 = 0x57;
constexpr int DIK_F12 = 0x58;
constexpr int DIK_NUMPADENTER = 0x9C;
constexpr int DIK_RCONTROL = 0x9D;
constexpr int DIK_DIVIDE = 0xB5;
constexpr int DIK_SYSRQ = 0xB7;
constexpr int DIK_RMENU = 0xB8;
constexpr int DIK_PAUSE = 0xC5;
constexpr int DIK_HOME = 0xC7;
constexpr int DIK_UP = 0xC8;
constexpr int DIK_PRIOR = 0xC9;
constexpr int DIK_LEFT = 0xCB;
constexpr int DIK_RIGHT = 0xCD;
constexpr int DIK_END = 0xCF;
constexpr int DIK_DOWN = 0xD0;
constexpr int DIK_NEXT = 0xD1;
constexpr int DIK_INSERT = 0xD2;
constexpr int DIK_DELETE = 0xD3;
constexpr int DIK_LWIN = 0xDB;
constexpr int DIK_RWIN = 0xDC;
constexpr int DIK_APPS = 0xDD;

// ---- formats and states --------------------------------------------------------

struct GUID {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
typedef const GUID& REFGUID;

extern const GUID GUID_SysMouse;
extern const GUID GUID_SysKeyboard;

// A device's state layout; the system uses only the two predefined ones.
struct DIDATAFORMAT {
    DWORD dwSize;
    DWORD dwObjSize;
    DWORD dwFlags;
    DWORD dwDataSize;  // bytes GetDeviceState writes
    DWORD dwNumObjs;
    void* rgodf;
};
typedef const DIDATAFORMAT* LPCDIDATAFORMAT;

extern const DIDATAFORMAT c_dfDIMouse;     // DIMOUSESTATE, 16 bytes
extern const DIDATAFORMAT c_dfDIKeyboard;  // 256 key bytes

// Movement since the previous read in device counts; buttons 0x80 when held.
struct DIMOUSESTATE {
    LONG lX;
    LONG lY;
    LONG lZ;
    BYTE rgbButtons[4];
};
static_assert(sizeof(DIMOUSESTATE) == 16, "DIMOUSESTATE is 16 bytes");

// ---- interfaces ------------------------------------------------------------------

class IDirectInputDevice {
public:
    virtual ~IDirectInputDevice() = default;
    virtual HRESULT SetDataFormat(LPCDIDATAFORMAT format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    // Copies the whole state; size must be the data format's size.
    virtual HRESULT GetDeviceState(DWORD size, LPVOID data) = 0;
};
typedef IDirectInputDevice* LPDIRECTINPUTDEVICE;

class IDirectInput {
public:
    virtual ~IDirectInput() = default;
    // Only GUID_SysMouse and GUID_SysKeyboard name devices.
    virtual HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE* device, void* outer) = 0;
};
typedef IDirectInput* LPDIRECTINPUT;

// ---- creation ----------------------------------------------------------------------

// Creates the DirectInput object. The backend is chosen here: SDL under the
// SDL host, the headless input table under any other.
HRESULT DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUT* out, void* outer);

// ---- backends ------------------------------------------------------------------------
// Each returns a new DirectInput object of its kind (owned for the run).

namespace dinput_backend {
LPDIRECTINPUT CreateHeadless();
LPDIRECTINPUT CreateSdl();
}  // namespace dinput_backend
