#include "app/fatal_error.h"

#include <cstdlib>

#include "app/app_globals.h"
#include "glide.h"
#include "platform/platform_backend.h"
#include "platform/win32_api.h"

namespace {
void (*fatalEpilogue)(const char*) = nullptr;
}  // namespace

void SetFatalErrorEpilogue(void (*epilogue)(const char*)) { fatalEpilogue = epilogue; }

void FatalError(const char* message) {
    // Cleared first so that a WM_ACTIVATE delivered inside the box's modal
    // loop leaves the (shut down) device alone.
    GlideReady = 0;
    grGlideShutdown();
    MessageBoxA(nullptr, message, kFatalErrorCaption, MB_OK);
    if (fatalEpilogue != nullptr) fatalEpilogue(message);
    // A failure is not a success: the process reports it with status 1.
    std::exit(1);
}
