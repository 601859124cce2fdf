// The geometry part of set-up (see triangle_setup.h): vertices snapped to
// the 1/16 pixel grid and ordered, pixel bounds, edge functions and the
// attribute planes.
//
// Sections: vertices and edges; attribute planes; the entry points.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "setup/triangle_setup.h"

namespace glide {

namespace {

// ---- vertices and edges -----------------------------------------------------------

// The interpolated attributes, in the order of SnappedVertex::attr.
enum Attribute { kRed, kGreen, kBlue, kAlpha, kOow, kSow, kTow, kOoz, kAttributes };
static_assert(kAttributes == kSnappedAttributes);

// Infinities and NaN read as 0, without a branch.
[[gnu::always_inline]] inline float Finite(float v) {
    return (std::bit_cast<std::uint32_t>(v) & 0x7F800000u) != 0x7F800000u ? v : 0.0f;
}

// Nearest 1/16 pixel, halves rounded up (the same way everywhere on the
// screen, so shared vertices snap alike): floor(v * 16 + 0.5). v * 16 has
// at most 24 significant bits and |v| <= kMaxCoordinate, so adding the half
// is exact in a double, except for |v * 16| below 2^-30, which gives 0
// either way.
[[gnu::always_inline, maybe_unused]] inline std::int64_t SnapTo16(float v) {
    const double up = static_cast<double>(v) * 16.0 + 0.5;
    const std::int64_t i = static_cast<std::int64_t>(up);  // toward zero
    return i - (static_cast<double>(i) > up ? 1 : 0);
}

struct Position16 {
    std::int64_t x16, y16;
};

// Whether a vertex can be drawn: within kMaxCoordinate (and a number).
[[gnu::always_inline]] inline bool WithinCoordinateLimit(const GrVertex& v) {
    return std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate;
}

// A vertex's y in the buffer's orientation (row 0 at the bottom).
[[gnu::always_inline]] inline float BufferY(const GrVertex& v, bool upperLeft) {
    return upperLeft ? static_cast<float>(kScreenHeight) - v.y : v.y;
}

// A vertex's snapped position; false beyond kMaxCoordinate (or not a number).
[[gnu::always_inline]] inline bool SnapPosition(const GrVertex& v, bool upperLeft, Position16* out) {
    if (!WithinCoordinateLimit(v)) return false;
    const float y = BufferY(v, upperLeft);
#if defined(__SSE2__)
    // SnapTo16 of x and y at once: |v * 16 + 0.5| stays below 2^31, so the
    // conversions fit 32-bit lanes.
    const __m128d up = _mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_setr_ps(v.x, y, 0.0f, 0.0f)), _mm_set1_pd(16.0)),
                                  _mm_set1_pd(0.5));
    const __m128i truncated = _mm_cvttpd_epi32(up);
    const __m128d above = _mm_cmpgt_pd(_mm_cvtepi32_pd(truncated), up);  // all ones: subtract 1
    const __m128i floor = _mm_add_epi32(truncated, _mm_shuffle_epi32(_mm_castpd_si128(above), _MM_SHUFFLE(3, 3, 2, 0)));
    out->x16 = _mm_cvtsi128_si32(floor);
    out->y16 = _mm_cvtsi128_si32(_mm_shuffle_epi32(floor, _MM_SHUFFLE(3, 2, 1, 1)));
#else
    out->x16 = SnapTo16(v.x);
    out->y16 = SnapTo16(y);
#endif
    return true;
}

[[gnu::always_inline]] inline void SnapAttributes(const GrVertex& v, SnappedVertex* out) {
    const float in[kAttributes] = {v.r, v.g, v.b, v.a, v.oow, v.tmuvtx[0].sow, v.tmuvtx[0].tow, v.ooz};
    for (int i = 0; i < kAttributes; ++i) out->attr[i] = Finite(in[i]);
}

// The edge from p to q of a counter-clockwise triangle (y up): inside is to
// the left. Pixels exactly on an edge belong to it only when it is a top edge
// (horizontal, interior below) or a left edge (interior to the right), so
// two triangles sharing an edge cover each pixel on it once.
[[gnu::always_inline]] inline EdgeFunction MakeEdge(const SnappedVertex& p, const SnappedVertex& q) {
    const std::int64_t dx = q.x16 - p.x16, dy = q.y16 - p.y16;
    EdgeFunction e;
    // E = dx (y - py) - dy (x - px), sampled at x = 16 px + 8, y = 16 py + 8.
    e.a = -16 * dy;
    e.b = 16 * dx;
    e.c = dx * (8 - p.y16) - dy * (8 - p.x16);
    const bool topLeft = dy < 0 || (dy == 0 && dx < 0);
    if (!topLeft) e.c -= 1;
    return e;
}

