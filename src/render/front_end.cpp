#include "render/front_end.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "app/render_flags.h"
#include "render/front_end_passes.h"

namespace {

std::atomic<FrontEnd> gFrontEnd{FrontEnd::kPasses};

// Records per range: a range is the unit a thread would take.
constexpr std::size_t kRange = 8192;

FrontEndScratch gScratch;

template <class T>
bool Grow(std::unique_ptr<T[]>& array, std::size_t count) {
    // Zero-filled: the steps and requests start empty.
    array.reset(new (std::nothrow) T[count]());
    return array != nullptr;
}

// Points each of out at the next `length` floats of base, in order.
template <class... Arrays>
void Split(float* base, std::size_t length, Arrays&... out) {
    std::size_t i = 0;
    ((out = base + length * i++), ...);
}

inline std::size_t Ranges(std::size_t count) { return (count + kRange - 1) / kRange; }

}  // namespace

FrontEnd CurrentFrontEnd() { return gFrontEnd.load(std::memory_order_relaxed); }

void SetFrontEnd(FrontEnd frontEnd) { gFrontEnd.store(frontEnd, std::memory_order_relaxed); }

bool FrontEndScratch::Reserve(std::size_t vertices, std::size_t normals, std::size_t faces, std::size_t materialCount) {
    if (vertices > vertexCapacity) {
        const std::size_t capacity = std::max(vertices, vertexCapacity * 2);
        if (!Grow(values, 8 * capacity) || !Grow(steps, capacity)) {
            vertexCapacity = 0;
            return false;
        }
        VertexValues& v = vertexValues;
        Split(values.get(), capacity, v.z, v.x, v.y, v.invZ, v.ndcX, v.ndcY, v.screenX, v.screenY);
        vertexCapacity = capacity;
    }
    if (normals > normalCapacity) {
        const std::size_t capacity = std::max(normals, normalCapacity * 2);
        if (!Grow(requests, capacity)) {
            normalCapacity = 0;
            return false;
        }
        normalCapacity = capacity;
    }
    if (faces > faceCapacity) {
        const std::size_t capacity = std::max(faces, faceCapacity * 2);
        if (!Grow(drawn, capacity) || !Grow(flat, capacity) || !Grow(rangeCounts, Ranges(capacity))) {
            faceCapacity = 0;
            return false;
        }
        faceCapacity = capacity;
    }
    if (materialCount > materialCapacity) {
        const std::size_t capacity = std::max(materialCount, materialCapacity * 2);
        const std::size_t slots = 2 * capacity;
        if (!Grow(materialValues, 9 * slots) || !Grow(materialHighlights, slots)) {
            materialCapacity = 0;
            return false;
        }
        MaterialLanes& m = materials;
        Split(materialValues.get(), slots, m.cr, m.cg, m.cb, m.ca, m.sr, m.sg, m.sb, m.sa, m.exponent);
        m.highlight = materialHighlights.get();
        materialCapacity = capacity;
    }
    return true;
}

bool ReserveFrontEnd(const Actor& actor) {
    std::size_t vertices = 0, normals = 0, faces = 0, materials = 0;
    for (int i = 0; i < actor.objectCount; ++i) {
        const Object& o = actor.objects[i];
        vertices = std::max(vertices, static_cast<std::size_t>(o.vertexCount));
        normals = std::max(normals, static_cast<std::size_t>(o.vertexNormalCount));
        faces = std::max(faces, static_cast<std::size_t>(o.faceCount));
        materials = std::max(materials, static_cast<std::size_t>(o.materialCount) + 1);
    }
    return gScratch.Reserve(vertices, normals, faces, materials);
}

bool RenderObjectInPasses(Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                          const Light* lights, int lightCount, int clipMask) {
    const auto vertexCount = static_cast<std::size_t>(object.vertexCount);
    const auto normalCount = static_cast<std::size_t>(object.vertexNormalCount);
    const auto faceCount = static_cast<std::size_t>(object.faceCount);
    // The materials and the actor's own after them.
    const auto materialCount = static_cast<std::size_t>(object.materialCount) + 1;
    // Lanes address vertices by 32-bit offsets in floats.
    if (vertexCount > (std::size_t{1} << 31) / sizeof(Vertex)) return false;
    FrontEndScratch& scratch = gScratch;
    if (!scratch.Reserve(vertexCount, normalCount, faceCount, materialCount)) return false;
    scratch.materials.Set(object.materials, static_cast<int>(materialCount), Scene.specularity);
    const ObjectFrame frame{object,
                            modelToView,
                            actorView,
                            eye,
                            LightSet{lights, lightCount, RenderFlags},
                            clipMask,
                            Scene.specularity,
                            CurrentFrontEndIsa(),
                            scratch,
                            LightingFrame{LightSet{lights, lightCount, RenderFlags}, scratch.materials, object.vertices, eye}};

    for (std::size_t begin = 0; begin < vertexCount; begin += kRange) {
        TransformVertices(frame, begin, std::min(vertexCount, begin + kRange));
    }
    // Each face range keeps its faces to draw in its own part of the array
    // (a range never has more than its faces).
    const std::size_t faceRanges = Ranges(faceCount);
    std::size_t* const drawn = scratch.rangeCounts.get();
    for (std::size_t r = 0; r < faceRanges; ++r) {
        const std::size_t begin = r * kRange;
        drawn[r] = 0;
        ShadeFaces(frame, begin, std::min(faceCount, begin + kRange), scratch.drawn.get() + begin, &drawn[r],
                   scratch.flat.get() + begin);
    }
    for (std::size_t begin = 0; begin < vertexCount; begin += kRange) {
        CommitVertices(frame, begin, std::min(vertexCount, begin + kRange));
    }
    for (std::size_t begin = 0; begin < normalCount; begin += kRange) {
        LightNormals(frame, begin, std::min(normalCount, begin + kRange));
    }
    for (std::size_t r = 0; r < faceRanges; ++r) DrawFaces(frame, scratch.drawn.get() + r * kRange, drawn[r]);
    return true;
}
