#include "platform/headless/script_names.h"

#include <cstring>

#include "platform/dinput.h"
#include "platform/win32_api.h"

namespace {

struct NamedCode {
    const char* name;
    int code;
};

#define DIK_ENTRY(name) {#name, DIK_##name}
// Scan codes by their DIK_ names, without the prefix.
constexpr NamedCode kScanCodes[] = {
    DIK_ENTRY(ESCAPE),
    DIK_ENTRY(1),
    DIK_ENTRY(2),
    DIK_ENTRY(3),
    DIK_ENTRY(4),
    DIK_ENTRY(5),
    DIK_ENTRY(6),
    DIK_ENTRY(7),
    DIK_ENTRY(8),
    DIK_ENTRY(9),
    DIK_ENTRY(0),
    DIK_ENTRY(MINUS),
    DIK_ENTRY(EQUALS),
    DIK_ENTRY(BACK),
    DIK_ENTRY(TAB),
    DIK_ENTRY(Q),
    DIK_ENTRY(W),
    DIK_ENTRY(E),
    DIK_ENTRY(R),
    DIK_ENTRY(T),
    DIK_ENTRY(Y),
    DIK_ENTRY(U),
    DIK_ENTRY(I),
    DIK_ENTRY(O),
    DIK_ENTRY(P),
    DIK_ENTRY(LBRACKET),
    DIK_ENTRY(RBRACKET),
    DIK_ENTRY(RETURN),
    DIK_ENTRY(LCONTROL),
    DIK_ENTRY(A),
    DIK_ENTRY(S),
    DIK_ENTRY(D),
    DIK_ENTRY(F),
    DIK_ENTRY(G),
    DIK_ENTRY(H),
    DIK_ENTRY(J),
    DIK_ENTRY(K),
    DIK_ENTRY(L),
    DIK_ENTRY(SEMICOLON),
    DIK_ENTRY(APOSTROPHE),
    DIK_ENTRY(GRAVE),
    DIK_ENTRY(LSHIFT),
    DIK_ENTRY(BACKSLASH),
    DIK_ENTRY(Z),
    DIK_ENTRY(X),
    DIK_ENTRY(C),
    DIK_ENTRY(V),
    DIK_ENTRY(B),
    DIK_ENTRY(N),
    DIK_ENTRY(M),
    DIK_ENTRY(COMMA),
    DIK_ENTRY(PERIOD),
    DIK_ENTRY(SLASH),
    DIK_ENTRY(RSHIFT),
    DIK_ENTRY(MULTIPLY),
    DIK_ENTRY(LMENU),
    DIK_ENTRY(SPACE),
    DIK_ENTRY(CAPITAL),
    DIK_ENTRY(F1),
    DIK_ENTRY(F2),
    DIK_ENTRY(F3),
    DIK_ENTRY(F4),
    DIK_ENTRY(F5),
    DIK_ENTRY(F6),
    DIK_ENTRY(F7),
    DIK_ENTRY(F8),
    DIK_ENTRY(F9),
    DIK_ENTRY(F10),
    DIK_ENTRY(NUMLOCK),
    DIK_ENTRY(SCROLL),
    DIK_ENTRY(NUMPAD7),
    DIK_ENTRY(NUMPAD8),
    DIK_ENTRY(NUMPAD9),
    DIK_ENTRY(SUBTRACT),
    DIK_ENTRY(NUMPAD4),
    DIK_ENTRY(NUMPAD5),
    DIK_ENTRY(NUMPAD6),
    DIK_ENTRY(ADD),
    DIK_ENTRY(NUMPAD1),
    DIK_ENTRY(NUMPAD2),
    DIK_ENTRY(NUMPAD3),
    DIK_ENTRY(NUMPAD0),
    DIK_ENTRY(DECIMAL),
    DIK_ENTRY(OEM_102),
    DIK_ENTRY(F11),
    DIK_ENTRY(F12),
    DIK_ENTRY(NUMPADENTER),
    DIK_ENTRY(RCONTROL),
    DIK_ENTRY(DIVIDE),
    DIK_ENTRY(SYSRQ),
    DIK_ENTRY(RMENU),
    DIK_ENTRY(PAUSE),
    DIK_ENTRY(HOME),
    DIK_ENTRY(UP),
    DIK_ENTRY(PRIOR),
    DIK_ENTRY(LEFT),
    DIK_ENTRY(RIGHT),
    DIK_ENTRY(END),
    DIK_ENTRY(DOWN),
    DIK_ENTRY(NEXT),
    DIK_ENTRY(INSERT),
    DIK_ENTRY(DELETE),
    DIK_ENTRY(LWIN),
    DIK_ENTRY(RWIN),
    DIK_ENTRY(APPS),
};
#undef DIK_ENTRY

#define VK_ENTRY(name) {#name, VK_##name}
// Virtual keys by their VK_ names, without the prefix; letters and digits
// are matched by their own character.
constexpr NamedCode kVirtualKeys[] = {
    VK_ENTRY(BACK),     VK_ENTRY(TAB),      VK_ENTRY(RETURN),    VK_ENTRY(SHIFT),     VK_ENTRY(CONTROL),
    VK_ENTRY(MENU),     VK_ENTRY(PAUSE),    VK_ENTRY(CAPITAL),   VK_ENTRY(ESCAPE),    VK_ENTRY(SPACE),
    VK_ENTRY(PRIOR),    VK_ENTRY(NEXT),     VK_ENTRY(END),       VK_ENTRY(HOME),      VK_ENTRY(LEFT),
    VK_ENTRY(UP),       VK_ENTRY(RIGHT),    VK_ENTRY(DOWN),      VK_ENTRY(INSERT),    VK_ENTRY(DELETE),
    VK_ENTRY(MULTIPLY), VK_ENTRY(ADD),      VK_ENTRY(SUBTRACT),  VK_ENTRY(DECIMAL),   VK_ENTRY(DIVIDE),
    VK_ENTRY(F1),       VK_ENTRY(F2),       VK_ENTRY(F3),        VK_ENTRY(F4),        VK_ENTRY(F5),
    VK_ENTRY(F6),       VK_ENTRY(F7),       VK_ENTRY(F8),        VK_ENTRY(F9),        VK_ENTRY(F10),
    VK_ENTRY(F11),      VK_ENTRY(F12),      VK_ENTRY(NUMLOCK),   VK_ENTRY(SCROLL),    VK_ENTRY(OEM_PLUS),
    VK_ENTRY(OEM_COMMA), VK_ENTRY(OEM_MINUS), VK_ENTRY(OEM_PERIOD),
    {"NUMPAD0", VK_NUMPAD0},     {"NUMPAD1", VK_NUMPAD0 + 1}, {"NUMPAD2", VK_NUMPAD0 + 2},
    {"NUMPAD3", VK_NUMPAD0 + 3}, {"NUMPAD4", VK_NUMPAD0 + 4}, {"NUMPAD5", VK_NUMPAD0 + 5},
    {"NUMPAD6", VK_NUMPAD0 + 6}, {"NUMPAD7", VK_NUMPAD0 + 7}, {"NUMPAD8", VK_NUMPAD0 + 8},
    {"NUMPAD9", VK_NUMPAD0 + 9},
};
#undef VK_ENTRY

const char* FindName(const NamedCode* table, std::size_t size, int code) {
    for (std::size_t i = 0; i < size; ++i)
        if (table[i].code == code) return table[i].name;
    return nullptr;
}

int Find(const NamedCode* table, std::size_t size, const char* name) {
    for (std::size_t i = 0; i < size; ++i)
        if (std::strcmp(table[i].name, name) == 0) return table[i].code;
    return -1;
}

}  // namespace

