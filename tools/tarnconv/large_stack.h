// Running work that recurses as deep as its input on a thread of its own
// with a large stack: model importers walk a file's node tree (and some
// parsers its nesting) recursively, so a file nested tens of thousands deep
// would overflow the main thread's few megabytes. Should even the large
// stack run out, the process says so and ends, instead of crashing without
// a word.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tarnconv {

// The stack the importer runs on: room for nesting hundreds of thousands
// deep. Only the pages the work touches take memory.
constexpr std::size_t kImportStackBytes = std::size_t{256} << 20;

// Runs work on a new thread whose stack holds stackBytes, and waits for it.
// An exception thrown by work is thrown again here. If the thread's stack
// overflows, overflowMessage (plus a line end) goes to stderr and the
// process exits with status 1. False, with the reason in *error, when the
// thread cannot be started.
bool RunWithLargeStack(const std::function<void()>& work, std::size_t stackBytes, const std::string& overflowMessage,
                       std::string* error);

}  // namespace tarnconv
