// Loading of "3DX" object files: the meshes of one actor.
#pragma once

#include "scene/records.h"
#include "scene/text_reader.h"

// Loads the actor's object file (fileName looked up through BuildPath with
// objectFilePath as directory source) and fills objects, objectCount,
// radius, radiusX and radiusY. actor.material must hold its final colours.
void LoadObjectFile(Actor& actor, const char* fileName, float scale, int flipNormals, const char* objectFilePath);

// Reads one object block from the reader's current position into object and
// returns its largest vertex distance from the model origin (0 when empty).
float ParseObject(Object& object, TextReader& reader, Actor& actor, float scale, int flipNormals,
                  const char* objectFilePath);
