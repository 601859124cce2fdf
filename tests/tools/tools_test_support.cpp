#include "tools_test_support.h"

#include "glide.h"

namespace tools_test {

void OpenDevice() {
    static bool open = false;
    if (open) return;
    GrHwConfiguration hw{};
    grGlideInit();
    grSstQueryHardware(&hw);
    grSstSelect(0);
    grSstOpen(GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_RGBA, GR_ORIGIN_LOWER_LEFT, GR_SMOOTHING_DISABLE, 2);
    open = true;
}

}  // namespace tools_test
