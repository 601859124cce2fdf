#include "render/front_end.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "app/render_flags.h"
#include "glide_parallel.h"
#include "render/front_end_passes.h"

namespace {

std::atomic<FrontEnd> gFrontEnd{FrontEnd::kPasses};

// Records per range: a range is the unit a thread takes.
constexpr std::size_t kRange = 8192;
// Objects of fewer faces run their passes on the calling thread alone:
// below that, handing ranges to the device's threads and waiting for them
// three times costs about what the other threads would save.
constexpr std::size_t kParallelFaces = 2 * kRange;

std::size_t gRange = kRange;
std::size_t gParallelFaces = kParallelFaces;

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

inline std::size_t Ranges(std::size_t count) { return (count + gRange - 1) / gRange; }

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
        if (!Grow(requests, capacity) || !Grow(askers, 2 * capacity)) {
            normalCapacity = 0;
            return false;
        }
        normalCapacity = capacity;
    }
    if (faces > faceCapacity) {
        const std::size_t capacity = std::max(faces, faceCapacity * 2);
        if (!Grow(drawn, capacity) || !Grow(flat, capacity)) {
            faceCapacity = 0;
            return false;
        }
        faceCapacity = capacity;
    }
    if (Ranges(faces) > rangeCapacity) {
        const std::size_t capacity = std::max(Ranges(faces), rangeCapacity * 2);
        if (!Grow(rangeCounts, capacity)) {
            rangeCapacity = 0;
            return false;
        }
        rangeCapacity = capacity;
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

void SetFrontEndSplitForTesting(std::size_t range, std::size_t parallelFaces) {
    gRange = range == 0 ? kRange : range;
    gParallelFaces = range == 0 ? kParallelFaces : parallelFaces;
}

namespace {

// One object's passes as ranges, the unit a thread takes: the vertex
// ranges, then the face ranges, then the vertex ranges committed and the
// normal ranges lit (those two write different records). Each step waits
// for the last.
struct ObjectRanges {
    enum class Step { kTransform, kShade, kCommitAndLight };
    const ObjectFrame& frame;
    std::size_t vertexCount, faceCount, normalCount;
    bool shared;  // ranges run on several threads at once
    Step step = Step::kTransform;

    std::size_t Items() const {
        switch (step) {
            case Step::kTransform: return Ranges(vertexCount);
            case Step::kShade: return Ranges(faceCount);
            case Step::kCommitAndLight: return Ranges(vertexCount) + Ranges(normalCount);
        }
        return 0;
    }

    void Run(std::size_t item) const {
        const std::size_t begin = item * gRange;
        FrontEndScratch& scratch = frame.scratch;
        switch (step) {
            case Step::kTransform: TransformVertices(frame, begin, std::min(vertexCount, begin + gRange)); return;
            case Step::kShade:
                // Each face range keeps its faces to draw in its own part of
                // the array (a range never has more than its faces).
                scratch.rangeCounts[item] = 0;
                ShadeFaces(frame, begin, std::min(faceCount, begin + gRange), scratch.drawn.get() + begin,
                           &scratch.rangeCounts[item], scratch.flat.get() + begin, shared);
                return;
            case Step::kCommitAndLight: {
                const std::size_t vertexRanges = Ranges(vertexCount);
                if (item < vertexRanges) {
                    CommitVertices(frame, begin, std::min(vertexCount, begin + gRange));
                } else {
                    const std::size_t first = (item - vertexRanges) * gRange;
                    LightNormals(frame, first, std::min(normalCount, first + gRange), shared);
                }
                return;
            }
        }
    }

    void RunStep(Step s) {
        step = s;
        if (!shared) {
            for (std::size_t i = 0, n = Items(); i < n; ++i) Run(i);
            return;
        }
        glide::RunParallel(
            Items(), [](void* context, std::size_t item) { static_cast<const ObjectRanges*>(context)->Run(item); },
            this);
    }
};

}  // namespace

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

    ObjectRanges ranges{frame, vertexCount, faceCount, normalCount,
                        faceCount >= gParallelFaces && glide::ParallelThreads() > 1};
    ranges.RunStep(ObjectRanges::Step::kTransform);
    ranges.RunStep(ObjectRanges::Step::kShade);
    ranges.RunStep(ObjectRanges::Step::kCommitAndLight);
    for (std::size_t r = 0, n = Ranges(faceCount); r < n; ++r) {
        DrawFaces(frame, scratch.drawn.get() + r * gRange, scratch.rangeCounts[r]);
    }
    return true;
}
