// Where an output named by the user really goes. Symbolic links are followed
// to their target, so the link itself is never replaced: a regular file (or
// a new one) is replaced through a temporary file in the target's own
// folder; character devices, pipes and other entries of /proc are written in
// place; a name of one of this process's open descriptors (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N) writes to that descriptor, after what the
// program has already written there.
#pragma once

#include <string>

namespace tarn {

enum class OutputKind { Replace, InPlace, Descriptor };

struct OutputTarget {
    OutputKind kind = OutputKind::Replace;
    std::string path;    // Replace: the absolute target; InPlace: the entry to open
    std::string folder;  // Replace: the target's folder (absolute, links resolved)
    std::string name;    // Replace: the target's file name
    int descriptor = -1; // Descriptor
};

// Follows path to its target. False with errno's value in *error when the
// path leads nowhere writable (a folder, a missing folder, a loop of links,
// a descriptor that is not open for writing).
bool ResolveOutput(const std::string& path, OutputTarget* target, int* error);

// The longest file name the folder takes.
long NameLimit(const std::string& folder);

}  // namespace tarn
