// The three meshes of a benchmark actor, built in the viewer's model
// coordinates (x right, y up, z away from the viewer) with every face wound
// so that the viewer's face normal, (B - A) x (C - B), points outward.
#pragma once

#include <cstdint>
#include <vector>

#include "scene_generator.h"

namespace benchgen {

struct Point {
    float x, y, z;
};

struct TexCoord {
    float u, v;  // as written to the file: 0..1 spans the texture once
};

struct Triangle {
    int a, b, c;        // vertex indices
    int ta, tb, tc;     // texture vertex indices (unused without texture vertices)
    bool ab, bc, ca;    // visible edges
    std::uint32_t smoothing;
    int material;
};

struct Mesh {
    std::vector<Point> vertices;
    std::vector<TexCoord> tvertices;
    std::vector<Triangle> faces;
};

Mesh BuildGround(const Tessellation& t);
Mesh BuildSphere(const Tessellation& t);
Mesh BuildPillar(const Tessellation& t);

}  // namespace benchgen
