// Files that the loaders refuse before opening them: a FIFO, a device or a
// socket named as an object file or a texture. Opening a FIFO for reading
// waits for a writer that may never come, and a device may never end.
#pragma once

// What the path names when it is there but is neither a regular file nor a
// folder ("a FIFO", "a character device", ...), following links; nullptr
// for a regular file, a folder, or a path that names nothing (those fail,
// or not, as they always did).
const char* NonRegularFileKind(const char* path);