// ---- attribute planes ----------------------------------------------------------------

// The planes of every attribute: value at the reference pixel's centre and
// per-pixel steps.
struct Planes {
    double k[kAttributes], dx[kAttributes], dy[kAttributes];
};

[[gnu::always_inline]] inline void ComputePlanes(const SnappedVertex* v, const PlaneGeometry& geo, Planes* p) {
    for (int i = 0; i < kAttributes; ++i) {
        const double a0 = v[0].attr[i], a1 = v[1].attr[i] - a0, a2 = v[2].attr[i] - a0;
        p->dx[i] = (a1 * geo.y2 - a2 * geo.y1) * geo.invDet;
        p->dy[i] = (a2 * geo.x1 - a1 * geo.x2) * geo.invDet;
        p->k[i] = a0 + p->dx[i] * geo.cx + p->dy[i] * geo.cy;
    }
}

// Every plane value is finite: the attributes are (Finite), and the
// coordinates are bounded, so no product leaves the double range. The
// clamps below are minimum and maximum instructions, without branches.
[[gnu::always_inline]] inline double ClampMagnitude(double v, double limit) {
#if defined(__SSE2__)
    // The compiler keeps the comparisons below as branches (they differ from
    // min and max for NaN); the instructions do exactly what they say.
    const __m128d below = _mm_min_sd(_mm_set_sd(v), _mm_set_sd(limit));  // v < limit ? v : limit
    return _mm_cvtsd_f64(_mm_max_sd(below, _mm_set_sd(-limit)));         // ... > -limit ? ... : -limit
#else
    v = v < limit ? v : limit;
    return v > -limit ? v : -limit;
#endif
}

// Keeps pathological slivers (huge gradients) inside int64 arithmetic, and
// rounds half away from zero (inline and without a branch: the library's
// llround is a call; -0.0 gets -0.5 and still rounds to 0).
[[gnu::always_inline]] inline std::int64_t ToFixed12(double v) {
    v = ClampMagnitude(v * 4096.0, 1.0e15);
    return static_cast<std::int64_t>(v + std::copysign(0.5, v));
}

[[gnu::always_inline]] inline FixedPlane FixedPlaneOf(const Planes& p, int i) {
    return {ToFixed12(p.k[i]) + 2048, ToFixed12(p.dx[i]), ToFixed12(p.dy[i])};
}

[[gnu::always_inline]] inline float ToFloat(double v) { return static_cast<float>(ClampMagnitude(v, 1.0e30)); }

[[gnu::always_inline]] inline FloatPlane FloatPlaneOf(const Planes& p, int i) {
    return {ToFloat(p.k[i]), ToFloat(p.dx[i]), ToFloat(p.dy[i])};
}

// Right shifts of signed values are arithmetic (floor).
std::int64_t CeilDiv16(std::int64_t v) { return (v + 15) >> 4; }
std::int64_t FloorDiv16(std::int64_t v) { return v >> 4; }

// The steps of set-up, inlined into SetupTriangle and behind the calls of
// the queue, which runs them on different threads.
[[gnu::always_inline]] inline bool Snapped(const GrVertex& a, const GrVertex& b, const GrVertex& c,
                                           bool originUpperLeft, SnappedTriangle* out) {
    Position16 p[3];
    if (!SnapPosition(a, originUpperLeft, &p[0]) || !SnapPosition(b, originUpperLeft, &p[1]) ||
        !SnapPosition(c, originUpperLeft, &p[2])) {
        return false;
    }
    std::int64_t area = (p[1].x16 - p[0].x16) * (p[2].y16 - p[0].y16) - (p[2].x16 - p[0].x16) * (p[1].y16 - p[0].y16);
    if (area == 0) return false;
    // Counter-clockwise: a clockwise triangle takes its last two vertices
    // the other way round (chosen, not swapped, so that nothing is copied
    // twice).
    const bool clockwise = area < 0;
    area = clockwise ? -area : area;
    out->area = area;
    out->invDet = 256.0 / static_cast<double>(area);  // early: the division takes a while

    // Pixels whose centres (16 p + 8) can lie inside, clipped to the screen.
    std::int64_t minX16 = p[0].x16, maxX16 = p[0].x16, minY16 = p[0].y16, maxY16 = p[0].y16;
    for (int i = 1; i < 3; ++i) {
        minX16 = p[i].x16 < minX16 ? p[i].x16 : minX16;
        maxX16 = p[i].x16 > maxX16 ? p[i].x16 : maxX16;
        minY16 = p[i].y16 < minY16 ? p[i].y16 : minY16;
        maxY16 = p[i].y16 > maxY16 ? p[i].y16 : maxY16;
    }
    std::int64_t minX = CeilDiv16(minX16 - 8), maxX = FloorDiv16(maxX16 - 8);
    std::int64_t minY = CeilDiv16(minY16 - 8), maxY = FloorDiv16(maxY16 - 8);
    minX = minX < 0 ? 0 : minX;
    minY = minY < 0 ? 0 : minY;
    maxX = maxX > kScreenWidth - 1 ? kScreenWidth - 1 : maxX;
    maxY = maxY > kScreenHeight - 1 ? kScreenHeight - 1 : maxY;
    if (minX > maxX || minY > maxY) return false;
    out->bounds.minX = static_cast<int>(minX), out->bounds.maxX = static_cast<int>(maxX);
    out->bounds.minY = static_cast<int>(minY), out->bounds.maxY = static_cast<int>(maxY);

    const GrVertex* second = clockwise ? &c : &b;
    const GrVertex* third = clockwise ? &b : &c;
    const Position16& p1 = clockwise ? p[2] : p[1];
    const Position16& p2 = clockwise ? p[1] : p[2];
    SnappedVertex* v = out->v;
    v[0].x16 = p[0].x16, v[0].y16 = p[0].y16;
    v[1].x16 = p1.x16, v[1].y16 = p1.y16;
    v[2].x16 = p2.x16, v[2].y16 = p2.y16;
    SnapAttributes(a, &v[0]);
    SnapAttributes(*second, &v[1]);
    SnapAttributes(*third, &v[2]);
    return true;
}

