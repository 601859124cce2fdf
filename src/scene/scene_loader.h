// Loading of the "Actor Database" scene file.
#pragma once

#include "scene/records.h"

// Reads the scene file at path: sets the camera's position, the lights and
// their count, the actors (loading every actor's object file on the way) and
// Scene.specularity when the file has the line. Returns the actor count.
// Every fault ends the process through FatalError.
int LoadScene(const char* path, Actor& camera, Actor** actors, Light** lights, int* lightCount);
