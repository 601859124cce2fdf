#include "app/progress_signal.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Set by the handler on whichever thread the signal reaches, taken by the
// frame loop.
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler sets the flag without locks");
const char* programName = "tarnview";

void OnProgressSignal(int) { requested.store(true, std::memory_order_relaxed); }

}  // namespace

void InstallProgressSignal(const char* program) {
    programName = program;
    struct sigaction action {};
    action.sa_handler = OnProgressSignal;
    sigemptyset(&action.sa_mask);
    // Waits for events or the device go on after the signal.
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

void AnswerProgressRequest(std::uint32_t framesRendered) {
    if (!requested.load(std::memory_order_relaxed)) return;
    requested.store(false, std::memory_order_relaxed);
    char line[192];
    const int length = std::snprintf(line, sizeof line, "%s: %u frames rendered\n", programName, framesRendered);
    if (length > 0 && write(STDERR_FILENO, line, static_cast<std::size_t>(length)) < 0) {
        // Nobody is listening: nothing to do about it.
    }
}
