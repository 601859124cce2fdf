#include "scene/object_values.h"

#include <cmath>
#include <cstring>

#include "scene/record_arena.h"

const char* TextureFileWord(const char* word) {
    const bool none = std::strcmp(word, "NOBITMAP") == 0 || std::strcmp(word, "NODIFFUSE") == 0;
    return none ? nullptr : word;
}

void SetMaterialValues(Material& m, const MaterialValues& v) {
    m.shininess = v.shininess;
    m.diffuse = {v.diffuse[0] * 255.0f, v.diffuse[1] * 255.0f, v.diffuse[2] * 255.0f, v.diffuse[3] * 255.0f};
    m.specular = {v.specular[0] * v.strength * 255.0f, v.specular[1] * v.strength * 255.0f,
                  v.specular[2] * v.strength * 255.0f, 0.0f};
    const bool coloured = !(v.specular[0] == 0.0f && v.specular[1] == 0.0f && v.specular[2] == 0.0f);
    m.hasSpecular = (v.shininess != 0.0f && coloured) ? 1 : 0;
    m.twoSided = v.twoSided;
    m.amount = v.amount;
    float keep = 1.0f - m.amount;
    m.textureColor = {keep * m.diffuse.r + m.amount * 255.0f, keep * m.diffuse.g + m.amount * 255.0f,
                      keep * m.diffuse.b + m.amount * 255.0f, m.diffuse.a + 255.0f};
}

void VertexBounds::Add(const Vec3& p, bool first) {
    float distance = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    if (distance > farthest) farthest = distance;
    if (first) {
        low = high = p;
    } else {
        low = Vec3(std::fmin(low.x, p.x), std::fmin(low.y, p.y), std::fmin(low.z, p.z));
        high = Vec3(std::fmax(high.x, p.x), std::fmax(high.y, p.y), std::fmax(high.z, p.z));
    }
}

Vec3 VertexBounds::Center() const {
    return Vec3((low.x + high.x) * 0.5f, (low.y + high.y) * 0.5f, (low.z + high.z) * 0.5f);
}

void BuildFaceRecord(Face& face, FaceSmoothing& merge, const FaceValues& v, const Vec3* fileNormal,
                     const Object& object, const ObjectCounts& counts, int flipNormals) {
    FaceInput input{};
    input.a = v.a;
    input.b = v.b;
    input.c = v.c;
    input.ab = v.ab;
    input.bc = v.bc;
    input.ca = v.ca;
    input.smoothing = v.smoothing;
    input.hasFileNormal = fileNormal != nullptr;
    if (fileNormal != nullptr) input.fileNormal = *fileNormal;
    input.flipNormals = flipNormals;
    BuildFace(face, object.vertices, input);
    if (counts.tvertices != 0) {
        face.corners[0].tvertex = v.ta;
        face.corners[1].tvertex = v.tb;
        face.corners[2].tvertex = v.tc;
    }
    // Normals merge by the material number as written; the face takes the
    // material it names modulo the count, or the actor's own (the entry
    // after the object's materials) when the object has none.
    std::uint32_t material = static_cast<std::uint32_t>(counts.materials);
    if (counts.materials == 1) {
        material = 0;
    } else if (counts.materials > 1) {
        material = static_cast<std::uint32_t>(v.materialNumber % counts.materials);
    }
    FinishFace(face, object.materials, material);
    merge = FaceSmoothing{v.smoothing, v.materialNumber};
}

std::size_t ObjectRecordBytes(const ObjectCounts& counts) {
    auto bytes = [](std::size_t count, std::size_t size) { return RecordArena::Footprint(count * size); };
    return bytes(static_cast<std::size_t>(counts.materials) + 1, sizeof(Material)) +
           bytes(static_cast<std::size_t>(counts.vertices), sizeof(Vertex)) +
           bytes(static_cast<std::size_t>(counts.tvertices), sizeof(TVertex)) +
           bytes(static_cast<std::size_t>(counts.faces), sizeof(Face)) +
           bytes(static_cast<std::size_t>(counts.faces), 3 * sizeof(VertexNormal));
}
