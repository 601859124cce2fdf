// Small hand-built meshes and switch settings for the render tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/render_flags.h"
#include "math/matrix3.h"
#include "math/vec3.h"
#include "scene/records.h"

namespace render_test {

// Sets RenderFlags for one test and restores the previous value after it.
class ScopedRenderFlags {
public:
    explicit ScopedRenderFlags(std::uint32_t flags) : saved_(RenderFlags) { RenderFlags = flags; }
    ~ScopedRenderFlags() { RenderFlags = saved_; }
    ScopedRenderFlags(const ScopedRenderFlags&) = delete;
    ScopedRenderFlags& operator=(const ScopedRenderFlags&) = delete;

private:
    std::uint32_t saved_;
};

// A mesh whose arrays live in vectors; faces refer to its vertices, texture
// vertices and normals by index, one normal per vertex. Its object (AsObject)
// points into the vectors, so nothing may be added after Link().
struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<VertexNormal> normals;  // one per vertex, used by smooth faces
    std::vector<TVertex> tvertices;     // one per vertex when textured
    std::vector<Face> faces;
    // The mesh's one material, then (as in every object) its actor's own.
    Material materials[2];
    Material& material = materials[0];

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    int AddVertex(const Vec3& p, float u = 0.0f, float v = 0.0f) {
        vertices.push_back(Vertex{});
        vertices.back().position = p;
        tvertices.push_back(TVertex{u, v});
        return static_cast<int>(vertices.size()) - 1;
    }

    // Face with corners a, b, c; the normal is (b - a) x (c - a), unit.
    int AddFace(int a, int b, int c, std::uint32_t loaderFlags = 0) {
        Face f{};
        f.flags = loaderFlags;
        f.material = 0;
        const int idx[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            const auto v = static_cast<std::uint32_t>(idx[i]);
            f.corners[i] = FaceCorner{v, kNoIndex, 0, v};
        }
        faces.push_back(f);
        return static_cast<int>(faces.size()) - 1;
    }

    // Sets the normals and face planes. withTexture false leaves the
    // corners without texture vertices.
    void Link(bool withTexture = true) {
        normals.assign(vertices.size(), VertexNormal{});
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            vertices[i].normals = static_cast<std::uint32_t>(i);
            vertices[i].normalCount = 1;
        }
        for (Face& f : faces) {
            for (FaceCorner& c : f.corners) c.tvertex = withTexture ? c.vertex : kNoIndex;
            const Vec3 a = vertices[f.corners[0].vertex].position;
            const Vec3 ab = vertices[f.corners[1].vertex].position - a;
            const Vec3 ac = vertices[f.corners[2].vertex].position - a;
            Vec3 n{ab.y * ac.z - ab.z * ac.y, ab.z * ac.x - ab.x * ac.z, ab.x * ac.y - ab.y * ac.x};
            const float len = std::sqrt(n.Dot(n));
            f.point = a;
            f.normal = n * (1.0f / len);
        }
        // Vertex normals: the face normal of the first face using the vertex.
        for (Face& f : faces) {
            for (FaceCorner& c : f.corners) normals[c.normal].normal = f.normal;
        }
    }

    Object AsObject() {
        Object o;
        o.vertexCount = static_cast<int>(vertices.size());
        o.vertices = vertices.data();
        o.tvertexCount = static_cast<int>(tvertices.size());
        o.tvertices = tvertices.data();
        o.faceCount = static_cast<int>(faces.size());
        o.faces = faces.data();
        o.vertexNormalCount = static_cast<int>(normals.size());
        o.vertexNormals = normals.data();
        o.materialCount = 1;
        o.materials = materials;
        return o;
    }
};

inline Light DirectionalLight(const Vec3& direction, float intensity) {
    Light l;
    l.type = DIRECTIONAL;
    l.position = direction;
    l.local = direction;
    l.intensity = intensity;
    return l;
}

inline Light OmniLight(const Vec3& position, float intensity) {
    Light l;
    l.type = OMNI;
    l.position = position;
    l.local = position;
    l.intensity = intensity;
    return l;
}

}  // namespace render_test
