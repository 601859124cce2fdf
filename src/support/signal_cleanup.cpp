#include "support/signal_cleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Temporary files and work folders alive at the same time: a handful per
// program (an output or two, a trace, a recording, a work folder).
constexpr int kSlots = 64;
// A work folder's depth that the handler still clears.
constexpr int kMaxFolderDepth = 16;

enum SlotState : int { kFree, kFilling, kActive };

// A slot is claimed (kFree -> kFilling), filled, then published (kActive);
// the handler only reads published slots.
struct Slot {
    std::atomic<int> state{kFree};
    pid_t owner = 0;
    char path[PATH_MAX] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler reads slot states without locks");

Slot slots[kSlots];
std::atomic<bool> installed{false};
// The thread whose children a signal ends too; 0: none.
std::atomic<pid_t> childrenOf{0};

// Everything inside the open folder dirFd, depth-first. Entries removed while
// the folder is read may make the kernel skip others, so it is read again
// until a pass removes nothing.
void RemoveEntries(int dirFd, int depth) {
    if (depth > kMaxFolderDepth) return;
    alignas(8) char buffer[2048];
    for (bool removed = true; removed;) {
        removed = false;
        if (lseek(dirFd, 0, SEEK_SET) != 0) return;
        for (;;) {
            const ssize_t got = getdents64(dirFd, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
                if (unlinkat(dirFd, name, 0) == 0) {
                    removed = true;
                    continue;
                }
                if (errno != EISDIR) continue;
                const int child = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (child >= 0) {
                    RemoveEntries(child, depth + 1);
                    close(child);
                }
                if (unlinkat(dirFd, name, AT_REMOVEDIR) == 0) removed = true;
            }
        }
    }
}

void RemovePath(const char* path) {
    struct stat st;
    if (lstat(path, &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        unlink(path);
        return;
    }
    const int folder = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        RemoveEntries(folder, 0);
        close(folder);
    }
    rmdir(path);
}

// Appends the decimal digits of value (no formatting library in a handler).
char* AppendNumber(char* out, long value) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (count > 0) *out++ = digits[--count];
    return out;
}

// Sends signal to the children the kernel lists for thread tid.
void SignalChildren(pid_t tid, int signal) {
    char path[64] = "/proc/self/task/";
    char* end = AppendNumber(path + std::strlen(path), tid);
    std::memcpy(end, "/children", sizeof "/children");
    const int file = open(path, O_RDONLY | O_CLOEXEC);
    if (file < 0) return;
    char list[512];
    const ssize_t got = read(file, list, sizeof list);
    close(file);
    long pid = 0;
    for (ssize_t i = 0; i <= got; ++i) {
        if (i < got && list[i] >= '0' && list[i] <= '9') {
            pid = pid * 10 + (list[i] - '0');
        } else {
            if (pid > 0) kill(static_cast<pid_t>(pid), signal);
            pid = 0;
        }
    }
}

void OnSignal(int signal) {
    const pid_t parentThread = childrenOf.load(std::memory_order_acquire);
    if (parentThread != 0) SignalChildren(parentThread, signal);
    RemoveRegisteredPaths();
    _exit(128 + signal);
}

}  // namespace

void RemoveRegisteredPaths() {
    const pid_t self = getpid();
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == kActive && slot.owner == self) RemovePath(slot.path);
}

void InstallSignalCleanup() {
    if (installed.exchange(true)) return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // One cleanup at a time: a second signal waits for the exit.
    for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
    for (const int signal : kSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
        sigaction(signal, &action, nullptr);
    }
}

int RemoveOnSignal(const char* path) {
    InstallSignalCleanup();
    const std::size_t length = std::strlen(path);
    if (length == 0 || length >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
        std::memcpy(slots[i].path, path, length + 1);
        slots[i].owner = getpid();
        slots[i].state.store(kActive, std::memory_order_release);
        return i;
    }
    return -1;
}

void KeepOnSignal(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree, std::memory_order_release);
}

void EndChildrenOnSignal(bool on) { childrenOf.store(on ? gettid() : 0, std::memory_order_release); }

SignalsHeld::SignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : kSignals) sigaddset(&held, signal);
    pthread_sigmask(SIG_BLOCK, &held, &saved_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

}  // namespace tarn
