// grDrawLine: a one-pixel-wide line.
//
// The line steps along its major axis one pixel at a time; each step lights
// the pixel whose centre column (or row) it crosses, in the row (column)
// where the line passes that centre. The range is half-open, so the last
// endpoint's pixel is left to the next line of a strip. Attributes vary
// along the major axis only: the planes get a zero minor-axis step, and the
// ordinary span shaders draw each pixel as a one-pixel span. In Z-buffer
// mode the depth follows the points' ooz, as a triangle's does.
#include <cmath>
#include <utility>

#include "device.h"
#include "raster/pixel_batch.h"
#include "queue/tile_queue.h"
#include "raster/line_walk.h"
#include "setup/triangle_setup.h"

namespace glide {

namespace {

struct LinePoint {
    double major, minor;
    double r, g, b, a, oow, sow, tow, ooz;
};

double FiniteOr0(float v) { return std::isfinite(v) ? static_cast<double>(v) : 0.0; }

LinePoint ToLinePoint(const GrVertex& v, bool xMajor, bool upperLeft) {
    const double x = std::nearbyint(static_cast<double>(v.x) * 16.0) / 16.0;
    const double yIn = upperLeft ? kScreenHeight - static_cast<double>(v.y) : static_cast<double>(v.y);
    const double y = std::nearbyint(yIn * 16.0) / 16.0;
    return {xMajor ? x : y, xMajor ? y : x, FiniteOr0(v.r), FiniteOr0(v.g), FiniteOr0(v.b), FiniteOr0(v.a),
            FiniteOr0(v.oow), FiniteOr0(v.tmuvtx[0].sow), FiniteOr0(v.tmuvtx[0].tow), FiniteOr0(v.ooz)};
}

std::int64_t Fixed12(double v) {
    v *= 4096.0;
    v = v > 1.0e15 ? 1.0e15 : (v < -1.0e15 ? -1.0e15 : v);
    return std::llround(v);
}

}  // namespace

}  // namespace glide

void grDrawLine(const GrVertex* a, const GrVertex* b) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.open || a == nullptr || b == nullptr || !d.rasterize) return;
    if (!(std::fabs(a->x) <= kMaxCoordinate && std::fabs(a->y) <= kMaxCoordinate &&
          std::fabs(b->x) <= kMaxCoordinate && std::fabs(b->y) <= kMaxCoordinate)) {
        return;
    }
    const bool xMajor = std::fabs(static_cast<double>(b->x) - a->x) >= std::fabs(static_cast<double>(b->y) - a->y);
    LinePoint p = ToLinePoint(*a, xMajor, d.originUpperLeft);
    LinePoint q = ToLinePoint(*b, xMajor, d.originUpperLeft);
    if (p.major == q.major) return;  // zero length (or a point along the minor axis: no centre crossed)
    if (p.major > q.major) std::swap(p, q);

    const int majorLimit = xMajor ? kScreenWidth : kScreenHeight;
    std::int64_t first = static_cast<std::int64_t>(std::ceil(p.major - 0.5));
    std::int64_t last = static_cast<std::int64_t>(std::ceil(q.major - 0.5)) - 1;
    first = first < 0 ? 0 : first;
    last = last > majorLimit - 1 ? majorLimit - 1 : last;
    if (first > last) return;

    const DrawContext ctx = MakeDrawContext(TextureUse::kSingle);
    TriangleSetup t{};
    SetupPixelState(ctx, &t);
    const double length = q.major - p.major;
    const double centre = static_cast<double>(first) + 0.5;
    auto plane = [&](double LinePoint::*field, auto convert) {
        const double step = (q.*field - p.*field) / length;
        const double start = p.*field + step * (centre - p.major);
        return convert(start, step);
    };
    auto fixed = [](double start, double step) {
        FixedPlane f;
        f.k = Fixed12(start) + 2048;
        f.dx = Fixed12(step);
        f.dy = 0;
        return f;
    };
    auto floating = [](double start, double step) {
        return FloatPlane{static_cast<float>(start), static_cast<float>(step), 0.0f};
    };
    t.refX = static_cast<int>(first), t.refY = 0;
    t.r = plane(&LinePoint::r, fixed);
    t.g = plane(&LinePoint::g, fixed);
    t.b = plane(&LinePoint::b, fixed);
    t.a = plane(&LinePoint::a, fixed);
    t.oow = plane(&LinePoint::oow, floating);
    t.sow = plane(&LinePoint::sow, floating);
    t.tow = plane(&LinePoint::tow, floating);
    t.ooz = plane(&LinePoint::ooz, floating);
    LineWalk walk;
    walk.majorStart = p.major, walk.minorStart = p.minor;
    walk.slope = (q.minor - p.minor) / length;
    walk.first = static_cast<int>(first), walk.last = static_cast<int>(last);
    walk.xMajor = xMajor;
    if (TileQueueRunning()) {
        QueueLine(t, walk);
        return;
    }
    SyncTileQueue(Access::kWriteBuffers);  // the pixels the inline path still holds
    DrawLine(t, walk, TileRect{}, InlineCounters());
}
