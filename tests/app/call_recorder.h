// Recording fakes for the shell's tests: every accelerator call, every entry
// point of the other subsystems and every window stand-in call the shell
// makes is appended to CallLog as "Name(args)". The accelerator and the other
// subsystems are fakes (glide_fakes.cpp, shell_callee_fakes.cpp); the window
// stand-ins run for real, recorded by the Win32User that ResetShellState
// installs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "allocation_counter.h"

#include "platform/platform_backend.h"
#include "platform/win32_api.h"
#include "scene/records.h"

extern std::vector<std::string> CallLog;

// Appends one formatted entry to CallLog (unless Fake.silent).
void RecordCall(const char* format, ...) __attribute__((format(printf, 1, 2)));

struct FakeSettings {
    int hardwarePresent = 1;     // grSstQueryHardware's result
    int actorCount = 0;          // LoadScene's result (actors from FakeActors)
    std::string loadedPath;      // LoadScene's path argument
    int glideReadyAtLoad = -1;   // GlideReady as LoadScene saw it
    // Successive ReadCycleCounter results; when used up, the counter
    // continues from the last value plus cycleStep.
    std::vector<std::uint64_t> cycles;
    std::uint64_t cycleStep = 1000000;
    std::uint64_t lastCycle = 0;
    bool logPlatform = true;     // record the window stand-in calls
    bool logMessagePump = false; // also record PeekMessageA / GetMessageA / Translate / Dispatch
    bool silent = false;         // record nothing at all (allocation checks)
};

extern FakeSettings Fake;
extern Actor FakeActors[4];

// Clears the log, the fakes and the shell's global state, and installs the
// window stand-ins' recorder.
void ResetShellState();

// Entries of the log that start with one of the prefixes, in order.
std::vector<std::string> CallsMatching(std::initializer_list<const char*> prefixes);

// A host that presses keys and ends runs: before frame `frame` (frames
// rendered so far) it posts the given messages; after frameLimit frames it
// presses Escape. Message boxes are recorded.
class TestPlatform final : public PlatformBackend {
public:
    struct Event {
        std::uint32_t frame;
        UINT message;
        WPARAM wParam;
    };
    std::vector<Event> events;
    std::uint32_t frameLimit = 1;
    // Allocations are counted from the start of this frame to the end of
    // the frame before countTo (0: never), into `allocations`.
    std::uint32_t countFrom = 0;
    std::uint32_t countTo = 0;
    long allocations = 0;
    std::vector<std::string> boxes;  // "caption|text"
    int waits = 0;

    PlatformKind Kind() const override { return PlatformKind::Null; }
    bool CreateMainWindow(const char*) override { return true; }
    void ShowMainWindow(bool) override {}
    void DestroyMainWindow() override {}
    void PumpEvents(HWND window) override;
    void WaitForEvents(HWND window) override;
    void ShowMessageBox(const char* caption, const char* text) override;

private:
    std::size_t next_ = 0;
    bool started_ = false;
    bool escaped_ = false;
    std::uint32_t lastFrame_ = 0;
    std::optional<test_support::AllocationProbe> probe_;
};
