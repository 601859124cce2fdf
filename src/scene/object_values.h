// What an object file's lines give, and the one place each is turned into
// records: shared by the line reader (object_loader.cpp) and the object
// file read whole (object_image.cpp, object_build.cpp), so that both build
// exactly the same records from the same values.
#pragma once

#include <cstdint>

#include "scene/mesh_builder.h"
#include "scene/records.h"

// The counts line of an object block.
struct ObjectCounts {
    int vertices = 0, tvertices = 0, faces = 0, materials = 0, normals = 0;
};

// Shortest line that can satisfy each record's lines (blanks of a format may
// match nothing): a bound used to refuse counts no file of its size can hold.
constexpr int kMinMaterialBytes = 40;  // "Material0:" "Diffuse:R:0G:0B:0A:0" "Texture:x"
constexpr int kMinVertexBytes = 17;    // "Vertex0:X:0Y:0Z:0"
constexpr int kMinTVertexBytes = 15;   // "TVertex0:U:0V:0"
constexpr int kMinFaceBytes = 38;      // "Face0:A:0B:0C:0AB:0BC:0CA:0" "Smoothing:"
constexpr int kMinObjectBytes = 55;    // "Object" "Vertices:0TVertices:0Faces:0Materials:0Normals:0"

// Bytes per record that the count checks reckon with: the sizes a vertex
// and a face had when the checks were set, so that exactly the same counts
// are checked against the file's size (and refused) as before the records
// became smaller.
constexpr std::size_t kCheckedVertexBytes = 64;
constexpr std::size_t kCheckedFaceBytes = 192;

// Longest file or texture name a line may give.
constexpr std::size_t kMaxNameLength = 79;

// One material's lines. Without a "Specular:" line the specular values are
// 0; without "Twosided" 0; without "Amount:" 1.
struct MaterialValues {
    float diffuse[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    float specular[3] = {0.0f, 0.0f, 0.0f};
    float shininess = 0.0f;
    float strength = 0.0f;
    int twoSided = 0;
    float amount = 1.0f;
};

// Sets every field of m that the values decide: colours, shininess,
// hasSpecular, twoSided, amount and textureColor. The texture handles are
// left alone (the texture is loaded between the lines).
void SetMaterialValues(Material& m, const MaterialValues& values);

// The texture a "Texture:" word names: nullptr for the words "NOBITMAP"
// and "NODIFFUSE" (whole and case-sensitive), which mean none.
const char* TextureFileWord(const char* word);

// A texture vertex: the file's U and V times 255.
inline TVertex TextureVertex(float u, float v) { return TVertex{u * 255.0f, v * 255.0f}; }

// A vertex's model position: the file's (X, Y, Z) as (X, Z, Y), times the
// actor's scale.
inline Vec3 ModelPosition(float x, float y, float z, float scale) { return Vec3(x * scale, z * scale, y * scale); }

// The bounds of an object's vertices, in file order: the largest distance
// from the model origin and the box whose centre becomes the object's.
struct VertexBounds {
    float farthest = 0.0f;
    Vec3 low, high;
    void Add(const Vec3& p, bool first);
    Vec3 Center() const;
};

// One face's lines: corners, edge flags, smoothing groups, texture vertices
// (when the object has them) and the material number as written (0 when
// the object has at most one material). Indices are already checked.
struct FaceValues {
    std::uint32_t a, b, c;
    std::uint32_t ta, tb, tc;
    std::uint32_t smoothing;
    int materialNumber;
    int ab, bc, ca;  // edge visibility values, non-zero = visible
};

// Builds the face record (corners, flags, normal, texture vertices,
// material) of an object whose vertices and materials are in place, and
// the values its vertex normals merge with. fileNormal is the face's
// "Normal:" line in model axes, nullptr without one.
void BuildFaceRecord(Face& face, FaceSmoothing& merge, const FaceValues& values, const Vec3* fileNormal,
                     const Object& object, const ObjectCounts& counts, int flipNormals);

// Bytes an object's records take from its arena at most.
std::size_t ObjectRecordBytes(const ObjectCounts& counts);
