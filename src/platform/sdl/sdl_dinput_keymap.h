// Key positions of SDL to DirectInput scan codes.
#pragma once

#include <cstdint>

// The DirectInput scan code of an SDL scancode; 0 for a key it has none for.
int DikFromSdlScancode(int scancode);

// Builds the 256-byte DirectInput key table (0x80 = down) from SDL's key
// state array of sdlCount entries.
void FillDikTable(const std::uint8_t* sdlState, int sdlCount, std::uint8_t* dikTable);
