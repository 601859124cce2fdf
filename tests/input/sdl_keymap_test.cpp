// The SDL backend's key table: positions, not printed letters.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/dinput.h"
#include "platform/sdl/sdl_dinput_keymap.h"

namespace {

TEST(SdlKeymap, PositionalCodesOfTheNavigationKeys) {
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_A), DIK_A);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_Y), DIK_Y);  // right of T on every layout
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_Z), DIK_Z);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_0), DIK_0);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_1), DIK_1);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_P), DIK_P);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_F12), DIK_F12);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_ESCAPE), DIK_ESCAPE);
    EXPECT_EQ(DikFromSdlScancode(SDL_SCANCODE_UNKNOWN), 0);
}

TEST(SdlKeymap, FillsTheDirectInputTable) {
    Uint8 state[SDL_NUM_SCANCODES] = {};
    state[SDL_SCANCODE_Q] = 1;
    state[SDL_SCANCODE_RIGHT] = 1;
    std::uint8_t table[256];
    for (auto& b : table) b = 0x55;
    FillDikTable(state, SDL_NUM_SCANCODES, table);
    int down = 0;
    for (int i = 0; i < 256; ++i) down += table[i] != 0;
    EXPECT_EQ(down, 2);
    EXPECT_EQ(table[DIK_Q], 0x80);
    EXPECT_EQ(table[DIK_RIGHT], 0x80);
    // A short state array is read only as far as it goes.
    state[SDL_SCANCODE_APPLICATION] = 1;
    FillDikTable(state, SDL_SCANCODE_APPLICATION, table);
    EXPECT_EQ(table[DIK_APPS], 0);
}

}  // namespace
