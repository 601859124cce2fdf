// Brings up the accelerator once at start-up and leaves it in the render
// state every later step takes for granted: 640 x 480 double-buffered,
// iterated colour and alpha, alpha blending, W-buffer with GR_CMP_LESS,
// exponential-squared table fog, and round-to-nearest single-precision
// floating point.
#pragma once

// Returns only when a board is present; otherwise ends the process with the
// fatal error "ERROR: no Voodoo Graphics!\n".
void InitGraphics();

// The floating-point state the render path relies on: round to nearest, all
// exceptions masked (and, on 32-bit x86, single precision for the x87 unit).
void SetRenderFloatingPointMode();
