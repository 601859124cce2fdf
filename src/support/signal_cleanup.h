// What an interrupted program leaves behind: nothing half-made. SIGINT,
// SIGTERM and SIGHUP end the program with status 128 + the signal (130, 143,
// 129) after removing every temporary file and work folder registered here;
// the files they were going to replace stay as they were. The handler only
// makes system calls over a fixed table of paths (no allocation, no locks),
// so it may run at any moment, on any thread.
#pragma once

#include <signal.h>

namespace tarn {

// Installs the handlers once. A signal the process was started with ignored
// (nohup, a background job) stays ignored, and one that already has a
// handler of its own keeps it.
void InstallSignalCleanup();

// Registers path (a file, or a folder with everything in it) to be removed
// when a signal ends the program, and installs the handlers. Returns the
// slot to pass to KeepOnSignal, or -1 when the table is full or the path too
// long (then nothing is removed). Only the registering process removes it: a
// child between fork and exec does not.
int RemoveOnSignal(const char* path);
// Takes the registration back (-1 does nothing).
void KeepOnSignal(int slot);

// Removes what is registered now, as a signal would, without ending the
// program; for a fatal handler of its own (a stack overflow) that is about to
// exit. Safe in a signal handler.
void RemoveRegisteredPaths();

// While on, a signal that ends the program first passes itself on to the
// child processes of the thread that turned it on (a window library that
// shows its message box from a child process would leave the box behind).
void EndChildrenOnSignal(bool on);

// A registration for as long as the object lives.
class RemovedOnSignal {
public:
    RemovedOnSignal() = default;
    explicit RemovedOnSignal(const char* path) : slot_(RemoveOnSignal(path)) {}
    ~RemovedOnSignal() { Release(); }
    RemovedOnSignal(const RemovedOnSignal&) = delete;
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;

    void Release() {
        KeepOnSignal(slot_);
        slot_ = -1;
    }

private:
    int slot_ = -1;
};

// Holds SIGINT, SIGTERM and SIGHUP back on this thread while it lives, so
// that creating a file and registering it happen as one step.
class SignalsHeld {
public:
    SignalsHeld();
    ~SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t saved_;  // the thread's mask before
};

}  // namespace tarn
