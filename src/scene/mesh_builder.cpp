#include "scene/mesh_builder.h"

#include <cmath>
#include <new>

namespace {

inline float Length(const Vec3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

inline bool SamePosition(const Vec3& p, const Vec3& q) { return p.x == q.x && p.y == q.y && p.z == q.z; }

inline bool TakesPartInNormals(const Face& face) {
    return (face.flags & FACE_SMOOTH) != 0 && (face.flags & FACE_DEGENERATE) == 0;
}

}  // namespace

float RadiusX(float radius) {
    return static_cast<float>(static_cast<double>(radius) * std::sqrt(static_cast<double>(RADIUS_FACTOR_X_SQUARED)));
}
float RadiusY(float radius) {
    return static_cast<float>(static_cast<double>(radius) * std::sqrt(static_cast<double>(RADIUS_FACTOR_Y_SQUARED)));
}

void BuildFace(Face& face, const Vertex* vertices, const FaceInput& input) {
    face.flags = 0;
    face.clipCode = 0;
    face.flatColor = 0;
    face.flatAlpha = 0.0f;
    face.material = 0;
    const std::uint32_t corners[3] = {input.a, input.b, input.c};
    for (int i = 0; i < 3; ++i) face.corners[i] = FaceCorner{corners[i], kNoIndex, 0, kNoIndex};
    if (input.smoothing != 0) face.flags |= FACE_SMOOTH;
    if (input.ab != 0) face.flags |= FACE_EDGE_AB;
    if (input.bc != 0) face.flags |= FACE_EDGE_BC;
    if (input.ca != 0) face.flags |= FACE_EDGE_CA;
    const Vec3& a = vertices[input.a].position;
    const Vec3& b = vertices[input.b].position;
    const Vec3& c = vertices[input.c].position;
    face.point = a;

    if (SamePosition(b, a) || SamePosition(c, a) || SamePosition(c, b)) {
        // No plane at all: the face keeps a zero normal and is never drawn.
        face.flags |= FACE_DEGENERATE;
        face.normal = Vec3();
        return;
    }
    if (input.hasFileNormal) {
        // Normals from the file are used as given, not normalised.
        face.normal = input.fileNormal;
    } else {
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

void FinishFace(Face& face, const Material* materials, std::uint32_t material) {
    face.material = material;
    const Material& m = materials[material];
    if (m.texture != -1) face.flags |= FACE_TEXTURED;
    if (m.hasSpecular != 0) face.flags |= FACE_SPECULAR;
    if (m.twoSided != 0) face.flags |= FACE_TWO_SIDED;
}

int AddFaceNormal(VertexNormal* list, int& count, const Vec3& normal, std::uint32_t smoothing, int materialNumber,
                  NormalMergeIndex* index) {
    int found = -1;
    if (index != nullptr) {
        found = index->Find(list, count, smoothing, materialNumber);
    } else {
        for (int i = 0; i < count; ++i) {
            if ((list[i].smoothing & smoothing) != 0 && list[i].materialNumber == materialNumber) {
                found = i;
                break;
            }
        }
    }
    if (found >= 0) {
        VertexNormal& entry = list[found];
        entry.normal += normal;
        entry.faceCount += 1;
        entry.smoothing |= smoothing;
        return found;
    }
    VertexNormal* entry = new (&list[count]) VertexNormal();
    entry->normal = normal;
    entry->smoothing = smoothing;
    entry->materialNumber = materialNumber;
    entry->faceCount = 1;
    ++count;
    if (index != nullptr && !index->Added(list, count)) return -1;
    return count - 1;
}

bool MergeVertexNormals(Object& object, const FaceSmoothing* smoothing, RecordArena& arena) {
    const std::size_t vertexCount = static_cast<std::size_t>(object.vertexCount);
    const std::size_t faceCount = static_cast<std::size_t>(object.faceCount);
    Face* const faces = object.faces;
    Vertex* const vertices = object.vertices;

    // Each vertex's smooth faces, in face order (a compressed list: the
    // faces of vertex v are at[first[v]] .. at[first[v + 1] - 1]).
    ScratchMemory firstMemory, atMemory;
    auto* first = static_cast<std::size_t*>(firstMemory.Get((vertexCount + 1) * sizeof(std::size_t)));
    if (first == nullptr) return false;
    for (std::size_t v = 0; v <= vertexCount; ++v) first[v] = 0;
    std::size_t corners = 0;
    for (std::size_t f = 0; f < faceCount; ++f) {
        if (!TakesPartInNormals(faces[f])) continue;
        for (const FaceCorner& corner : faces[f].corners) ++first[corner.vertex + 1];
        corners += 3;
    }
    if (corners == 0) {
        object.vertexNormals = nullptr;
        object.vertexNormalCount = 0;
        return true;
    }
    // Entries are counted in 32 bits (at most one per corner).
    if (corners > 0x7FFFFFFFu) return false;
    for (std::size_t v = 0; v < vertexCount; ++v) first[v + 1] += first[v];
    auto* at = static_cast<std::uint32_t*>(atMemory.Get(corners * sizeof(std::uint32_t)));
    if (at == nullptr) return false;
    for (std::size_t f = 0; f < faceCount; ++f) {
        if (!TakesPartInNormals(faces[f])) continue;
        for (const FaceCorner& corner : faces[f].corners) at[first[corner.vertex]++] = static_cast<std::uint32_t>(f);
    }
    // first[v] now holds the end of v's faces, which is where v + 1's begin.

    // Every vertex's list grows in place, one after the other, in room for
    // the worst case (every corner an entry of its own); the room left over
    // goes back to the arena.
    auto* list = static_cast<VertexNormal*>(arena.Allocate(corners * sizeof(VertexNormal), alignof(VertexNormal)));
    if (list == nullptr) return false;
    NormalMergeIndex index;
    std::size_t used = 0;
    std::size_t begin = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const std::size_t end = first[v];
        VertexNormal* entries = list + used;
        int count = 0;
        index.Clear();
        for (std::size_t k = begin; k < end; ++k) {
            Face& face = faces[at[k]];
            const FaceSmoothing& s = smoothing[at[k]];
            const int entry = AddFaceNormal(entries, count, face.normal, s.smoothing, s.materialNumber, &index);
            if (entry < 0) return false;
            for (FaceCorner& corner : face.corners) {
                if (corner.vertex != v) continue;
                corner.normalIndex = static_cast<std::uint32_t>(entry);
                corner.normal = static_cast<std::uint32_t>(used + static_cast<std::size_t>(entry));
            }
        }
        vertices[v].normals = static_cast<std::uint32_t>(used);
        vertices[v].normalCount = count;
        used += static_cast<std::size_t>(count);
        begin = end;
    }
    arena.GiveBack(list + used);
    object.vertexNormals = used > 0 ? list : nullptr;
    object.vertexNormalCount = static_cast<int>(used);
    return true;
}

void FinishObject(Object& object) {
    for (int i = 0; i < object.vertexNormalCount; ++i) {
        VertexNormal& entry = object.vertexNormals[i];
        float count = static_cast<float>(entry.faceCount);
        Vec3 mean(entry.normal.x / count, entry.normal.y / count, entry.normal.z / count);
        float length = Length(mean);
        // Merged normals that cancel out have no direction; a zero normal
        // keeps lighting finite (it lights nothing) where 0/0 would not.
        entry.normal = (length > 0.0f && std::isfinite(length)) ? mean * (1.0f / length) : Vec3();
    }
    float radius = 0.0f;
    for (int v = 0; v < object.vertexCount; ++v) {
        float distance = Length(object.vertices[v].position - object.center);
        if (distance > radius) radius = distance;
    }
    object.radius = radius;
    object.radiusX = RadiusX(radius);
    object.radiusY = RadiusY(radius);
}
