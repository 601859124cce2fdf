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
    std::uint32_t front[kCapacity];      // ~0 when the face flags hold FACE_FRONT
    std::uint32_t highlight[kCapacity];  // ~0 when the material has a highlight
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

// What lighting takes of an object's materials (SurfaceOf), one array per
// value, two slots per material: slot 2m lights with material m's diffuse
// colour, slot 2m + 1 with its texture colour (FACE_USE_TEXTURE_COLOR).
struct MaterialLanes {
    float* cr;
    float* cg;
    float* cb;
    float* ca;
    float* sr;
    float* sg;
    float* sb;
    float* sa;
    float* exponent;
    std::uint32_t* highlight;  // ~0 when the material has a highlight

    // Fills slots 0 .. 2 * count - 1 from the object's materials.
    void Set(const Material* materials, int count, float specularity) const;
};

// The slot a face with these flags lights material m with.
inline std::uint32_t MaterialSlot(std::uint32_t material, std::uint32_t faceFlags) {
    return 2 * material + ((faceFlags & FACE_USE_TEXTURE_COLOR) ? 1u : 0u);
}

// A vertex-normal side asked for by a face of the clip pass: the first
// face (in face order) that asks for a side decides how it is lit, as the
// sequential pass lights it when that face asks. Front side, back side:
// the asking face's corner vertex (whose position is lit), its material
// and its face flags (0: no face asked).
struct NormalRequest {
    std::uint32_t vertex[2];
    std::uint32_t material[2];
    std::uint32_t flags[2];
};

// Face flags of a request: the face's own, with this bit (one the face
// flags never use) to tell that a face asked.
constexpr std::uint32_t kRequested = 0x100u;

// What the face and normal passes light with.
struct LightingFrame {
    LightSet lights;
    MaterialLanes materials;
    const Vertex* vertices;
    Vec3 eye;
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
    // The flat colour and alpha of the listed faces (indices into faces,
    // ascending, less than 2^26 apart), as ProcessFace sets them.
    void (*lightFlatFaces)(Face* faces, const std::uint32_t* list, std::size_t count, const LightingFrame& frame);
    // The sides asked for of normals [begin, end), as LightVertex lights
    // them; litFlags set, the requests cleared.
    void (*lightNormals)(VertexNormal* normals, NormalRequest* requests, std::size_t begin, std::size_t end,
                         const LightingFrame& frame);
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

// The scalar forms, point by point with the reference code.
void LightPointsScalar(LightBatch& batch, const LightSet& lights);
void TransformVerticesScalar(const Vertex* vertices, std::size_t first, std::size_t end, const Matrix3& modelToView,
                             const Vec3& actorView, const VertexValues& values);
void LightFlatFacesScalar(Face* faces, const std::uint32_t* list, std::size_t count, const LightingFrame& frame);
void LightNormalsScalar(VertexNormal* normals, NormalRequest* requests, std::size_t begin, std::size_t end,
                        const LightingFrame& frame);
