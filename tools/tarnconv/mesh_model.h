// The converter's in-memory mesh: everything an object file can carry, in
// the source's own right-handed, Z-up frame (3ds Max's). Readers fill it,
// the object writer turns it into a "3DX" file.
//
// Frame: sources that are Y-up (OBJ, glTF, assimp's output) are rotated into
// this frame on import; the object file exchanges Y and Z, so Z-up here is
// Y-up in the viewer. Faces wind counter-clockwise seen from their front.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarnconv {

struct Vec3d {
    double x = 0.0, y = 0.0, z = 0.0;
};

struct MeshMaterial {
    std::string name;
    std::array<double, 4> diffuse{1.0, 1.0, 1.0, 1.0};  // RGBA, 0..1
    std::array<double, 3> specular{0.0, 0.0, 0.0};       // RGB, 0..1
    double shine = 0.0;          // Shininess: exponent scale, 0 turns highlights off
    double shineStrength = 0.0;  // Shiningstrength: specular colour multiplier
    bool hasSpecularLine = false;
    bool twoSided = false;
    std::string bitmap;   // source image path as the model names it; empty: none
    std::vector<std::uint8_t> embeddedImage;  // encoded image stored inside the model file
    double amount = 1.0;  // how far the texture replaces the diffuse colour
    // Set by the converter once the bitmap is turned into a 3DF file: the
    // bare file name written on the "Texture:" line, and the texture's
    // width:height so UVs can be fitted to a map that is not square.
    std::string textureFile;
    int textureAspectW = 1;
    int textureAspectH = 1;
};

struct MeshFace {
    std::array<int, 3> v{0, 0, 0};               // vertex indices A, B, C
    std::array<int, 3> t{-1, -1, -1};            // texture vertex indices, -1: none
    std::array<bool, 3> edge{true, true, true};  // AB, BC, CA visible
    std::uint32_t smoothing = 0;                 // bit set of groups; 0 = flat
    int material = 0;                            // material number as written (before modulo)
};

struct MeshObject {
    std::string name;
    std::vector<MeshMaterial> materials;  // 0: the actor's colour, 1: every face, more: per face
    std::vector<Vec3d> vertices;
    std::vector<std::array<double, 2>> tvertices;  // U, V with V = 0 at the image's bottom
    std::vector<MeshFace> faces;
    std::vector<int> vertexLines;  // each vertex's line in the source file, where the reader knows it
};

struct MeshModel {
    // Not explicit: {{object, ...}} makes a model of those objects.
    MeshModel(std::vector<MeshObject> objectList = {}) : objects(std::move(objectList)) {}  // NOLINT

    std::vector<MeshObject> objects;
    std::vector<std::string> warnings;  // what a reader had to change or guess
};

struct Bounds {
    Vec3d min{1e300, 1e300, 1e300};
    Vec3d max{-1e300, -1e300, -1e300};
    bool Empty() const { return min.x > max.x; }
    Vec3d Center() const { return {(min.x + max.x) / 2, (min.y + max.y) / 2, (min.z + max.z) / 2}; }
    Vec3d Size() const { return {max.x - min.x, max.y - min.y, max.z - min.z}; }
};

// Bounds of every vertex that a face uses (stray vertices do not count).
Bounds ModelBounds(const MeshModel& model);

// p' = p * scale + offset for every vertex.
void TransformModel(MeshModel* model, double scale, const Vec3d& offset);

int CountFaces(const MeshModel& model);

// The object file holds single-precision floats: false, with
// "source:line: ..." (or "source: ..." where the line is unknown) in *error,
// when a vertex coordinate does not fit one, as after a large scale.
bool CheckCoordinatesFit(const MeshModel& model, const std::string& source, std::string* error);

}  // namespace tarnconv
