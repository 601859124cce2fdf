// Asking a running program how far it is: `kill -USR1 PID` makes it print
// "<program>: N frames rendered" on stderr at the end of the next frame (as
// dd prints its progress). Scripts and tests wait on that line to know that
// a whole frame has passed, rather than sleeping and hoping.
#pragma once

#include <cstdint>

// Installs the SIGUSR1 handler; program names the lines.
void InstallProgressSignal(const char* program);

// Called after every frame: prints the line when it was asked for.
void AnswerProgressRequest(std::uint32_t framesRendered);
