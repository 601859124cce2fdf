#include "render/face_processor.h"

#include <cmath>

#include "app/render_flags.h"
#include "render/clip_codes.h"
#include "render/lighting.h"
#include "render/vertex_projection.h"

namespace {

// Makes the compiler treat v as unknown, so each step stays a separately
// rounded single-precision operation (no fused multiply-add, no folding).
inline float Rounded(float v) {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    asm("" : "+x"(v));
#elif defined(__GNUC__) && defined(__aarch64__)
    asm("" : "+w"(v));
#else
    volatile float kept = v;
    v = kept;
#endif
    return v;
}

}  // namespace

float SnapScreenX(float ndcX) {
    const float lifted = Rounded(Rounded(ndcX * 256.0f) + 524608.0f);
    return lifted - 524288.0f;
}

float SnapScreenY(float ndcY) {
    const float lifted = Rounded(Rounded(ndcY * 192.0f) + 524528.0f);
    return lifted - 524288.0f;
}

namespace {

// The lazy steps of one vertex. R is modelToView, T the actor's view
// position.
inline void DoZ(Vertex& v, const Matrix3& R, const Vec3& T) {
    v.clip.z = ClipZ(v.position, R, T);
    v.cacheFlags |= VERTEX_Z_DONE;
}

inline void DoX(Vertex& v, const Matrix3& R, const Vec3& T) {
    v.clip.x = ClipX(v.position, R, T);
    v.cacheFlags |= VERTEX_X_DONE;
}

inline void DoY(Vertex& v, const Matrix3& R, const Vec3& T) {
    v.clip.y = ClipY(v.position, R, T);
    v.cacheFlags |= VERTEX_Y_DONE;
}

// A corner nearer than NEAR_Z (even at z = 0) is projected too; its values
// are never drawn because its face is clipped at the near plane first.
inline void DoProject(Vertex& v) {
    const ProjectedVertex p = Project(v.clip.x, v.clip.y, v.clip.z);
    v.invZ = p.invZ;
    v.ndcX = p.ndcX;
    v.ndcY = p.ndcY;
    v.screenX = p.screenX;
    v.screenY = p.screenY;
    v.cacheFlags |= VERTEX_PROJECTED;
}

inline void EnsureZ(Vertex& v, const Matrix3& R, const Vec3& T) {
    if (!(v.cacheFlags & VERTEX_Z_DONE)) DoZ(v, R, T);
}
inline void EnsureX(Vertex& v, const Matrix3& R, const Vec3& T) {
    if (!(v.cacheFlags & VERTEX_X_DONE)) DoX(v, R, T);
}
inline void EnsureY(Vertex& v, const Matrix3& R, const Vec3& T) {
    if (!(v.cacheFlags & VERTEX_Y_DONE)) DoY(v, R, T);
}

// Counts how many of the three values lie beyond a plane; all three rejects
// the face, one or two set the plane's bit.
inline int PlaneCode(int outside, int plane) {
    if (outside == 3) return CLIP_REJECT;
    return outside > 0 ? plane : 0;
}

inline std::uint32_t PackComponent(float c) {
    if (!(c > 0.0f)) return 0;  // negative or NaN
    if (c > 255.0f) return 255;
    return static_cast<std::uint32_t>(std::nearbyint(c));  // ties to even
}

}  // namespace

std::uint32_t PackFlatColor(const ColorRGBA& colour) {
    return (PackComponent(colour.r) << 24) | (PackComponent(colour.g) << 16) | (PackComponent(colour.b) << 8);
}

