// Reader for 3ds Max ASCII scene exports (.ase): geometry objects with their
// materials (including multi/sub-object materials), vertices, texture
// vertices, faces with edge visibility, smoothing groups and material ids.
// Cameras, lights, helpers and animation are skipped.
#pragma once

#include <string>

#include "mesh_model.h"

namespace tarnconv {

// Parses ASE text; fileName is used in messages only. On failure returns
// false with "fileName:line: message" in *error.
bool ParseAse(const std::string& text, const std::string& fileName, MeshModel* model, std::string* error);

// Reads and parses an .ase file (UTF-8/ASCII, or UTF-16 with a byte-order mark).
bool ReadAseFile(const std::string& path, MeshModel* model, std::string* error);

}  // namespace tarnconv
