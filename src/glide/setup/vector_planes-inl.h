// The attribute planes of triangle set-up, several attributes at a time:
// each lane does the scalar set-up's double operations for one attribute,
// in the same order (PlaneGeometry), so every plane is exactly the scalar
// one. The first four attributes become fixed-point planes, the other four
// float planes. Compiled per instruction set (pixel/vector_shaders.cpp).
#if defined(GLIDE_SETUP_VECTOR_PLANES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_SETUP_VECTOR_PLANES_INL_H_
#undef GLIDE_SETUP_VECTOR_PLANES_INL_H_
#else
#define GLIDE_SETUP_VECTOR_PLANES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

#include "pixel/vector_targets.h"
#include "setup/triangle_setup.h"

#if GLIDE_VECTOR_TARGET
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

// The planes lie in the record as the attributes are numbered: four fixed
// planes (k, dx, dy each), then four float planes.
static_assert(offsetof(TriangleSetup, g) == offsetof(TriangleSetup, r) + sizeof(FixedPlane) &&
              offsetof(TriangleSetup, b) == offsetof(TriangleSetup, r) + 2 * sizeof(FixedPlane) &&
              offsetof(TriangleSetup, a) == offsetof(TriangleSetup, r) + 3 * sizeof(FixedPlane) &&
              sizeof(FixedPlane) == 3 * sizeof(std::int64_t));
static_assert(offsetof(TriangleSetup, sow) == offsetof(TriangleSetup, oow) + sizeof(FloatPlane) &&
              offsetof(TriangleSetup, tow) == offsetof(TriangleSetup, oow) + 2 * sizeof(FloatPlane) &&
              offsetof(TriangleSetup, ooz) == offsetof(TriangleSetup, oow) + 3 * sizeof(FloatPlane) &&
              sizeof(FloatPlane) == 3 * sizeof(float));
static_assert(kSnappedAttributes == 8);

// Every value is finite (the attributes are, and the coordinates bounded),
// so the minimum and maximum agree with the scalar clamps.
template <class D>
HWY_INLINE hn::Vec<D> ClampMagnitudeLanes(D d, hn::Vec<D> v, double limit) {
    return hn::Max(hn::Min(v, hn::Set(d, limit)), hn::Set(d, -limit));
}

inline void SetupPlanes(const SnappedVertex* v, const PlaneGeometry& geo, TriangleSetup* t) {
    const hn::CappedTag<double, 4> dd;  // four attributes a vector (two on SSE4)
    const hn::Rebind<float, decltype(dd)> df;
    const hn::Rebind<std::int64_t, decltype(dd)> di;
    using VD = hn::Vec<decltype(dd)>;
    const std::size_t n = hn::Lanes(dd);
    const VD x1 = hn::Set(dd, geo.x1), y1 = hn::Set(dd, geo.y1), x2 = hn::Set(dd, geo.x2), y2 = hn::Set(dd, geo.y2);
    const VD invDet = hn::Set(dd, geo.invDet), cx = hn::Set(dd, geo.cx), cy = hn::Set(dd, geo.cy);
    auto* fixed = reinterpret_cast<std::int64_t*>(&t->r);
    auto* floats = reinterpret_cast<float*>(&t->oow);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kSnappedAttributes); i += n) {
        const VD a0 = hn::PromoteTo(dd, hn::LoadU(df, v[0].attr + i));
        const VD a1 = hn::Sub(hn::PromoteTo(dd, hn::LoadU(df, v[1].attr + i)), a0);
        const VD a2 = hn::Sub(hn::PromoteTo(dd, hn::LoadU(df, v[2].attr + i)), a0);
        const VD dx = hn::Mul(hn::Sub(hn::Mul(a1, y2), hn::Mul(a2, y1)), invDet);
        const VD dy = hn::Mul(hn::Sub(hn::Mul(a2, x1), hn::Mul(a1, x2)), invDet);
        const VD k = hn::Add(hn::Add(a0, hn::Mul(dx, cx)), hn::Mul(dy, cy));
        if (i < 4) {
            // ToFixed12: clamped, then rounded half away from zero.
            const auto toFixed = [&](VD value) {
                const VD scaled = ClampMagnitudeLanes(dd, hn::Mul(value, hn::Set(dd, 4096.0)), 1.0e15);
                return hn::ConvertTo(di, hn::Add(scaled, hn::CopySign(hn::Set(dd, 0.5), scaled)));
            };
            hn::StoreInterleaved3(hn::Add(toFixed(k), hn::Set(di, 2048)), toFixed(dx), toFixed(dy), di, fixed + 3 * i);
        } else {
            const auto toFloat = [&](VD value) { return hn::DemoteTo(df, ClampMagnitudeLanes(dd, value, 1.0e30)); };
            hn::StoreInterleaved3(toFloat(k), toFloat(dx), toFloat(dy), df, floats + 3 * (i - 4));
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_SETUP_VECTOR_PLANES_INL_H_
