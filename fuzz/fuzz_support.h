// What the scene fuzz targets share: FatalError that throws FuzzFatalError,
// a scratch folder they work in, and the release of every block of records an
// input's load left behind (loads never free, and a refused load is
// abandoned half-way).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzFatalError {
    std::string message;
};

// Once per process: makes a scratch folder the current directory, opens the
// headless device (materials may load textures) and watches the blocks of records.
void FuzzSetUp();

// Writes bytes to a file of the scratch folder.
void FuzzWriteFile(const char* name, const std::uint8_t* data, std::size_t size);

// Releases every block of records allocated since the last call and forgets
// texture memory.
void FuzzReleaseRecords();
