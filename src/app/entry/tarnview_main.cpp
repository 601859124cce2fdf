// `tarnview`: the viewer in an SDL window, with the device trace recorder
// linked in for --trace. The processor clock is calibrated after the options
// are read, before the window exists.
#include "app/window_runner.h"
#include "glide_trace.h"

int main(int argc, char** argv) {
    static const DeviceTraceRecorder recorder{GlideTraceConfigure, GlideTraceFinish, GlideTraceError};
    return RunWindowed(argc, argv, &recorder);
}