[[gnu::always_inline]] inline void Geometry(const SnappedTriangle& s, TriangleSetup* t) {
    const SnappedVertex* v = s.v;
    t->minX = s.bounds.minX, t->maxX = s.bounds.maxX;
    t->minY = s.bounds.minY, t->maxY = s.bounds.maxY;
    t->refX = t->minX, t->refY = t->minY;

    t->edge[0] = MakeEdge(v[0], v[1]);
    t->edge[1] = MakeEdge(v[1], v[2]);
    t->edge[2] = MakeEdge(v[2], v[0]);

    PlaneGeometry geo;
    const double x0 = static_cast<double>(v[0].x16) / 16.0, y0 = static_cast<double>(v[0].y16) / 16.0;
    geo.x1 = static_cast<double>(v[1].x16 - v[0].x16) / 16.0, geo.y1 = static_cast<double>(v[1].y16 - v[0].y16) / 16.0;
    geo.x2 = static_cast<double>(v[2].x16 - v[0].x16) / 16.0, geo.y2 = static_cast<double>(v[2].y16 - v[0].y16) / 16.0;
    geo.invDet = s.invDet;
    geo.cx = t->refX + 0.5 - x0, geo.cy = t->refY + 0.5 - y0;
    if (t->planes != nullptr) {
        t->planes(v, geo, t);
        return;
    }
    Planes planes;
    ComputePlanes(v, geo, &planes);
    t->r = FixedPlaneOf(planes, kRed);
    t->g = FixedPlaneOf(planes, kGreen);
    t->b = FixedPlaneOf(planes, kBlue);
    t->a = FixedPlaneOf(planes, kAlpha);
    t->oow = FloatPlaneOf(planes, kOow);
    t->sow = FloatPlaneOf(planes, kSow);
    t->tow = FloatPlaneOf(planes, kTow);
    t->ooz = FloatPlaneOf(planes, kOoz);  // read only with the Z-buffer
}

}  // namespace

bool SnapTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originUpperLeft,
                  SnappedTriangle* out) {
    return Snapped(a, b, c, originUpperLeft, out);
}

