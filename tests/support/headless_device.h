// Opens the software device once per test program (headless output, the
// viewer's screen set-up), for tests that load textures or draw.
#pragma once

#include "glide.h"

namespace test_support {

inline void OpenHeadlessDevice() {
    static bool open = false;
    if (open) return;
    GrHwConfiguration hw{};
    grGlideInit();
    grSstQueryHardware(&hw);
    grSstSelect(0);
    grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT, GR_SMOOTHING_DISABLE,
              2);
    open = true;
}

}  // namespace test_support