int ProjectFace(const FaceCorner* corners, Vertex* vertices, const Matrix3& R, const Vec3& T, int clipMask) {
    Vertex& a = vertices[corners[0].vertex];
    Vertex& b = vertices[corners[1].vertex];
    Vertex& c = vertices[corners[2].vertex];

    if (clipMask == 0) {
        // The object lies wholly inside: no plane tests.
        Vertex* const vertices[3] = {&a, &b, &c};
        for (Vertex* v : vertices) {
            if (v->cacheFlags & VERTEX_PROJECTED) continue;
            EnsureZ(*v, R, T);
            EnsureX(*v, R, T);
            EnsureY(*v, R, T);
            DoProject(*v);
            v->cacheFlags = VERTEX_ALL_DONE;
        }
        return 0;
    }

    int code = 0;
    EnsureZ(a, R, T);
    EnsureZ(b, R, T);
    EnsureZ(c, R, T);
    if (clipMask & (CLIP_NEAR | CLIP_FAR)) {
        float zmin = a.clip.z, zmax = a.clip.z;
        if (b.clip.z < zmin) zmin = b.clip.z;
        if (b.clip.z > zmax) zmax = b.clip.z;
        if (c.clip.z < zmin) zmin = c.clip.z;
        if (c.clip.z > zmax) zmax = c.clip.z;
        if (zmax < NEAR_Z) return CLIP_REJECT;
        if (zmin > FAR_Z) return CLIP_REJECT;
        if (zmin < NEAR_Z) code |= CLIP_NEAR;
        // A face that only crosses the far plane is drawn whole.
    }

    bool xDone = false;
    if (clipMask & (CLIP_RIGHT | CLIP_LEFT)) {
        EnsureX(a, R, T);
        EnsureX(b, R, T);
        EnsureX(c, R, T);
        xDone = true;
        if (clipMask & CLIP_LEFT) {
            const int out = (a.clip.x < -a.clip.z) + (b.clip.x < -b.clip.z) + (c.clip.x < -c.clip.z);
            const int r = PlaneCode(out, CLIP_LEFT);
            if (r == CLIP_REJECT) return CLIP_REJECT;
            code |= r;
        }
        if (clipMask & CLIP_RIGHT) {
            const int out = (a.clip.x > a.clip.z) + (b.clip.x > b.clip.z) + (c.clip.x > c.clip.z);
            const int r = PlaneCode(out, CLIP_RIGHT);
            if (r == CLIP_REJECT) return CLIP_REJECT;
            code |= r;
        }
    }

    EnsureY(a, R, T);
    EnsureY(b, R, T);
    EnsureY(c, R, T);
    if (clipMask & CLIP_BOTTOM) {
        const int out = (a.clip.y < -a.clip.z) + (b.clip.y < -b.clip.z) + (c.clip.y < -c.clip.z);
        const int r = PlaneCode(out, CLIP_BOTTOM);
        if (r == CLIP_REJECT) return CLIP_REJECT;
        code |= r;
    }
    if (clipMask & CLIP_TOP) {
        const int out = (a.clip.y > a.clip.z) + (b.clip.y > b.clip.z) + (c.clip.y > c.clip.z);
        const int r = PlaneCode(out, CLIP_TOP);
        if (r == CLIP_REJECT) return CLIP_REJECT;
        code |= r;
    }

    if (!xDone) {
        EnsureX(a, R, T);
        EnsureX(b, R, T);
        EnsureX(c, R, T);
    }
    if (!(a.cacheFlags & VERTEX_PROJECTED)) DoProject(a);
    if (!(b.cacheFlags & VERTEX_PROJECTED)) DoProject(b);
    if (!(c.cacheFlags & VERTEX_PROJECTED)) DoProject(c);
    return code;
}

void ProcessFace(Face& face, Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                 const Light* lights, int lightCount, int clipMask) {
    std::uint32_t flags = face.flags;
    if (flags & FACE_DEGENERATE) {
        face.clipCode = CLIP_REJECT;
        return;
    }
    const std::uint32_t renderFlags = RenderFlags;
    const Vec3 V = face.point - eye;
    bool drawn = false;
    flags = FacingFlags(flags, V, face.normal, renderFlags, &drawn);
    if (!drawn) {
        face.flags = flags;
        face.clipCode = CLIP_REJECT;
        return;
    }

    face.clipCode = ProjectFace(face.corners, object.vertices, modelToView, actorView, clipMask);
    if (face.clipCode == CLIP_REJECT) {
        face.flags = flags;
        return;
    }

    flags = TexturingFlags(flags, face, renderFlags);
    face.flatColor = 0;

    if ((flags & FACE_SMOOTH) && !(renderFlags & RF_FLAT_SHADING)) {
        flags |= FACE_GOURAUD;
        face.flags = flags;
        const Material& material = object.materials[face.material];
        for (const FaceCorner& corner : face.corners) {
            LightVertex(object.vertices[corner.vertex], object.vertexNormals, lights, lightCount, eye,
                        static_cast<int>(corner.normalIndex), material, flags);
        }
        return;
    }

    face.flags = flags;
    ColorRGBA lit;
    LightPoint(lit, object.materials[face.material], object.vertices[face.corners[0].vertex], face.normal, V, lights,
               lightCount, flags);
    face.flatAlpha = lit.a;
    face.flatColor = PackFlatColor(lit);
}
