#include "scene/scene_dump.h"

bool WriteSceneJson(const char* path, const SceneRecord& scene, bool includeSelected, int selectedActor) {
    (void)path;
    (void)scene;
    (void)includeSelected;
    (void)selectedActor;
    return false;
}