int ScanCodeFromName(const char* name) {
    if (name == nullptr) return -1;
    return Find(kScanCodes, sizeof kScanCodes / sizeof kScanCodes[0], name);
}

int VirtualKeyFromName(const char* name) {
    if (name == nullptr || name[0] == '\0') return -1;
    if (name[1] == '\0' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) return name[0];
    return Find(kVirtualKeys, sizeof kVirtualKeys / sizeof kVirtualKeys[0], name);
}

const char* ScanCodeName(int code) { return FindName(kScanCodes, sizeof kScanCodes / sizeof kScanCodes[0], code); }

const char* VirtualKeyName(int code) {
    // One two-byte string per letter and digit.
    static const char kCharacters[] = "A\0B\0C\0D\0E\0F\0G\0H\0I\0J\0K\0L\0M\0N\0O\0P\0Q\0R\0S\0T\0U\0V\0W\0X\0Y\0Z\0"
                                      "0\0" "1\0" "2\0" "3\0" "4\0" "5\0" "6\0" "7\0" "8\0" "9";
    if (code >= 'A' && code <= 'Z') return kCharacters + 2 * (code - 'A');
    if (code >= '0' && code <= '9') return kCharacters + 2 * (26 + code - '0');
    return FindName(kVirtualKeys, sizeof kVirtualKeys / sizeof kVirtualKeys[0], code);
}
