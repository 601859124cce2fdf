// SDL key codes to virtual keys: the keys of the command table and their
// neighbours.
#include <gtest/gtest.h>

#include "platform/headless/script_names.h"
#include "platform/sdl/sdl_dinput_keymap.h"
#include "platform/sdl/sdl_keymap.h"
#include "platform/win32_api.h"

namespace {

TEST(SdlKeymapTest, CommandKeysMapToTheirVirtualKeys) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_BACKSPACE), VK_BACK);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_TAB), VK_TAB);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_ESCAPE), VK_ESCAPE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_SPACE), VK_SPACE);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PAGEUP), VK_PRIOR);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_PAGEDOWN), VK_NEXT);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_END), VK_END);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_HOME), VK_HOME);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_m), 'M');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_PLUS), VK_ADD);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_MINUS), VK_SUBTRACT);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(VirtualKeyFromSdl(SDLK_F1 + i), VK_F1 + i);
}

TEST(SdlKeymapTest, LettersDigitsAndKeypadFollowTheirCharacters) {
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_a), 'A');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_z), 'Z');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_0), '0');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_9), '9');
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_0), VK_NUMPAD0);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_KP_9), VK_NUMPAD0 + 9);
    // The main keyboard's minus is not the keypad's subtract command.
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_MINUS), VK_OEM_MINUS);
    EXPECT_EQ(VirtualKeyFromSdl(SDLK_F13), 0);
}

// A flight recorded in the window writes keys by their script names: a key
// the window can deliver but the script cannot name would be lost.
TEST(SdlKeymapTest, EveryKeyTheWindowDeliversHasAScriptName) {
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        const int dik = DikFromSdlScancode(scancode);
        if (dik != 0) {
            EXPECT_NE(ScanCodeName(dik), nullptr) << "scan code " << dik;
        }
        const int vk = VirtualKeyFromSdl(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scancode)));
        if (vk != 0) {
            EXPECT_NE(VirtualKeyName(vk), nullptr) << "virtual key " << vk;
        }
    }
    for (SDL_Keycode key = 0; key < 128; ++key) {
        const int vk = VirtualKeyFromSdl(key);
        if (vk != 0) {
            EXPECT_NE(VirtualKeyName(vk), nullptr) << "virtual key " << vk;
        }
    }
}

}  // namespace
