// Mesh building for the benchmark actor: a wavy ground tile, a UV sphere and
// a faceted pillar. Sizes are in scene units; one actor covers a 1000 x 1000
// tile centred on its origin.
#include "scene_meshes.h"

#include <cmath>
#include <numbers>

namespace benchgen {

namespace {

constexpr float kTile = 1000.0f;
constexpr Point kSphereCentre{-150.0f, 230.0f, 120.0f};
constexpr float kSphereRadius = 150.0f;
constexpr Point kPillarBase{250.0f, 0.0f, -200.0f};
constexpr float kPillarRadius = 70.0f;
constexpr float kPillarHeight = 600.0f;

Point Sub(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

// Adds a face and turns it round when its normal would point inward.
void AddFace(Mesh& mesh, Triangle f, Point outward) {
    const Point& a = mesh.vertices[f.a];
    const Point& b = mesh.vertices[f.b];
    const Point& c = mesh.vertices[f.c];
    const Point e1 = Sub(b, a), e2 = Sub(c, b);
    const Point n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    if (n.x * outward.x + n.y * outward.y + n.z * outward.z < 0.0f) {
        // B and C change places: the edge A-C becomes A-B and so on.
        std::swap(f.b, f.c);
        std::swap(f.tb, f.tc);
        const bool ab = f.ab;
        f.ab = f.ca;
        f.ca = ab;
    }
    mesh.faces.push_back(f);
}

}  // namespace

Mesh BuildGround(const Tessellation& t) {
    Mesh mesh;
    const int n = t.groundCells;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const float x = -kTile / 2 + kTile * static_cast<float>(i) / static_cast<float>(n);
            const float z = -kTile / 2 + kTile * static_cast<float>(j) / static_cast<float>(n);
            const float y = 18.0f * std::sin(x / 90.0f) * std::cos(z / 110.0f);
            mesh.vertices.push_back({x, y, z});
            // The ground texture repeats four times across the tile.
            mesh.tvertices.push_back({4.0f * static_cast<float>(i) / static_cast<float>(n),
                                      4.0f * static_cast<float>(j) / static_cast<float>(n)});
        }
    }
    const Point up{0.0f, 1.0f, 0.0f};
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            const int v00 = j * (n + 1) + i, v10 = v00 + 1, v01 = v00 + n + 1, v11 = v01 + 1;
            // The diagonal of each cell is an inner edge.
            AddFace(mesh, {v00, v10, v11, v00, v10, v11, true, true, false, 0, 0}, up);
            AddFace(mesh, {v00, v11, v01, v00, v11, v01, false, true, true, 0, 0}, up);
        }
    }
    return mesh;
}

