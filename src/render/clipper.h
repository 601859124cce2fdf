// Sutherland-Hodgman clipping of a face against the planes its clip code
// names: the near plane in view space, the four side planes in projected
// coordinates. New corners come from a fixed pool, so clipping allocates
// nothing; the result is a convex polygon of 0..8 corners, drawn as a fan.
#pragma once

#include <cstdint>

#include "render/draw_corner.h"
#include "scene/records.h"

constexpr int CLIP_POOL_SIZE = 12;

struct Clipper {
    std::uint32_t polygonFlags = 0;  // face flags of the polygon being clipped
    DrawCorner poolCorners[CLIP_POOL_SIZE];
    Vertex poolVertices[CLIP_POOL_SIZE];
    TVertex poolTexCoords[CLIP_POOL_SIZE];
    VertexNormal poolNormals[CLIP_POOL_SIZE];  // only their colours are used
    DrawCorner* nextFree = nullptr;
    DrawCorner* listA[CLIP_POOL_SIZE];
    DrawCorner* listB[CLIP_POOL_SIZE];
    // Set when a pass would need more corners than the pool or a list
    // holds (only possible for coordinates that are not finite).
    bool overflowed = false;

    // Links pool corner i to pool vertex i, texture pair i and pool normal
    // i (whose colours carry interpolated lighting).
    Clipper();
};

// The one clipper, built by a global constructor before the entry code.
extern Clipper PolygonClipper;

// Clips the run of `count` (3) corners starting at `corners` against each
// plane in clipCode, in the order NEAR, RIGHT, TOP, BOTTOM, LEFT. Returns the
// list of corner references; count is set to its length. Valid until the
// next call.
DrawCorner** ClipPolygon(DrawCorner* corners, int& count, int clipCode, std::uint32_t faceFlags);

// One pass against one plane; returns the output count.
int ClipAgainstPlane(DrawCorner** input, int count, DrawCorner** output, int plane);

// Fills newCorner with the intersection of the edge from the inside corner
// to the outside corner with the plane: position, 1/z, screen position and,
// as the polygon flags ask, colour and texture coordinates.
void IntersectEdge(DrawCorner* newCorner, const DrawCorner* inside, const DrawCorner* outside, int plane);
