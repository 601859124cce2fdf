// The front end's pass over faces: facing and culling, the clip code and
// the steps of the lazy transform it takes, texturing and shading. A range
// writes only its own faces, the steps of their corners' vertices (bits
// ORed in) and the requests of their corners' normals; ranges that run at
// once share those two through atomic operations whose result does not
// depend on the order they come in.
#include <atomic>
#include <cstring>

#include "app/render_flags.h"
#include "render/clip_codes.h"
#include "render/face_processor.h"
#include "render/front_end_passes.h"

namespace {

// The clip code ProjectFace gives a face whose corners' values are a, b,
// c, and in *steps the lazy steps it takes at each corner on the way (the
// same for all three): z first; x with the side planes, or else after the
// top and bottom; y; the projection once nothing rejected the face.
int ClipCode(const VertexValues& v, std::uint32_t a, std::uint32_t b, std::uint32_t c, int clipMask,
             std::uint8_t* steps) {
    int code = 0;
    std::uint8_t done = VERTEX_Z_DONE;
    const float za = v.z[a], zb = v.z[b], zc = v.z[c];
    if (clipMask & (CLIP_NEAR | CLIP_FAR)) {
        float zmin = za, zmax = za;
        if (zb < zmin) zmin = zb;
        if (zb > zmax) zmax = zb;
        if (zc < zmin) zmin = zc;
        if (zc > zmax) zmax = zc;
        if (zmax < NEAR_Z || zmin > FAR_Z) {
            *steps = done;
            return CLIP_REJECT;
        }
        if (zmin < NEAR_Z) code |= CLIP_NEAR;
    }
    // Counts the corners beyond one plane: all three reject the face.
    auto plane = [&](int outside, int bit) {
        if (outside == 3) return false;
        if (outside > 0) code |= bit;
        return true;
    };
    if (clipMask & (CLIP_RIGHT | CLIP_LEFT)) {
        done |= VERTEX_X_DONE;
        const float xa = v.x[a], xb = v.x[b], xc = v.x[c];
        if ((clipMask & CLIP_LEFT) && !plane((xa < -za) + (xb < -zb) + (xc < -zc), CLIP_LEFT)) {
            *steps = done;
            return CLIP_REJECT;
        }
        if ((clipMask & CLIP_RIGHT) && !plane((xa > za) + (xb > zb) + (xc > zc), CLIP_RIGHT)) {
            *steps = done;
            return CLIP_REJECT;
        }
    }
    done |= VERTEX_Y_DONE;
    const float ya = v.y[a], yb = v.y[b], yc = v.y[c];
    if ((clipMask & CLIP_BOTTOM) && !plane((ya < -za) + (yb < -zb) + (yc < -zc), CLIP_BOTTOM)) {
        *steps = done;
        return CLIP_REJECT;
    }
    if ((clipMask & CLIP_TOP) && !plane((ya > za) + (yb > zb) + (yc > zc), CLIP_TOP)) {
        *steps = done;
        return CLIP_REJECT;
    }
    *steps = VERTEX_ALL_DONE;
    return code;
}

// The steps a face takes at one of its corners' vertices, ORed into the
// vertex's.
template <bool kShared>
void AddSteps(std::uint8_t& steps, std::uint8_t done) {
    if constexpr (kShared) {
        const std::atomic_ref<std::uint8_t> shared(steps);
        if ((shared.load(std::memory_order_relaxed) & done) != done) shared.fetch_or(done, std::memory_order_relaxed);
    } else {
        steps |= done;
    }
}

// Face f, with flags, asks for the sides its corners' normals are lit on.
template <bool kShared>
void AskForNormals(NormalRequest* requests, std::uint32_t* askers, const Face& face, std::uint32_t f,
                   std::uint32_t flags) {
    const int side = (flags & FACE_FRONT) ? 0 : 1;
    for (const FaceCorner& corner : face.corners) {
        if constexpr (kShared) {
            // The first face in face order wins, whatever order the ranges run in.
            const std::atomic_ref<std::uint32_t> asker(askers[2 * std::size_t{corner.normal} + side]);
            const std::uint32_t mine = ~f;
            std::uint32_t seen = asker.load(std::memory_order_relaxed);
            while (seen < mine && !asker.compare_exchange_weak(seen, mine, std::memory_order_relaxed)) {
            }
        } else {
            // The first face to ask for a side decides how it is lit.
            NormalRequest& request = requests[corner.normal];
            if (request.flags[side] != 0) continue;
            request.flags[side] = flags | kRequested;
            request.material[side] = face.material;
            request.vertex[side] = corner.vertex;
        }
    }
}

template <bool kShared>
void ShadeFacesOf(const ObjectFrame& frame, std::size_t begin, std::size_t end, std::uint32_t* drawn,
                  std::size_t* count, std::uint32_t* flat) {
    Object& object = frame.object;
    const std::uint32_t renderFlags = frame.lights.renderFlags;
    const Vec3 eye = frame.eye;
    const VertexValues& values = frame.scratch.vertexValues;
    std::uint8_t* const steps = frame.scratch.steps.get();
    NormalRequest* const requests = frame.scratch.requests.get();
    std::uint32_t* const askers = frame.scratch.askers.get();
    std::size_t n = *count;
    std::size_t flatCount = 0;
    for (std::size_t k = begin; k < end; ++k) {
        const auto f = static_cast<std::uint32_t>(k);
        Face& face = object.faces[f];
        std::uint32_t flags = face.flags;
        if (flags & FACE_DEGENERATE) {
            face.clipCode = CLIP_REJECT;
            continue;
        }
        bool shown = false;
        flags = FacingFlags(flags, face.point - eye, face.normal, renderFlags, &shown);
        face.flags = flags;
        if (!shown) {
            face.clipCode = CLIP_REJECT;
            continue;
        }

        const std::uint32_t a = face.corners[0].vertex, b = face.corners[1].vertex, c = face.corners[2].vertex;
        std::uint8_t done = VERTEX_ALL_DONE;
        const int code = frame.clipMask == 0 ? 0 : ClipCode(values, a, b, c, frame.clipMask, &done);
        AddSteps<kShared>(steps[a], done);
        AddSteps<kShared>(steps[b], done);
        AddSteps<kShared>(steps[c], done);
        face.clipCode = code;
        if (code == CLIP_REJECT) continue;

        flags = TexturingFlags(flags, face, renderFlags);
        face.flatColor = 0;
        if ((flags & FACE_SMOOTH) && !(renderFlags & RF_FLAT_SHADING)) {
            flags |= FACE_GOURAUD;
            face.flags = flags;
            AskForNormals<kShared>(requests, askers, face, f, flags);
        } else {
            face.flags = flags;
            flat[flatCount++] = f;
        }
        drawn[n++] = f;
    }
    *count = n;
    // The flat faces' colours, several faces at a time.
    if (frame.isa != nullptr) {
        frame.isa->lightFlatFaces(object.faces, flat, flatCount, frame.lighting);
    } else {
        LightFlatFacesScalar(object.faces, flat, flatCount, frame.lighting);
    }
}

}  // namespace

void ShadeFaces(const ObjectFrame& frame, std::size_t begin, std::size_t end, std::uint32_t* drawn,
                std::size_t* count, std::uint32_t* flat, bool shared) {
    if (shared) {
        ShadeFacesOf<true>(frame, begin, end, drawn, count, flat);
    } else {
        ShadeFacesOf<false>(frame, begin, end, drawn, count, flat);
    }
}
