// Writes a MeshModel as a "3DX" object file, the text format the viewer
// loads per actor. The viewer reads every line into a 99-character buffer
// and names into 79 characters, so the writer refuses anything longer
// instead of producing a file the viewer would misread.
#pragma once

#include <string>

#include "mesh_model.h"

namespace tarnconv {

// Longest line the viewer reads whole (without its line end), and the
// longest texture word it accepts.
constexpr std::size_t kMaxLineLength = 98;
constexpr std::size_t kMaxNameLength = 79;

struct ObjectWriteOptions {
    std::string comment;  // written as "#" lines at the top (cut to the line limit)
};

// The object file's text. Objects without faces or vertices are left out.
// Writes the model's Z-up coordinates as they are (the viewer exchanges Y
// and Z on reading) and each face's corners as A, C, B: the viewer's frame
// is left-handed, so this keeps the normal it computes from the corners
// pointing out of the front of the face. UVs are flipped to the map's
// top-row-first order, fitted to the material's texture aspect ratio and
// moved by whole repeats per face so they stay near 0..1.
// False with a message in *error when a value cannot be written.
bool FormatObjectFile(const MeshModel& model, const ObjectWriteOptions& options, std::string* text,
                      std::string* error);

// The file itself goes through a checked output file; every failure is
// reported with the path in *error.
bool WriteObjectFile(const MeshModel& model, const ObjectWriteOptions& options, const std::string& path,
                     std::string* error);

// True when name can stand on a "Texture:" or "Filename:" line: one word of
// at most 79 printable characters without commas (the viewer turns every
// comma into a full stop).
bool IsValidFileWord(const std::string& name);

}  // namespace tarnconv
