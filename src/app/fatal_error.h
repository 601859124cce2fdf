// The one way out for every unrecoverable condition: shuts Glide down, shows
// the message in a box titled "Tarnview ERROR!" and ends the process with
// exit status 1.
#pragma once

[[noreturn]] void FatalError(const char* message);

// Called with the message after the box, before the process ends: a host
// may add lines of its own that say what to do (the headless runner names
// the working folder). nullptr: none.
void SetFatalErrorEpilogue(void (*epilogue)(const char* message));
