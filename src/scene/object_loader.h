// Loading of "3DX" object files: the meshes of one actor.
#pragma once

#include "scene/records.h"
#include "scene/text_reader.h"

class ObjectImageCache;

// Loads the actor's object file (fileName looked up through BuildPath with
// objectFilePath as directory source) and fills objects, objectCount,
// radius, radiusX and radiusY. actor.material must hold its final colours.
//
// The file is read whole and scanned for its fixed layout; a file that is
// not read that way without a message is read line by line instead
// (LoadObjectFileByLines), which gives the message. With images, a file
// that several actors name is read once for all of them.
void LoadObjectFile(Actor& actor, const char* fileName, float scale, int flipNormals, const char* objectFilePath,
                    ObjectImageCache* images = nullptr);

// The same, always through the line reader: the reference the whole-file
// reading is compared with.
void LoadObjectFileByLines(Actor& actor, const char* fileName, float scale, int flipNormals,
                           const char* objectFilePath);

// Reads one object block from the reader's current position into object and
// returns its largest vertex distance from the model origin (0 when empty).
float ParseObject(Object& object, TextReader& reader, Actor& actor, float scale, int flipNormals,
                  const char* objectFilePath);
