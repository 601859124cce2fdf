// The face pass: facing and culling, the lazy per-vertex transform and
// projection, the face's clip code, and the choice of flat or per-corner
// lighting and texturing for this frame.
#pragma once

#include <cstdint>

#include "app/render_flags.h"
#include "math/matrix3.h"
#include "math/vec3.h"
#include "render/vertex_projection.h"
#include "scene/records.h"

// Vertex::cacheFlags bits: which per-frame values are current. Cleared per
// object before its face pass; only ever added to afterwards.
constexpr int VERTEX_X_DONE = 0x1;     // clip.x
constexpr int VERTEX_Y_DONE = 0x2;     // clip.y
constexpr int VERTEX_Z_DONE = 0x4;     // clip.z
constexpr int VERTEX_PROJECTED = 0x8;  // invZ, ndcX, ndcY, screenX, screenY
constexpr int VERTEX_ALL_DONE = 0xF;

// Transforms, tests and projects the three corners' vertices (each step only
// once per frame per vertex). Returns the face's clip code (bits of the
// planes in clipMask that a corner lies beyond; never CLIP_FAR) or
// CLIP_REJECT when all three corners lie beyond one plane.
// corners index into vertices, the face's object's vertex array.
int ProjectFace(const FaceCorner* corners, Vertex* vertices, const Matrix3& modelToView, const Vec3& actorView,
                int clipMask);

// ProcessFace's facing and culling: the face's loader bits with FACE_FRONT
// as the eye sees it (V: the face's point minus the eye), and in *shown
// whether the face goes on. Seen edge-on (V . N == 0) counts as a back face.
inline std::uint32_t FacingFlags(std::uint32_t flags, const Vec3& V, const Vec3& normal, std::uint32_t renderFlags,
                                 bool* shown) {
    flags &= FACE_LOADER_BITS;
    if (V.Dot(normal) < 0.0f) flags |= FACE_FRONT;
    if (renderFlags & RF_FLIP_FACING) flags ^= FACE_FRONT;
    *shown = (flags & FACE_FRONT) || !(renderFlags & RF_BACKFACE_CULL) ||
             ((flags & FACE_TWO_SIDED) && (renderFlags & RF_TWO_SIDED_FACES));
    return flags;
}

// ProcessFace's texturing of a face not rejected: FACE_DRAW_TEXTURED and,
// unless the texture amount is ignored, FACE_USE_TEXTURE_COLOR. A textured
// material on an object without texture vertices is drawn and lit
// untextured rather than reading texture vertices it lacks.
inline std::uint32_t TexturingFlags(std::uint32_t flags, const Face& face, std::uint32_t renderFlags) {
    if ((renderFlags & RF_TEXTURES) && (flags & FACE_TEXTURED) && face.corners[0].tvertex != kNoIndex &&
        face.corners[1].tvertex != kNoIndex && face.corners[2].tvertex != kNoIndex) {
        flags |= FACE_DRAW_TEXTURED;
        if (!(renderFlags & RF_IGNORE_TEXTURE_AMOUNT)) flags |= FACE_USE_TEXTURE_COLOR;
    }
    return flags;
}

// Rebuilds the face's per-frame flags, clipCode, flatColor and flatAlpha and
// lights it (flat: once per face; smooth: per corner, cached). object is
// the face's own.
void ProcessFace(Face& face, Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                 const Light* lights, int lightCount, int clipMask);

// Packs a lit colour as RGBA with red in the top byte; each component is
// rounded to the nearest integer (ties to even) and kept within 0..255.
std::uint32_t PackFlatColor(const ColorRGBA& colour);
