// Writes a loaded scene as JSON, for the headless runner's --dump-scene and
// its script's "dump" command. Field names are the records' own; non-finite
// numbers are written as null.
#pragma once

#include <string>

#include "scene/records.h"

// selectedActor is written as "SelectedActor" unless includeSelected is false.
// The file is written beside its name and renamed into place when complete
// (special files such as /dev/null are written in place). Returns false
// when it cannot be written, with "FILE: cannot write (reason)" in *error.
bool WriteSceneJson(const char* path, const SceneRecord& scene, bool includeSelected, int selectedActor,
                    std::string* error = nullptr);
