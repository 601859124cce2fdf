// Mesh preparation while an object block is read: each face's corners,
// loader flags and normal; the smoothed vertex normals merged per vertex by
// smoothing group and material number; and the object's finishing (unit
// vertex normals, bounding radii, corner normal references).
#pragma once

#include <cstdint>

#include "scene/normal_merge_index.h"
#include "scene/records.h"

// Values of one "Face" line and what follows it, as the face builder needs them.
struct FaceInput {
    Vertex* a;
    Vertex* b;
    Vertex* c;
    int ab, bc, ca;          // edge visibility values, non-zero = visible
    std::uint32_t smoothing;  // 0 = flat
    bool hasFileNormal;       // the object carries "Normal:" lines
    Vec3 fileNormal;          // already in model axes (X, Z, Y)
    int flipNormals;          // the actor's "Flipnormals:" value
};

// Sets the corners' vertices, FACE_SMOOTH and the edge flags, point and
// normal; FACE_DEGENERATE when two corners coincide or the normal has no
// usable length. Texture vertices and normal references are cleared.
void BuildFace(Face& face, const FaceInput& input);

// Once the face's material is chosen: the material's flags and, for a smooth
// face that is not degenerate, the corners' entries in their vertices'
// normal lists (found through index, one per object). False when memory for
// a normal list cannot be had.
bool FinishFace(Face& face, Material* material, std::uint32_t smoothing, int materialNumber, NormalMergeIndex& index);

// Merges normal into the first entry of the vertex's list that shares a
// smoothing bit and has the same material number, or appends a new entry.
// Returns the entry's index, -1 when memory for the longer list cannot be
// had. Without an index the list is searched from its start; an index must
// see every entry of the vertices it is used for.
int AddFaceNormal(Vertex& vertex, const Vec3& normal, std::uint32_t smoothing, int materialNumber,
                  NormalMergeIndex* index = nullptr);

// After the last face: vertex normals to unit length, radius, radiusX and
// radiusY about the object's center, and the corners' normal references.
void FinishObject(Object& object);

// radius times sqrt(3.9929001) and times sqrt(6.3207111): the radii tested
// against the side and the top/bottom planes of the view volume. The product
// is taken in double precision and rounded once to float, so that a radius
// of 5 gives 9.991121 and 12.570512.
float RadiusX(float radius);
float RadiusY(float radius);
