// Key names of the headless runner's script: virtual keys for "key" lines
// (the VK_ name without its prefix, or the letter or digit itself) and
// DirectInput scan codes for "hold" lines (the DIK_ name without its prefix).
#pragma once

// -1 for an unknown name. Names are upper case, as in the constants.
int VirtualKeyFromName(const char* name);
int ScanCodeFromName(const char* name);

// The names back from the codes, as a recording writes them: nullptr for a
// code without a name. A letter or digit virtual key is written as itself
// ("A", "7"), from a buffer that lives as long as the program.
const char* ScanCodeName(int code);
const char* VirtualKeyName(int code);