// A snapped coordinate s16 = floor(16 v + 1/2) lies within 1/32 pixel of
// 16 v, so the pixel centres Snapped's bounds admit, from
// ceil((min16 - 8) / 16) to floor((max16 - 8) / 16), lie within
// ceil(min - 17/32) .. floor(max - 15/32). Those differences are exact in
// doubles for every coordinate within kMaxCoordinate, and the results fit
// 32 bits. Most triangles of a big scene end here (bounds that hold no
// pixel centre), so the whole test stays in vector registers: the four
// bounds as ceilings, minX - 17/32, minY - 17/32, -maxX + 15/32 and
// -maxY + 15/32 (floor(v) = -ceil(-v)), each by truncation and a step up
// where the truncated value lies below.
bool OuterPixelBounds(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originUpperLeft,
                      PixelBounds* out) {
#if defined(__SSE2__)
    const __m128 ab = _mm_setr_ps(a.x, a.y, b.x, b.y), cc = _mm_setr_ps(c.x, c.y, c.x, c.y);
    const __m128 limit = _mm_set1_ps(kMaxCoordinate), sign = _mm_set1_ps(-0.0f);
    const __m128 inside = _mm_and_ps(_mm_cmple_ps(_mm_andnot_ps(sign, ab), limit),
                                     _mm_cmple_ps(_mm_andnot_ps(sign, cc), limit));
    if (_mm_movemask_ps(inside) != 0xF) return false;  // beyond the limit, or not a number
    // y in the buffer's orientation: kScreenHeight - y is -y + kScreenHeight.
    const __m128 flip = originUpperLeft ? _mm_setr_ps(0.0f, -0.0f, 0.0f, -0.0f) : _mm_setzero_ps();
    const __m128 shift = originUpperLeft ? _mm_setr_ps(0.0f, kScreenHeight, 0.0f, kScreenHeight) : _mm_setzero_ps();
    const __m128 p = _mm_add_ps(_mm_xor_ps(ab, flip), shift), q = _mm_add_ps(_mm_xor_ps(cc, flip), shift);
    const __m128 low = _mm_min_ps(_mm_min_ps(p, _mm_movehl_ps(p, p)), q);   // minX, minY
    const __m128 high = _mm_max_ps(_mm_max_ps(p, _mm_movehl_ps(p, p)), q);  // maxX, maxY
    const __m128 w = _mm_movelh_ps(low, _mm_xor_ps(high, sign));             // minX, minY, -maxX, -maxY
    const auto ceiling = [](__m128d v) {
        const __m128i truncated = _mm_cvttpd_epi32(v);
        const __m128d below = _mm_cmplt_pd(_mm_cvtepi32_pd(truncated), v);  // all ones: step up
        return _mm_sub_epi32(truncated, _mm_shuffle_epi32(_mm_castpd_si128(below), _MM_SHUFFLE(3, 3, 2, 0)));
    };
    const __m128i mins = ceiling(_mm_sub_pd(_mm_cvtps_pd(w), _mm_set1_pd(17.0 / 32.0)));
    const __m128i maxes = ceiling(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(w, w)), _mm_set1_pd(15.0 / 32.0)));
    // minX, minY, -maxX, -maxY, each at least 0, 0, -(kScreenWidth - 1), -(kScreenHeight - 1).
    const __m128i bounds = _mm_unpacklo_epi64(mins, maxes);
    const __m128i least = _mm_setr_epi32(0, 0, 1 - kScreenWidth, 1 - kScreenHeight);
    const __m128i above = _mm_cmpgt_epi32(bounds, least);
    const __m128i clamped = _mm_or_si128(_mm_and_si128(above, bounds), _mm_andnot_si128(above, least));
    const __m128i negate = _mm_setr_epi32(0, 0, -1, -1);
    int result[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(result), _mm_sub_epi32(_mm_xor_si128(clamped, negate), negate));
    out->minX = result[0], out->minY = result[1], out->maxX = result[2], out->maxY = result[3];
    return true;
#else
    if (!WithinCoordinateLimit(a) || !WithinCoordinateLimit(b) || !WithinCoordinateLimit(c)) return false;
    const float ya = BufferY(a, originUpperLeft), yb = BufferY(b, originUpperLeft), yc = BufferY(c, originUpperLeft);
    const float minX = std::min({a.x, b.x, c.x}), maxX = std::max({a.x, b.x, c.x});
    const float minY = std::min({ya, yb, yc}), maxY = std::max({ya, yb, yc});
    const double x0 = std::ceil(static_cast<double>(minX) - 17.0 / 32.0);
    const double x1 = std::floor(static_cast<double>(maxX) - 15.0 / 32.0);
    const double y0 = std::ceil(static_cast<double>(minY) - 17.0 / 32.0);
    const double y1 = std::floor(static_cast<double>(maxY) - 15.0 / 32.0);
    out->minX = x0 < 0.0 ? 0 : static_cast<int>(x0);
    out->minY = y0 < 0.0 ? 0 : static_cast<int>(y0);
    out->maxX = x1 > kScreenWidth - 1 ? kScreenWidth - 1 : static_cast<int>(x1);
    out->maxY = y1 > kScreenHeight - 1 ? kScreenHeight - 1 : static_cast<int>(y1);
    return true;
#endif
}

void SetupGeometry(const SnappedTriangle& s, TriangleSetup* t) { Geometry(s, t); }

bool SetupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx,
                   TriangleSetup* t) {
    SnappedTriangle s;
    if (!Snapped(a, b, c, ctx.originUpperLeft, &s)) return false;
    SetupPixelState(ctx, t);  // first: it chooses how the planes are worked out
    Geometry(s, t);
    return true;
}

}  // namespace glide