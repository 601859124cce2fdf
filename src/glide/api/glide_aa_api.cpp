// grAADrawTriangle: the triangle, then a one-pixel strip outside each
// flagged edge whose alpha fades from the vertices' alpha to 0 (coverage as
// alpha), blended as set, with depth writes off.
//
// Each strip is a quad of two triangles: the edge's own two vertices (so the
// strip meets the triangle along exactly the same snapped edge and no pixel
// is covered by both) and the same two moved one pixel outward with alpha 0.
#include <cmath>

#include "device.h"

namespace glide {

namespace {

void DrawEdgeStrip(const GrVertex& p, const GrVertex& q, float outX, float outY, const DrawContext& ctx) {
    GrVertex p2 = p, q2 = q;
    p2.x += outX, p2.y += outY, q2.x += outX, q2.y += outY;
    p2.a = 0.0f, q2.a = 0.0f;
    DrawSetupTriangle(p, q, q2, ctx);
    DrawSetupTriangle(p, q2, p2, ctx);
}

}  // namespace

}  // namespace glide

void grAADrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c, FxBool abAntialias,
                      FxBool bcAntialias, FxBool caAntialias) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.open || a == nullptr || b == nullptr || c == nullptr) return;
    ++d.counters.trianglesSubmitted;
    if (!d.rasterize) return;
    const DrawContext ctx = MakeDrawContext(TextureUse::kSingle);
    DrawSetupTriangle(*a, *b, *c, ctx, true);

    // Winding in the caller's coordinates decides which side is outside.
    const double cross = (static_cast<double>(b->x) - a->x) * (static_cast<double>(c->y) - a->y) -
                         (static_cast<double>(c->x) - a->x) * (static_cast<double>(b->y) - a->y);
    if (!(cross != 0.0) || !std::isfinite(cross)) return;
    // Counter-clockwise (cross > 0): the interior is left of each edge, so
    // outside is the right-hand normal (ey, -ex); clockwise the left-hand one.
    const double side = cross > 0.0 ? 1.0 : -1.0;

    DrawContext stripCtx = ctx;
    stripCtx.depthWriteAllowed = false;
    const GrVertex* corners[3] = {a, b, c};
    const FxBool flags[3] = {abAntialias, bcAntialias, caAntialias};
    for (int i = 0; i < 3; ++i) {
        if (!flags[i]) continue;
        const GrVertex& p = *corners[i];
        const GrVertex& q = *corners[(i + 1) % 3];
        const double ex = static_cast<double>(q.x) - p.x, ey = static_cast<double>(q.y) - p.y;
        const double length = std::sqrt(ex * ex + ey * ey);
        if (!(length > 0.0) || !std::isfinite(length)) continue;
        const float nx = static_cast<float>(side * ey / length);
        const float ny = static_cast<float>(-side * ex / length);
        DrawEdgeStrip(p, q, nx, ny, stripCtx);
    }
}
