// Lines after a fatal error's box that say what to do about it; the box's
// own texts stay as they are.
#pragma once

// "Font file not found!": names the font file, where it is read from (the
// working folder, named unless the program has named it already) and where
// the project keeps it. Other messages print nothing.
void PrintFontHint(const char* program, const char* message, bool nameFolder = true);

// The windowed program without a display: the reason, and the ways to run
// without one.
void PrintNoDisplayHint(const char* program, const char* reason);
