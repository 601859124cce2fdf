// Scene files with one object file: the input is the scene text, then a
// NUL byte, then the text of "object.3dx" (which the scene may name).
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"
#include "scene/scene_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSetUp();
    const void* split = std::memchr(data, 0, size);
    std::size_t sceneSize = split ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(split) - data) : size;
    FuzzWriteFile("scene.scn", data, sceneSize);
    std::size_t rest = sceneSize < size ? size - sceneSize - 1 : 0;
    FuzzWriteFile("object.3dx", data + size - rest, rest);
    Actor camera;
    Actor* actors = nullptr;
    Light* lights = nullptr;
    int lightCount = 0;
    try {
        LoadScene("scene.scn", camera, &actors, &lights, &lightCount);
    } catch (const FuzzFatalError&) {
    }
    FuzzReleaseRecords();
    return 0;
}
