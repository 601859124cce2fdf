// The public side of the trace recorder (glide_trace.h): configuring a
// trace, finishing it, and the recorder's single instance.
#include "trace_recorder.h"

#include <cerrno>
#include <cstdlib>

// Defined by trace_wrappers.cpp, which only links in when the program was
// linked with the --wrap options (as the glide_trace library's users are);
// a weak reference does not pull it in.
extern "C" {
extern const int tarnview_glide_trace_wrapped __attribute__((weak));
}

namespace glide_trace::recording {

constinit Recorder gRecorder;

}  // namespace glide_trace::recording

namespace {

using glide_trace::recording::R;
using glide_trace::recording::Recorder;

void FinishAtExit() { GlideTraceFinish(); }

}  // namespace

// ---- public API -----------------------------------------------------------------------------

bool GlideTraceConfigure(const char* path, std::uint32_t firstFrame, std::uint32_t lastFrame) {
    Recorder& r = R();
    if (&tarnview_glide_trace_wrapped == nullptr) {
        r.error = "this program was linked without the trace recorder's --wrap options (the glide_trace library)";
        return false;
    }
    if (r.configured && !r.finished) {
        r.error = "a trace is already being recorded";
        return false;
    }
    if (path == nullptr || *path == '\0') {
        r.error = "no trace file name given";
        return false;
    }
    if (firstFrame > lastFrame) {
        r.error = "trace frames " + std::to_string(firstFrame) + ":" + std::to_string(lastFrame) +
                  ": the first frame comes after the last";
        return false;
    }
    if (r.frame > firstFrame) {
        r.error = "trace frame " + std::to_string(firstFrame) + " has already been drawn";
        return false;
    }
    auto out = std::make_unique<tarn::OutputFile>(path);
    if (!out->Open()) {
        r.error = "trace file could not be created: " + out->Error();
        return false;
    }
    static bool atExitRegistered = false;
    if (!atExitRegistered) {
        std::atexit(FinishAtExit);
        atExitRegistered = true;
    }
    r.path = path;
    r.out = std::move(out);
    r.writer = glide_trace::Writer(r.out->Stream());
    r.first = firstFrame;
    r.last = lastFrame;
    r.framesRecorded = 0;
    r.writeErrno = 0;
    r.recording = false;
    r.finished = false;
    r.configured = true;
    r.Watch();
    r.error.clear();
    return true;
}

bool GlideTraceFinish() { return R().Finish(); }

std::uint32_t GlideTraceFramesRecorded() { return R().framesRecorded; }

std::uint64_t GlideTraceFrameCounter() { return R().frame; }

const char* GlideTraceError() { return R().error.c_str(); }

void GlideTraceSetSwapHook(GlideTraceSwapHook hook) { R().swapHook = hook; }

