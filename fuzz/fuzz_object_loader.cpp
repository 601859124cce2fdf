// Object files of any content: a load either succeeds or ends in a
// FatalError message, never in a crash, a sanitizer report or a hang. And
// the file read whole gives what the line reader gives: the same message,
// or the same records (their scene dump).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "scene/object_loader.h"
#include "scene/scene_dump.h"
#include "texture/texture_memory.h"

namespace {

// "error: <message>", or the actor's scene dump.
std::string Outcome(void (*load)(Actor&, const char*, float, int, const char*), float scale, int flip) {
    // Each load starts with empty texture memory.
    if (glide::TextureMemoryFree() != glide::kTextureMemoryBytes) glide::ResetTextureMemory();
    Actor actor;
    try {
        load(actor, "object.3dx", scale, flip, "");
    } catch (const FuzzFatalError& error) {
        return "error: " + error.message;
    }
    SceneRecord scene;
    scene.actors = &actor;
    scene.actorCount = 1;
    if (!WriteSceneJson("object.json", scene, false, 0)) std::abort();
    std::ifstream in("object.json", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void LoadWhole(Actor& actor, const char* name, float scale, int flip, const char* path) {
    LoadObjectFile(actor, name, scale, flip, path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzSetUp();
    FuzzWriteFile("object.3dx", data, size);
    // Flip the normals for odd-sized inputs so both paths are exercised.
    const int flip = static_cast<int>(size & 1);
    const std::string whole = Outcome(&LoadWhole, 1.5f, flip);
    const std::string lines = Outcome(&LoadObjectFileByLines, 1.5f, flip);
    FuzzReleaseRecords();
    if (whole != lines) {
        std::fprintf(stderr, "read whole:\n%s\nread by lines:\n%s\n", whole.c_str(), lines.c_str());
        std::abort();
    }
    return 0;
}
