// The device's threads, lent to the program between draw calls: work that
// the program splits into independent items runs on the calling thread and
// the tile threads together, so that the program and the device share one
// pool of threads instead of two pools fighting for the same cores.
#pragma once

#include <cstddef>

namespace glide {

using ParallelItem = void (*)(void* context, std::size_t item);

// Runs item(context, i) once for every i in [0, count) and returns when all
// have run; whatever the items wrote is then visible to the caller. With
// tile threads (after grSstOpen with more than one thread) the items run on
// the calling thread and the workers at once, in any order; without them,
// and in a frame the device draws inline (glide_device.h, SetThreadCount),
// on the calling thread in order. An item must not call the device nor
// RunParallel, and only the thread that calls the device calls this.
void RunParallel(std::size_t count, ParallelItem item, void* context);

// The threads RunParallel runs items on now: 1 without tile threads or in a
// frame drawn inline.
int ParallelThreads();

}  // namespace glide
