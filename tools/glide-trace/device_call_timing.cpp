// The public side of the device-call timing (glide_trace.h); the wrappers
// do the timing itself through device_call_timing.h.
#include "device_call_timing.h"

#include "glide_trace.h"

namespace glide_trace::timing {

bool enabled = false;
Totals totals;

}  // namespace glide_trace::timing

void GlideTraceTimeDeviceCalls(bool on) { glide_trace::timing::enabled = on; }

GlideTraceDeviceTime GlideTraceDeviceTimeSoFar() {
    return GlideTraceDeviceTime{glide_trace::timing::totals.nanoseconds, glide_trace::timing::totals.calls};
}