Mesh BuildSphere(const Tessellation& t) {
    Mesh mesh;
    const int s = t.sphereSlices, st = t.sphereStacks;
    const float pi = std::numbers::pi_v<float>;
    auto ringVertex = [&](int ring, int slice) {  // ring 1..st-1
        return 1 + (ring - 1) * s + (slice % s);
    };
    mesh.vertices.push_back({kSphereCentre.x, kSphereCentre.y + kSphereRadius, kSphereCentre.z});
    for (int ring = 1; ring < st; ++ring) {
        const float theta = pi * static_cast<float>(ring) / static_cast<float>(st);
        for (int slice = 0; slice < s; ++slice) {
            const float phi = 2.0f * pi * static_cast<float>(slice) / static_cast<float>(s);
            mesh.vertices.push_back({kSphereCentre.x + kSphereRadius * std::sin(theta) * std::cos(phi),
                                     kSphereCentre.y + kSphereRadius * std::cos(theta),
                                     kSphereCentre.z + kSphereRadius * std::sin(theta) * std::sin(phi)});
        }
    }
    const int southPole = static_cast<int>(mesh.vertices.size());
    mesh.vertices.push_back({kSphereCentre.x, kSphereCentre.y - kSphereRadius, kSphereCentre.z});
    // Texture vertices form a full (s + 1) x (st + 1) grid so the seam
    // column has its own u = 1 copy.
    for (int ring = 0; ring <= st; ++ring) {
        for (int slice = 0; slice <= s; ++slice) {
            mesh.tvertices.push_back({static_cast<float>(slice) / static_cast<float>(s),
                                      static_cast<float>(ring) / static_cast<float>(st)});
        }
    }
    auto tv = [&](int ring, int slice) { return ring * (s + 1) + slice; };
    auto outward = [&](int a, int b, int c) {
        const Point& pa = mesh.vertices[a];
        const Point& pb = mesh.vertices[b];
        const Point& pc = mesh.vertices[c];
        return Point{(pa.x + pb.x + pc.x) / 3 - kSphereCentre.x, (pa.y + pb.y + pc.y) / 3 - kSphereCentre.y,
                     (pa.z + pb.z + pc.z) / 3 - kSphereCentre.z};
    };
    for (int slice = 0; slice < s; ++slice) {
        const int a = 0, b = ringVertex(1, slice), c = ringVertex(1, slice + 1);
        AddFace(mesh, {a, b, c, tv(0, slice), tv(1, slice), tv(1, slice + 1), true, true, true, 1, 0},
                outward(a, b, c));
    }
    for (int ring = 1; ring + 1 < st; ++ring) {
        for (int slice = 0; slice < s; ++slice) {
            const int v00 = ringVertex(ring, slice), v01 = ringVertex(ring, slice + 1);
            const int v10 = ringVertex(ring + 1, slice), v11 = ringVertex(ring + 1, slice + 1);
            AddFace(mesh,
                    {v00, v10, v11, tv(ring, slice), tv(ring + 1, slice), tv(ring + 1, slice + 1), true, true, false,
                     1, 0},
                    outward(v00, v10, v11));
            AddFace(mesh,
                    {v00, v11, v01, tv(ring, slice), tv(ring + 1, slice + 1), tv(ring, slice + 1), false, true, true,
                     1, 0},
                    outward(v00, v11, v01));
        }
    }
    for (int slice = 0; slice < s; ++slice) {
        const int a = southPole, b = ringVertex(st - 1, slice + 1), c = ringVertex(st - 1, slice);
        AddFace(mesh, {a, b, c, tv(st, slice), tv(st - 1, slice + 1), tv(st - 1, slice), true, true, true, 1, 0},
                outward(a, b, c));
    }
    return mesh;
}

Mesh BuildPillar(const Tessellation& t) {
    Mesh mesh;
    const int p = t.pillarSides, q = t.pillarSegments;
    const float pi = std::numbers::pi_v<float>;
    for (int band = 0; band <= q; ++band) {
        const float y = kPillarBase.y + kPillarHeight * static_cast<float>(band) / static_cast<float>(q);
        for (int side = 0; side < p; ++side) {
            const float phi = 2.0f * pi * static_cast<float>(side) / static_cast<float>(p);
            mesh.vertices.push_back(
                {kPillarBase.x + kPillarRadius * std::cos(phi), y, kPillarBase.z + kPillarRadius * std::sin(phi)});
        }
    }
    const int top = static_cast<int>(mesh.vertices.size());
    mesh.vertices.push_back({kPillarBase.x, kPillarBase.y + kPillarHeight, kPillarBase.z});
    auto at = [&](int band, int side) { return band * p + (side % p); };
    for (int band = 0; band < q; ++band) {
        for (int side = 0; side < p; ++side) {
            const int v00 = at(band, side), v01 = at(band, side + 1), v10 = at(band + 1, side),
                      v11 = at(band + 1, side + 1);
            const float phi = 2.0f * pi * (static_cast<float>(side) + 0.5f) / static_cast<float>(p);
            const Point out{std::cos(phi), 0.0f, std::sin(phi)};
            // Bands alternate between the two materials.
            const int material = band % 2;
            AddFace(mesh, {v00, v10, v11, 0, 0, 0, true, true, false, 0, material}, out);
            AddFace(mesh, {v00, v11, v01, 0, 0, 0, false, true, true, 0, material}, out);
        }
    }
    for (int side = 0; side < p; ++side) {
        AddFace(mesh, {top, at(q, side), at(q, side + 1), 0, 0, 0, false, true, false, 0, 0}, {0.0f, 1.0f, 0.0f});
    }
    return mesh;
}

}  // namespace benchgen
