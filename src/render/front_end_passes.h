// The passes of the front end (front_end.h), each over one range of its
// records, and what they share: the object's frame (its transform, eye,
// lights and switches) and the front end's working arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "math/matrix3.h"
#include "math/vec3.h"
#include "render/front_end_lanes.h"
#include "scene/records.h"

// The front end's working arrays, grown to the largest object drawn and
// kept: the frame loop allocates only while objects larger than any before
// are drawn (the first frame). Between objects, steps, requests and askers
// are all zero.
struct FrontEndScratch {
    std::size_t vertexCapacity = 0;
    std::size_t normalCapacity = 0;
    std::size_t faceCapacity = 0;
    std::unique_ptr<float[]> values;        // 8 per vertex: see VertexValues
    VertexValues vertexValues{};
    std::unique_ptr<std::uint8_t[]> steps;  // per vertex: VERTEX_* bits asked for this frame
    std::unique_ptr<NormalRequest[]> requests;
    // Per normal, front and back: the first face that asks for the side,
    // kept by face ranges that run at once (its index inverted, so that the
    // first is the largest; 0: none), for the normal pass to make the
    // request of.
    std::unique_ptr<std::uint32_t[]> askers;
    std::unique_ptr<std::uint32_t[]> drawn;       // faces to draw, in face order
    std::unique_ptr<std::size_t[]> rangeCounts;   // faces to draw per face range
    std::size_t rangeCapacity = 0;
    std::unique_ptr<float[]> materialValues;      // the slots of MaterialLanes
    std::unique_ptr<std::uint32_t[]> materialHighlights;
    std::size_t materialCapacity = 0;             // in materials
    MaterialLanes materials{};
    std::unique_ptr<std::uint32_t[]> flat;        // flat faces to light, per face range

    // Room for an object of these counts; false when it cannot be had.
    bool Reserve(std::size_t vertices, std::size_t normals, std::size_t faces, std::size_t materials);
};

// What every pass of one object's frame reads.
struct ObjectFrame {
    Object& object;
    const Matrix3& modelToView;
    const Vec3& actorView;
    const Vec3& eye;
    LightSet lights;
    int clipMask;
    float specularity;
    const FrontEndIsa* isa;  // nullptr: the scalar forms
    FrontEndScratch& scratch;
    LightingFrame lighting;
};

// Vertices [begin, end): every step of the transform and projection, into
// the scratch values.
void TransformVertices(const ObjectFrame& frame, std::size_t begin, std::size_t end);

// Faces [begin, end): facing and culling, clip codes, the steps each
// corner's vertex needs, texturing and shading; flat faces lit (flat: room
// for the range's list), normal sides asked for. Appends the faces to draw
// to drawn (from *count on). shared: other face ranges run at the same
// time (the steps are ORed in atomically, and a normal side keeps only its
// first asking face, for LightNormals to complete).
void ShadeFaces(const ObjectFrame& frame, std::size_t begin, std::size_t end, std::uint32_t* drawn,
                std::size_t* count, std::uint32_t* flat, bool shared);

// Vertices [begin, end): the steps asked for stored, cacheFlags set.
void CommitVertices(const ObjectFrame& frame, std::size_t begin, std::size_t end);

// Vertex normals [begin, end): the sides asked for lit, litFlags set.
// shared: the face ranges ran at the same time (see ShadeFaces).
void LightNormals(const ObjectFrame& frame, std::size_t begin, std::size_t end, bool shared);

// The faces to draw, in order: today's device calls.
void DrawFaces(const ObjectFrame& frame, const std::uint32_t* drawn, std::size_t count);
