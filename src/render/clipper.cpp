#include "render/clipper.h"

#include <cmath>

#include "app/fatal_error.h"
#include "render/clip_codes.h"
#include "render/face_processor.h"

Clipper PolygonClipper;

Clipper::Clipper() {
    for (int i = 0; i < CLIP_POOL_SIZE; ++i) {
        poolCorners[i].vertex = &poolVertices[i];
        poolCorners[i].tvertex = &poolTexCoords[i];
        poolCorners[i].normal = &poolNormals[i];
        poolTexCoords[i] = TVertex{0.0f, 0.0f};
        listA[i] = nullptr;
        listB[i] = nullptr;
    }
    nextFree = poolCorners;
}

namespace {

// Strict: a point exactly on a plane is outside.
inline bool IsInside(const Vertex& v, int plane) {
    switch (plane) {
        case CLIP_NEAR: return v.clip.z > NEAR_Z;
        case CLIP_RIGHT: return v.ndcX < 1.0f;
        case CLIP_LEFT: return v.ndcX > -1.0f;
        case CLIP_TOP: return v.ndcY < 1.0f;
        case CLIP_BOTTOM: return v.ndcY > -1.0f;
        default: return false;
    }
}

inline float Lerp(float inside, float outside, float t) { return inside + t * (outside - inside); }

inline void LerpColor(ColorRGBA& dest, const ColorRGBA& inside, const ColorRGBA& outside, float t) {
    dest.r = Lerp(inside.r, outside.r, t);
    dest.g = Lerp(inside.g, outside.g, t);
    dest.b = Lerp(inside.b, outside.b, t);
    dest.a = Lerp(inside.a, outside.a, t);
}

// Guards the division of the intersection parameter.
inline void CheckDenominator(float d) {
    if (d == 0.0f || std::isnan(d)) FatalError("err");
}

// Hands out the next pool corner, or nullptr when the pool is spent.
inline DrawCorner* TakePoolCorner() {
    Clipper& c = PolygonClipper;
    if (c.nextFree == c.poolCorners + CLIP_POOL_SIZE) {
        c.overflowed = true;
        return nullptr;
    }
    return c.nextFree++;
}

}  // namespace

void IntersectEdge(DrawCorner* newCorner, const DrawCorner* inside, const DrawCorner* outside, int plane) {
    const Vertex& a = *inside->vertex;
    const Vertex& b = *outside->vertex;
    Vertex& n = *newCorner->vertex;
    float t;
    switch (plane) {
        case CLIP_NEAR: {
            const float d = b.clip.z - a.clip.z;
            CheckDenominator(d);
            t = (NEAR_Z - a.clip.z) / d;
            n.clip.x = Lerp(a.clip.x, b.clip.x, t);
            n.clip.y = Lerp(a.clip.y, b.clip.y, t);
            n.clip.z = NEAR_Z;
            // On z = 1 the projection is the identity.
            n.ndcX = n.clip.x;
            n.ndcY = n.clip.y;
            n.invZ = 1.0f;
            break;
        }
        case CLIP_RIGHT:
        case CLIP_LEFT: {
            const float p = plane == CLIP_RIGHT ? 1.0f : -1.0f;
            const float d = b.ndcX - a.ndcX;
            CheckDenominator(d);
            t = (p - a.ndcX) / d;
            n.ndcX = p;
            n.ndcY = Lerp(a.ndcY, b.ndcY, t);
            n.invZ = Lerp(a.invZ, b.invZ, t);
            break;
        }
        case CLIP_TOP:
        case CLIP_BOTTOM: {
            const float p = plane == CLIP_TOP ? 1.0f : -1.0f;
            const float d = b.ndcY - a.ndcY;
            CheckDenominator(d);
            t = (p - a.ndcY) / d;
            n.ndcX = Lerp(a.ndcX, b.ndcX, t);
            n.ndcY = p;
            n.invZ = Lerp(a.invZ, b.invZ, t);
            break;
        }
        default:
            FatalError("Clipping Error - no plane specified!");
    }
    // -0.0 passes; NaN fails both comparisons.
    if (!(t >= 0.0f && t <= 1.0f)) FatalError("t out of bounds!");

    const std::uint32_t flags = PolygonClipper.polygonFlags;
    if (flags & FACE_GOURAUD) {
        if (flags & FACE_FRONT) {
            LerpColor(newCorner->normal->frontColor, inside->normal->frontColor, outside->normal->frontColor, t);
        } else {
            LerpColor(newCorner->normal->backColor, inside->normal->backColor, outside->normal->backColor, t);
        }
    }
    if (flags & FACE_DRAW_TEXTURED) {
        newCorner->tvertex->u = Lerp(inside->tvertex->u, outside->tvertex->u, t);
        newCorner->tvertex->v = Lerp(inside->tvertex->v, outside->tvertex->v, t);
    }
    n.screenX = SnapScreenX(n.ndcX);
    n.screenY = SnapScreenY(n.ndcY);
}

int ClipAgainstPlane(DrawCorner** input, int count, DrawCorner** output, int plane) {
    if (count <= 0) return 0;
    int out = 0;
    // Appends one corner, refusing beyond the list's capacity.
    auto append = [&](DrawCorner* corner) {
        if (out == CLIP_POOL_SIZE) {
            PolygonClipper.overflowed = true;
            return;
        }
        output[out++] = corner;
    };
    DrawCorner* previous = input[0];
    bool previousInside = IsInside(*previous->vertex, plane);
    for (int i = 1; i <= count; ++i) {
        DrawCorner* current = input[i % count];
        const bool currentInside = IsInside(*current->vertex, plane);
        if (previousInside) {
            if (currentInside) {
                append(current);
            } else if (DrawCorner* fresh = TakePoolCorner()) {
                IntersectEdge(fresh, previous, current, plane);
                append(fresh);
            }
        } else if (currentInside) {
            // The inside corner always goes first, so a shared edge gives
            // the same point whichever face walks it.
            if (DrawCorner* fresh = TakePoolCorner()) {
                IntersectEdge(fresh, current, previous, plane);
                append(fresh);
            }
            append(current);
        }
        previous = current;
        previousInside = currentInside;
    }
    return out;
}

DrawCorner** ClipPolygon(DrawCorner* corners, int& count, int clipCode, std::uint32_t faceFlags) {
    Clipper& c = PolygonClipper;
    if (count > CLIP_POOL_SIZE) count = CLIP_POOL_SIZE;
    for (int i = 0; i < count; ++i) c.listA[i] = &corners[i];
    c.polygonFlags = faceFlags;
    c.nextFree = c.poolCorners;
    c.overflowed = false;

    static constexpr int kPlaneOrder[] = {CLIP_NEAR, CLIP_RIGHT, CLIP_TOP, CLIP_BOTTOM, CLIP_LEFT};
    DrawCorner** current = c.listA;
    DrawCorner** other = c.listB;
    for (int plane : kPlaneOrder) {
        if (!(clipCode & plane)) continue;
        count = ClipAgainstPlane(current, count, other, plane);
        DrawCorner** swap = current;
        current = other;
        other = swap;
    }
    // A polygon that outgrew the pool is not drawn rather than drawn wrong.
    if (c.overflowed) count = 0;
    return current;
}
