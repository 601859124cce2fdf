// What the two programs' command lines share: whole-number and frame-range
// values, the thread count (option or TARNVIEW_THREADS), output paths
// checked before the first frame, and the guard that turns running out of
// memory into a message and exit status 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "glide_device.h"

// Exit statuses of both programs.
constexpr int kExitRuntimeError = 1;
constexpr int kExitUsageError = 2;

// What reading a command line decided.
enum class OptionsResult { Run, Help, Version, UsageError };

// --help (usage on stdout, 0), --version (0) and a usage error (message and
// "try PROGRAM --help" on stderr, 2) are answered here; returns -1 when the
// program goes on to run.
int AnswerCommandLine(const char* program, OptionsResult result, const char* usage, const std::string& error);

// "<program>: <message>" on stderr, unprintable bytes escaped; returns status.
int ReportFailure(const char* program, int status, const std::string& message);

// A whole decimal number from low to high (no sign, no blanks, no suffix).
bool ParseWholeNumber(const char* text, std::uint64_t low, std::uint64_t high, std::uint64_t* value);

// "A:B" with A <= B, both whole frame numbers.
bool ParseFrameRange(const std::string& text, std::uint32_t* first, std::uint32_t* last);

// The largest thread count either program accepts: the device's.
inline constexpr int kMaxThreads = glide::kMaxThreads;

// The device's thread count: the option's value when given (optionValue
// >= 0; 0 means all hardware threads), else TARNVIEW_THREADS, else 0. False
// with a message when the environment holds something else than a whole
// number from 1 to kMaxThreads.
bool ResolveThreadCount(int optionValue, int* threads, std::string* error);

// Checks every path before any work; on the first that cannot be written
// returns false with "FILE: cannot write (reason)" in *error.
bool CheckOutputPaths(const std::vector<std::string>& paths, std::string* error);

struct Script;
// Adds the files a script's screenshot and dump lines write.
void AddScriptOutputs(const Script& script, std::vector<std::string>* paths);

// The file name part of argv[0], or fallback when there is none.
const char* ProgramName(const char* argv0, const char* fallback);

// Runs body (returning an exit status); an allocation that fails anywhere
// inside ends it with "<program>: out of memory" on stderr and status 1.
template <typename Body>
int ExitOnOutOfMemory(const char* program, Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "%s: out of memory\n", program);
        return kExitRuntimeError;
    }
}
