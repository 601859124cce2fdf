// Mesh preparation while an object block is read: each face's corners,
// loader flags and normal; the smoothed vertex normals merged per vertex by
// smoothing group and material number into the object's one flat list; and
// the object's finishing (unit vertex normals, bounding radii).
#pragma once

#include <cstdint>

#include "scene/normal_merge_index.h"
#include "scene/record_arena.h"
#include "scene/records.h"

// Values of one "Face" line and what follows it, as the face builder needs them.
struct FaceInput {
    std::uint32_t a, b, c;    // corner vertices, already checked against the vertex count
    int ab, bc, ca;           // edge visibility values, non-zero = visible
    std::uint32_t smoothing;  // 0 = flat
    bool hasFileNormal;       // the object carries "Normal:" lines
    Vec3 fileNormal;          // already in model axes (X, Z, Y)
    int flipNormals;          // the actor's "Flipnormals:" value
};

// Sets the corners' vertices, FACE_SMOOTH and the edge flags, point and
// normal; FACE_DEGENERATE when two corners coincide or the normal has no
// usable length. Texture vertices and normal references are cleared.
void BuildFace(Face& face, const Vertex* vertices, const FaceInput& input);

// Once the face's material is chosen (an index into materials): the
// material's flags.
void FinishFace(Face& face, const Material* materials, std::uint32_t material);

// What the vertex-normal merge needs of a face besides its record: its
// smoothing groups and its material number as read (before the modulo).
struct FaceSmoothing {
    std::uint32_t smoothing;
    int materialNumber;
};

// Merges normal into the first of the list's count entries that shares a
// smoothing bit and has the same material number, or appends a new entry
// (the list must have room for it). Returns the entry's index. Without an
// index the list is searched from its start; an index must have seen every
// entry of the list since it was last cleared.
int AddFaceNormal(VertexNormal* list, int& count, const Vec3& normal, std::uint32_t smoothing, int materialNumber,
                  NormalMergeIndex* index = nullptr);

// After the last face: the vertex normals of every smooth face that is not
// degenerate, merged at each vertex in face order, into the object's
// vertexNormals (taken from arena), each vertex's normals and normalCount,
// and the corners' normalIndex and normal. False when memory cannot be had.
bool MergeVertexNormals(Object& object, const FaceSmoothing* smoothing, RecordArena& arena);

// Then: vertex normals to unit length, and radius, radiusX and radiusY
// about the object's center.
void FinishObject(Object& object);

// radius times sqrt(3.9929001) and times sqrt(6.3207111): the radii tested
// against the side and the top/bottom planes of the view volume. The product
// is taken in double precision and rounded once to float, so that a radius
// of 5 gives 9.991121 and 12.570512.
float RadiusX(float radius);
float RadiusY(float radius);
