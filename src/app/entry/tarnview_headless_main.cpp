// `tarnview-headless`: the viewer with no display, driven by a script, with
// the device trace recorder linked in for --trace.
#include "app/headless_runner.h"
#include "glide_trace.h"

int main(int argc, char** argv) {
    static const DeviceTraceRecorder recorder{GlideTraceConfigure, GlideTraceFinish, GlideTraceError};
    return RunHeadless(argc, argv, &recorder);
}
