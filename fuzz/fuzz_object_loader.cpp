// Object files of any content: a load either succeeds or ends in a
// FatalError message, never in a crash, a sanitizer report or a hang.
#include <cstdint>

#include "fuzz_support.h"
#include "scene/object_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSetUp();
    FuzzWriteFile("object.3dx", data, size);
    Actor actor;
    try {
        // Flip the normals for odd-sized inputs so both paths are exercised.
        LoadObjectFile(actor, "object.3dx", 1.5f, static_cast<int>(size & 1), "");
    } catch (const FuzzFatalError&) {
    }
    FuzzReleaseRecords();
    return 0;
}
