// The front end's arithmetic several points at a time: lighting (Blinn-Phong
// with the table-seeded reciprocal square root) and the vertex transform
// with projection, compiled with Google Highway for SSE4, AVX2 and AVX-512
// and chosen at run time. Each lane does the scalar code's single-precision
// operations in the same order, without fused multiply-adds, so every value
// is bit for bit the scalar one (LightPoint, ProjectFace); the scalar code
// stays the reference, and runs where no vector set is in use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "math/color_rgba.h"
#include "math/matrix3.h"
#include "math/vec3.h"
#include "scene/records.h"

// Points to light, as LightPoint takes them, one lane each: the surface
// point (model space), its normal, the view vector (point minus eye), the
// colour lit (diffuse or texture colour), the specular colour, the exponent
// (shininess times specularity) and two switches.
struct LightBatch {
    static constexpr int kCapacity = 16;
    int count = 0;
    float px[kCapacity], py[kCapacity], pz[kCapacity];
    float nx[kCapacity], ny[kCapacity], nz[kCapacity];
    float vx[kCapacity], vy[kCapacity], vz[kCapacity];
    float cr[kCapacity], cg[kCapacity], cb[kCapacity], ca[kCapacity];
    float sr[kCapacity], sg[kCapacity], sb[kCapacity], sa[kCapacity];
    float exponent[kCapacity];
    std::uint32_t front[kCapacity];     // ~0 when the face flags hold FACE_FRONT
    std::uint32_t specular[kCapacity];  // ~0 when the material has a highlight
    // The results, capped at 255 as LightPoint caps them.
    ColorRGBA lit[kCapacity];

    // Fills lane `count` from LightPoint's arguments and counts it.
    void Add(const Material& material, const Vec3& point, const Vec3& normal, const Vec3& view,
             std::uint32_t faceFlags, float specularity);
};

// The lights and switches a batch is lit with.
struct LightSet {
    const Light* lights;
    int count;
    std::uint32_t renderFlags;
};

// Per-frame values of vertices (as ProjectFace computes them), one array
// each: clip z, x, y, then invZ, ndcX, ndcY, screenX, screenY.
struct VertexValues {
    float* z;
    float* x;
    float* y;
    float* invZ;
    float* ndcX;
    float* ndcY;
    float* screenX;
    float* screenY;
};

// One vector instruction set's entry points.
struct FrontEndIsa {
    const char* name;
    std::int64_t hwyTarget;
    // Lights the batch's count lanes into lit.
    void (*lightPoints)(LightBatch& batch, const LightSet& lights);
    // Transforms and projects vertices [first, end) of the array into
    // values (indexed by vertex), every step of every vertex.
    void (*transformVertices)(const Vertex* vertices, std::size_t first, std::size_t end, const Matrix3& modelToView,
                              const Vec3& actorView, const VertexValues& values);
};

// The compiled sets, weakest first.
const FrontEndIsa* CompiledFrontEndIsas(int* count);

// The set in use: the best the processor runs unless SetFrontEndIsa chose
// another; nullptr for the scalar code.
const FrontEndIsa* CurrentFrontEndIsa();

// "scalar", a compiled set's name, or "" for the best; false when the
// processor does not run it.
bool SetFrontEndIsa(const std::string& name);
std::vector<std::string> AvailableFrontEndIsas();

// The scalar forms, lane by lane with the reference code.
void LightPointsScalar(LightBatch& batch, const LightSet& lights);
void TransformVerticesScalar(const Vertex* vertices, std::size_t first, std::size_t end, const Matrix3& modelToView,
                             const Vec3& actorView, const VertexValues& values);
