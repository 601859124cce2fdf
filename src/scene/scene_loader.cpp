#include "scene/scene_loader.h"

#include "app/fatal_error.h"

int LoadScene(const char* path, Actor& camera, Actor** actors, Light** lights, int* lightCount) {
    (void)path;
    (void)camera;
    *actors = nullptr;
    *lights = nullptr;
    *lightCount = 0;
    FatalError("Scene loading is not available yet");
}
