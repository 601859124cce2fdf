// `tarnview`: the viewer in an SDL window. The processor clock is calibrated
// during static initialisation, before the window exists.
#include <string>

#include "app/frame_stats.h"
#include "app/winmain.h"
#include "glide_device.h"
#include "platform/sdl/sdl_platform.h"

bool CalibrateClockAtStartup = true;

int main(int argc, char** argv) {
    // The command-line tail: everything after the program name, the
    // arguments joined by single blanks.
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }

    static SdlPlatform platform;
    static SdlDisplayOutput output(platform);
    platform.AttachOutput(&output);
    SetPlatformBackend(&platform);
    glide::SetDisplayOutput(&output);

    return WinMain(nullptr, nullptr, tail.data(), SW_SHOWDEFAULT);
}
