#include "large_stack.h"

#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>

#include "support/signal_cleanup.h"

namespace tarnconv {
namespace {

// Below the stack lies an inaccessible guard region; a fault inside it is
// the stack running out. It is larger than any single frame is likely to
// be, so an overflowing frame cannot step over it.
constexpr std::size_t kGuardBytes = std::size_t{1} << 20;
// The signal handler runs on a stack of its own, as the thread's is spent.
constexpr std::size_t kSignalStackBytes = std::size_t{64} << 10;

// What the handler needs, set before the thread starts. One run at a time.
std::mutex runMutex;
std::atomic<std::uintptr_t> guardLow{0};
std::atomic<std::uintptr_t> guardHigh{0};
char overflowText[1024];
std::size_t overflowLength = 0;
struct sigaction previousAction;

void OnSegv(int, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    if (address >= guardLow.load() && address < guardHigh.load()) {
        ssize_t ignored = write(STDERR_FILENO, overflowText, overflowLength);
        (void)ignored;
        tarn::RemoveRegisteredPaths();  // the scene's work folder, if any
        _exit(1);
    }
    // Not the stack running out: give the fault back to whoever handled it
    // before (the default ends the process); the instruction faults again.
    sigaction(SIGSEGV, &previousAction, nullptr);
}

struct ThreadJob {
    const std::function<void()>* work;
    std::exception_ptr failure;
};

void* RunJob(void* arg) {
    auto* job = static_cast<ThreadJob*>(arg);
    stack_t signalStack{};
    signalStack.ss_sp = std::malloc(kSignalStackBytes);
    signalStack.ss_size = kSignalStackBytes;
    if (signalStack.ss_sp) sigaltstack(&signalStack, nullptr);
    try {
        (*job->work)();
    } catch (...) {
        job->failure = std::current_exception();
    }
    if (signalStack.ss_sp) {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        std::free(signalStack.ss_sp);
    }
    return nullptr;
}

}  // namespace

bool RunWithLargeStack(const std::function<void()>& work, std::size_t stackBytes, const std::string& overflowMessage,
                       std::string* error) {
    std::lock_guard<std::mutex> lock(runMutex);
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    stackBytes = (stackBytes + page - 1) / page * page;
    const std::size_t total = kGuardBytes + stackBytes;
    void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK,
                      -1, 0);
    if (base == MAP_FAILED) {
        if (error) *error = std::string("cannot reserve a stack for the import: ") + std::strerror(errno);
        return false;
    }
    auto* low = static_cast<char*>(base);
    mprotect(low, kGuardBytes, PROT_NONE);

    const std::string text = overflowMessage + "\n";
    overflowLength = std::min(text.size(), sizeof overflowText);
    std::memcpy(overflowText, text.data(), overflowLength);
    guardLow = reinterpret_cast<std::uintptr_t>(low);
    guardHigh = reinterpret_cast<std::uintptr_t>(low + kGuardBytes);
    struct sigaction action {};
    action.sa_sigaction = OnSegv;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &previousAction);

    ThreadJob job{&work, nullptr};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstack(&attr, low + kGuardBytes, stackBytes);
    pthread_t thread;
    const int started = pthread_create(&thread, &attr, RunJob, &job);
    pthread_attr_destroy(&attr);
    if (started == 0) pthread_join(thread, nullptr);

    sigaction(SIGSEGV, &previousAction, nullptr);
    guardLow = 0;
    guardHigh = 0;
    munmap(base, total);
    if (started != 0) {
        if (error) *error = std::string("cannot start the import thread: ") + std::strerror(started);
        return false;
    }
    if (job.failure) std::rethrow_exception(job.failure);
    return true;
}

}  // namespace tarnconv
