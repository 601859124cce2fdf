#include "scene/mesh_builder.h"

#include <bit>
#include <cmath>
#include <new>

namespace {

inline float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

inline bool SamePosition(const Vertex* p, const Vertex* q) {
    return p->position.x == q->position.x && p->position.y == q->position.y && p->position.z == q->position.z;
}

// Room a vertex's normal list has for count entries: exact for short lists
// (most vertices hold one or two entries), the next power of two for long
// ones so that appending stays linear in time.
inline int NormalCapacity(int count) {
    constexpr int kExactEntries = 8;
    return count <= kExactEntries ? count : static_cast<int>(std::bit_ceil(static_cast<unsigned>(count)));
}

}  // namespace

float RadiusX(float radius) {
    return static_cast<float>(static_cast<double>(radius) * std::sqrt(static_cast<double>(RADIUS_FACTOR_X_SQUARED)));
}
float RadiusY(float radius) {
    return static_cast<float>(static_cast<double>(radius) * std::sqrt(static_cast<double>(RADIUS_FACTOR_Y_SQUARED)));
}

void BuildFace(Face& face, const FaceInput& input) {
    face.flags = 0;
    face.clipCode = 0;
    face.flatColor = 0;
    face.flatAlpha = 0.0f;
    face.material = nullptr;
    Vertex* corners[3] = {input.a, input.b, input.c};
    for (int i = 0; i < 3; ++i) {
        face.corners[i].vertex = corners[i];
        face.corners[i].tvertex = nullptr;
        face.corners[i].normalIndex = 0;
        face.corners[i].normal = nullptr;
    }
    if (input.smoothing != 0) face.flags |= FACE_SMOOTH;
    if (input.ab != 0) face.flags |= FACE_EDGE_AB;
    if (input.bc != 0) face.flags |= FACE_EDGE_BC;
    if (input.ca != 0) face.flags |= FACE_EDGE_CA;
    face.point = input.a->position;

    if (SamePosition(input.b, input.a) || SamePosition(input.c, input.a) || SamePosition(input.c, input.b)) {
        // No plane at all: the face keeps a zero normal and is never drawn.
        face.flags |= FACE_DEGENERATE;
        face.normal = Vec3();
        return;
    }
    if (input.hasFileNormal) {
        // Normals from the file are used as given, not normalised.
        face.normal = input.fileNormal;
    } else {
        const Vec3& a = input.a->position;
        const Vec3& b = input.b->position;
        const Vec3& c = input.c->position;
        Vec3 e1 = b - a;
        Vec3 e2 = c - b;
        Vec3 n(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
        face.normal = n * (1.0f / Length(n));
        // Collinear corners give no length (the normal becomes NaN); a
        // length so small that its reciprocal overflows gives an infinite
        // normal, which no lighting could use either.
        float length = Length(face.normal);
        if (length == 0.0f || !std::isfinite(length)) face.flags |= FACE_DEGENERATE;
    }
    if (input.flipNormals != 0) face.normal = -face.normal;
}

bool FinishFace(Face& face, Material* material, std::uint32_t smoothing, int materialNumber, NormalMergeIndex& index) {
    face.material = material;
    if (material->texture != -1) face.flags |= FACE_TEXTURED;
    if (material->hasSpecular != 0) face.flags |= FACE_SPECULAR;
    if (material->twoSided != 0) face.flags |= FACE_TWO_SIDED;
    if ((face.flags & FACE_SMOOTH) == 0 || (face.flags & FACE_DEGENERATE) != 0) return true;
    for (FaceCorner& corner : face.corners) {
        int entry = AddFaceNormal(*corner.vertex, face.normal, smoothing, materialNumber, &index);
        if (entry < 0) return false;
        corner.normalIndex = entry;
    }
    return true;
}

int AddFaceNormal(Vertex& vertex, const Vec3& normal, std::uint32_t smoothing, int materialNumber,
                  NormalMergeIndex* index) {
    // Most lists are short: they are searched here, long ones through the index.
    const bool indexed = index != nullptr && vertex.normalCount > NormalMergeIndex::kDirectSearchEntries;
    int found = -1;
    if (indexed) {
        found = index->Find(vertex, smoothing, materialNumber);
    } else {
        for (int i = 0; i < vertex.normalCount; ++i) {
            const VertexNormal& entry = vertex.normals[i];
            if ((entry.smoothing & smoothing) != 0 && entry.materialNumber == materialNumber) {
                found = i;
                break;
            }
        }
    }
    if (found >= 0) {
        VertexNormal& entry = vertex.normals[found];
        entry.normal += normal;
        entry.faceCount += 1;
        entry.smoothing |= smoothing;
        return found;
    }
    const int count = vertex.normalCount;
    if (count == NormalCapacity(count)) {
        const int capacity = NormalCapacity(count + 1);
        VertexNormal* grown = new (std::nothrow) VertexNormal[static_cast<std::size_t>(capacity)];
        if (grown == nullptr) return -1;
        for (int i = 0; i < count; ++i) grown[i] = vertex.normals[i];
        delete[] vertex.normals;
        vertex.normals = grown;
    }
    VertexNormal& entry = vertex.normals[count];
    entry.normal = normal;
    entry.smoothing = smoothing;
    entry.materialNumber = materialNumber;
    entry.faceCount = 1;
    vertex.normalCount = count + 1;
    if (index != nullptr && vertex.normalCount > NormalMergeIndex::kDirectSearchEntries && !index->Added(vertex)) {
        return -1;
    }
    return count;
}

void FinishObject(Object& object) {
    float radius = 0.0f;
    for (int v = 0; v < object.vertexCount; ++v) {
        Vertex& vertex = object.vertices[v];
        for (int i = 0; i < vertex.normalCount; ++i) {
            VertexNormal& entry = vertex.normals[i];
            float count = static_cast<float>(entry.faceCount);
            Vec3 mean(entry.normal.x / count, entry.normal.y / count, entry.normal.z / count);
            float length = Length(mean);
            // Merged normals that cancel out have no direction; a zero normal
            // keeps lighting finite (it lights nothing) where 0/0 would not.
            entry.normal = (length > 0.0f && std::isfinite(length)) ? mean * (1.0f / length) : Vec3();
        }
        float distance = Length(vertex.position - object.center);
        if (distance > radius) radius = distance;
    }
    object.radius = radius;
    object.radiusX = RadiusX(radius);
    object.radiusY = RadiusY(radius);
    // Lists were reallocated while they grew, so references are taken only now.
    for (int f = 0; f < object.faceCount; ++f) {
        Face& face = object.faces[f];
        if ((face.flags & FACE_SMOOTH) == 0 || (face.flags & FACE_DEGENERATE) != 0) continue;
        for (FaceCorner& corner : face.corners) corner.normal = &corner.vertex->normals[corner.normalIndex];
    }
}
