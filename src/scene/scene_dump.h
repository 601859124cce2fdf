// Writes a loaded scene as JSON, for the headless runner's --dump-scene and
// its script's "dump" command. Field names are the records' own; non-finite
// numbers are written as null.
#pragma once

#include "scene/records.h"

// selectedActor is written as "SelectedActor" unless includeSelected is false.
// Returns false when the file cannot be written.
bool WriteSceneJson(const char* path, const SceneRecord& scene, bool includeSelected, int selectedActor);
