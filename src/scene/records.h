// The scene records that the loaders fill and that navigation and the
// renderer read every frame. Plain classes with public data; several carry
// per-frame working fields that the renderer fills lazily behind "done" bits
// so each vertex is transformed once and each vertex normal lit once per side
// per frame.
//
// Axes: object files are read with Y and Z exchanged; scene-file positions
// are used as written. Colours are floats on the 0..255 scale.
#pragma once

#include <cstdint>

#include "math/color_rgba.h"
#include "math/matrix3.h"
#include "math/vec3.h"

// Face flag bits. Bits 24..31 are set by the loader and never change; bits
// 0..23 are rebuilt by the renderer every frame.
constexpr std::uint32_t FACE_TEXTURED = 0x80000000u;    // the material has a texture
constexpr std::uint32_t FACE_SMOOTH = 0x40000000u;      // smoothing group not 0: lit per corner
constexpr std::uint32_t FACE_TWO_SIDED = 0x20000000u;   // the material is two-sided
constexpr std::uint32_t FACE_DEGENERATE = 0x10000000u;  // corners coincide or no normal: never drawn
constexpr std::uint32_t FACE_EDGE_AB = 0x08000000u;     // edge A-B visible (antialiased)
constexpr std::uint32_t FACE_EDGE_BC = 0x04000000u;     // edge B-C visible
constexpr std::uint32_t FACE_EDGE_CA = 0x02000000u;     // edge C-A visible
constexpr std::uint32_t FACE_SPECULAR = 0x01000000u;    // the material's hasSpecular is set
constexpr std::uint32_t FACE_LOADER_BITS = 0xFF000000u;

constexpr std::uint32_t FACE_DRAW_TEXTURED = 0x10u;      // draw with the material's texture this frame
constexpr std::uint32_t FACE_GOURAUD = 0x08u;            // lit per corner, drawn with iterated colour
constexpr std::uint32_t FACE_USE_TEXTURE_COLOR = 0x04u;  // lighting uses textureColor, not diffuse
constexpr std::uint32_t FACE_FRONT = 0x01u;              // the camera sees the front of the face

struct Material {
    ColorRGBA diffuse{255.0f, 255.0f, 255.0f, 255.0f};
    ColorRGBA textureColor{0.0f, 0.0f, 0.0f, 0.0f};  // diffuse blended toward white by amount
    ColorRGBA specular{180.0f, 180.0f, 180.0f, 0.0f};
    float shininess = 0.1f;  // the actor's own material is never given one by a file
    int twoSided = 0;
    int hasSpecular = 1;
    float amount = 1.0f;
    int texture = -1;      // Glide mip-map handle, all levels; -1 = untextured
    int textureOdd = -1;   // odd levels, for two-pass trilinear drawing
    int textureEven = -1;  // even levels
};

// References between the records of one object are 32-bit indices into
// the object's arrays, not pointers: a face then takes 96 bytes. kNoIndex
// marks a reference that is not there (a corner without texture vertex).
constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;

// One smoothed normal at a vertex: one per combination of smoothing groups
// and material number among the faces that share the vertex. Lighting reads
// the normal and litFlags and writes a colour: one 64-byte line holds them.
struct alignas(64) VertexNormal {
    ColorRGBA frontColor;  // lit colour seen from the front (per frame)
    ColorRGBA backColor;   // lit colour seen from the back (per frame)
    Vec3 normal;           // sum of merged face normals while loading; unit length after
    int litFlags = 0;      // 1: frontColor current, 2: backColor current (per frame)
    std::uint32_t smoothing = 0;
    int materialNumber = 0;
    int faceCount = 0;
};
static_assert(sizeof(VertexNormal) == 64, "a VertexNormal fills one 64-byte line");

