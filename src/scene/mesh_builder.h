// Mesh preparation while an object block is read: each face's corners,
// loader flags and normal; the smoothed vertex normals merged per vertex by
// smoothing group and material number; and the object's finishing (unit
// vertex normals, bounding radii, corner normal references).
#pragma once

#include <cstdint>

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
// normal lists. False when memory for a normal list cannot be had.
bool FinishFace(Face& face, Material* material, std::uint32_t smoothing, int materialNumber);

// Merges normal into the first entry of the vertex's list that shares a
// smoothing bit and has the same material number, or appends a new entry
// (the list grows one entry at a time). Returns the entry's index, -1 when
// memory for the longer list cannot be had.
int AddFaceNormal(Vertex& vertex, const Vec3& normal, std::uint32_t smoothing, int materialNumber);

// After the last face: vertex normals to unit length, radius, radiusX and
// radiusY about the object's center, and the corners' normal references.
void FinishObject(Object& object);

// sqrt(3.9929001) and sqrt(6.3207111) in single precision: the factors from a
// bounding radius to the radii tested against the side and top/bottom planes.
float RadiusFactorX();
float RadiusFactorY();