struct Vertex {
    Vec3 position;  // model position: file (X, Z, Y) times the actor's scale
    Vec3 clip;      // per frame: view x * 1.73, view y * 2.3066666, view z
    float ndcX = 0.0f, ndcY = 0.0f;
    float invZ = 0.0f;
    float screenX = 0.0f, screenY = 0.0f;
    std::uint32_t normals = 0;  // first of its normalCount entries in the object's vertexNormals
    int cacheFlags = 0;         // per frame: which of clip/ndc/screen are current
    int normalCount = 0;
};

struct TVertex {
    float u;  // file U times 255
    float v;  // file V times 255
};

struct FaceCorner {
    std::uint32_t vertex;       // into the object's vertices
    std::uint32_t tvertex;      // into the object's tvertices; kNoIndex when it has none
    std::uint32_t normalIndex;  // into the vertex's normals
    std::uint32_t normal;       // into the object's vertexNormals: the vertex's entry normalIndex, set
                                // once the object is finished (smooth faces that are not degenerate)
};

// A face takes three 32-byte lines and the face array starts on a 32-byte
// boundary. The first line holds what culling reads and writes (flags,
// point, normal, clipCode), so a face that is culled or degenerate costs one
// line; the other two hold the colour, the material and the corners.
struct alignas(32) Face {
    std::uint32_t flags;
    Vec3 point;   // position of corner A: a point on the face's plane
    Vec3 normal;
    int clipCode;             // per frame; CLIP_REJECT (64) = not drawn
    std::uint32_t flatColor;  // per frame: packed RGBA, red in the top byte
    float flatAlpha;          // per frame
    std::uint32_t material;   // into the object's materials (materialCount: the actor's own)
    FaceCorner corners[3];
};
static_assert(sizeof(void*) != 8 || sizeof(Face) == 96, "a Face takes exactly three 32-byte lines");

// An object's records. Its materials array holds one entry more than
// materialCount: the last is a copy of its actor's own material, the one a
// face takes when the object has no materials of its own.
struct Object {
    int materialCount = 0;
    Material* materials = nullptr;
    int vertexCount = 0;
    Vertex* vertices = nullptr;
    int tvertexCount = 0;
    TVertex* tvertices = nullptr;
    int faceCount = 0;
    Face* faces = nullptr;
    int vertexNormalCount = 0;
    VertexNormal* vertexNormals = nullptr;  // every vertex's normals, vertex after vertex
    Vec3 center;
    float radius = 0.0f;
    float radiusX = 0.0f;
    float radiusY = 0.0f;
};

struct Actor {
    Object* objects = nullptr;
    int objectCount = 0;
    Vec3 position;
    Matrix3 orientation;  // identity
    Material material;
    float radius = 0.0f;
    float radiusX = 0.0f;
    float radiusY = 0.0f;
};

enum LightType : int { OMNI = 0, DIRECTIONAL = 1 };

struct Light {
    Vec3 position;  // OMNI: position; DIRECTIONAL: unit direction the light travels
    Vec3 local;     // per actor: position or direction in the actor's frame
    int type = OMNI;
    int enabled = 1;
    float intensity = 0.0f;
};

// Scale factors of the projection and the bounding-radius factors derived
// from them: sqrt(1 + 1.73^2) and sqrt(1 + 2.3066666^2), from these
// single-precision constants.
constexpr float VIEW_SCALE_X = 1.73f;
constexpr float VIEW_SCALE_Y = 2.3066666f;
constexpr float RADIUS_FACTOR_X_SQUARED = 3.9929001f;
constexpr float RADIUS_FACTOR_Y_SQUARED = 6.3207111f;

struct Scene {
    Actor camera;  // an ordinary Actor that is never drawn
    Actor* actors = nullptr;
    int actorCount = 0;
    Light* lights = nullptr;
    int lightCount = 0;
    float specularity = 400.0f;
};

// The type keeps the name `Scene`, and so does the one global scene, as the
// rest of the system writes `Scene.camera`. Where the type is needed after
// this point, write SceneRecord (or `struct Scene`).
using SceneRecord = struct Scene;
extern SceneRecord Scene;
