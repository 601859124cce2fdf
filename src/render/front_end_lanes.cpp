// The front end's vector lanes, compiled per instruction set with
// Highway's foreach_target (this file is included once per set), the table
// of the compiled sets and the choice among them. Sections: the scalar
// forms; the lanes (reciprocal square root, lighting, transform); the
// table and the choice.
#include "render/front_end_lanes.h"

#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS HWY_SSSE3
#endif
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "render/front_end_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "app/render_flags.h"
#include "render/fast_inv_sqrt.h"
#include "render/lighting.h"
#include "render/vertex_projection.h"

#if HWY_ONCE

// ---- the scalar forms ------------------------------------------------------------

void LightBatch::Add(const Material& material, const Vec3& point, const Vec3& normal, const Vec3& view,
                     std::uint32_t faceFlags, float specularity) {
    const int i = count++;
    const SurfaceLight s = SurfaceOf(material, faceFlags, specularity);
    px[i] = point.x;
    py[i] = point.y;
    pz[i] = point.z;
    nx[i] = normal.x;
    ny[i] = normal.y;
    nz[i] = normal.z;
    vx[i] = view.x;
    vy[i] = view.y;
    vz[i] = view.z;
    cr[i] = s.colour.r;
    cg[i] = s.colour.g;
    cb[i] = s.colour.b;
    ca[i] = s.colour.a;
    sr[i] = s.specular.r;
    sg[i] = s.specular.g;
    sb[i] = s.specular.b;
    sa[i] = s.specular.a;
    exponent[i] = s.exponent;
    front[i] = s.front ? ~0u : 0u;
    specular[i] = s.highlight ? ~0u : 0u;
}

void LightPointsScalar(LightBatch& b, const LightSet& set) {
    for (int i = 0; i < b.count; ++i) {
        SurfaceLight s;
        s.colour = {b.cr[i], b.cg[i], b.cb[i], b.ca[i]};
        s.specular = {b.sr[i], b.sg[i], b.sb[i], b.sa[i]};
        s.exponent = b.exponent[i];
        s.highlight = b.specular[i] != 0;
        s.front = b.front[i] != 0;
        b.lit[i] = LightSurface(s, {b.px[i], b.py[i], b.pz[i]}, {b.nx[i], b.ny[i], b.nz[i]},
                                {b.vx[i], b.vy[i], b.vz[i]}, set.lights, set.count, set.renderFlags);
    }
}

void TransformVerticesScalar(const Vertex* vertices, std::size_t first, std::size_t end, const Matrix3& R,
                             const Vec3& T, const VertexValues& out) {
    for (std::size_t i = first; i < end; ++i) {
        const Vec3& p = vertices[i].position;
        const float z = ClipZ(p, R, T), x = ClipX(p, R, T), y = ClipY(p, R, T);
        const ProjectedVertex v = Project(x, y, z);
        out.z[i] = z;
        out.x[i] = x;
        out.y[i] = y;
        out.invZ[i] = v.invZ;
        out.ndcX[i] = v.ndcX;
        out.ndcY[i] = v.ndcY;
        out.screenX[i] = v.screenX;
        out.screenY[i] = v.screenY;
    }
}

#endif  // HWY_ONCE

// ---- the lanes ---------------------------------------------------------------------

HWY_BEFORE_NAMESPACE();
namespace front_end {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SSE4 || HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3

namespace hn = hwy::HWY_NAMESPACE;
using DF = hn::ScalableTag<float>;
using DU = hn::RebindToUnsigned<DF>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using MF = hn::Mask<DF>;

// FastInvSqrtInline, lane by lane: the seed's exponent from the bits, its
// mantissa from the table (the entries widened and shifted into place),
// one Newton-Raphson step.
HWY_INLINE VF InvSqrt(DF d, VF x, const std::int32_t* seeds) {
    const DU du;
    const DI di;
    const auto bits = hn::BitCast(du, x);
    const auto index = hn::BitCast(di, hn::And(hn::ShiftRight<17>(bits), hn::Set(du, 0x7Fu)));
    const auto mantissa = hn::BitCast(du, hn::GatherIndex(di, seeds, index));
    const auto exponent = hn::And(hn::Sub(hn::Set(du, 0x5F000000u), hn::ShiftRight<1>(hn::And(bits, hn::Set(du, 0x7F800000u)))),
                                  hn::Set(du, 0xFF800000u));
    const VF seed = hn::BitCast(d, hn::Or(mantissa, exponent));
    return hn::Mul(hn::Mul(hn::Set(d, 0.5f), seed), hn::Sub(hn::Set(d, 3.0f), hn::Mul(hn::Mul(seed, seed), x)));
}

// a.x * b.x + a.y * b.y + a.z * b.z, left to right.
HWY_INLINE VF Dot(VF ax, VF ay, VF az, VF bx, VF by, VF bz) {
    return hn::Add(hn::Add(hn::Mul(ax, bx), hn::Mul(ay, by)), hn::Mul(az, bz));
}

// v * FastInvSqrt(v . v).
HWY_INLINE void Normalise(DF d, VF& x, VF& y, VF& z, const std::int32_t* seeds) {
    const VF inv = InvSqrt(d, Dot(x, y, z, x, y, z), seeds);
    x = hn::Mul(x, inv);
    y = hn::Mul(y, inv);
    z = hn::Mul(z, inv);
}

// LightSurface for the lanes [at, at + Lanes) of the batch (Shade's steps,
// masked instead of returned early).
void LightLanes(DF d, LightBatch& b, std::size_t at, const LightSet& set, const std::int32_t* seeds) {
    const std::uint32_t flags = set.renderFlags;
    const VF zero = hn::Zero(d);
    const MF all = hn::FirstN(d, hn::Lanes(d));
    const VF px = hn::LoadU(d, b.px + at), py = hn::LoadU(d, b.py + at), pz = hn::LoadU(d, b.pz + at);
    const VF nx = hn::LoadU(d, b.nx + at), ny = hn::LoadU(d, b.ny + at), nz = hn::LoadU(d, b.nz + at);
    const VF cr = hn::LoadU(d, b.cr + at), cg = hn::LoadU(d, b.cg + at), cb = hn::LoadU(d, b.cb + at);
    const VF ca = hn::LoadU(d, b.ca + at);
    const MF front = hn::RebindMask(d, hn::Ne(hn::LoadU(DU(), b.front + at), hn::Zero(DU())));
    const bool specularOn = (flags & RF_SPECULAR) != 0;
    const MF highlight = hn::RebindMask(d, hn::Ne(hn::LoadU(DU(), b.specular + at), hn::Zero(DU())));
    // V normalised, used only where a highlight needs it (the same value
    // whichever light first needs it).
    VF vx = hn::LoadU(d, b.vx + at), vy = hn::LoadU(d, b.vy + at), vz = hn::LoadU(d, b.vz + at);
    if (specularOn) Normalise(d, vx, vy, vz, seeds);

    VF sumR = zero, sumG = zero, sumB = zero, sumA = zero;
    for (int i = 0; i < set.count; ++i) {
        const Light& light = set.lights[i];
        if (light.enabled == 0) continue;
        VF lx, ly, lz;
        if (light.type != OMNI) {
            if (!(flags & RF_DIRECTIONAL_LIGHTS)) continue;
            lx = hn::Set(d, light.local.x);
            ly = hn::Set(d, light.local.y);
            lz = hn::Set(d, light.local.z);
        } else {
            if (!(flags & RF_OMNI_LIGHTS)) continue;
            lx = hn::Sub(px, hn::Set(d, light.local.x));
            ly = hn::Sub(py, hn::Set(d, light.local.y));
            lz = hn::Sub(pz, hn::Set(d, light.local.z));
            Normalise(d, lx, ly, lz, seeds);
        }
        VF dot = Dot(lx, ly, lz, nx, ny, nz);
        // negate = !(d > 0 && bothSides), then inverted by FLIP_FACING and
        // by a back face.
        MF negate = (flags & RF_LIGHT_BOTH_SIDES) ? hn::Not(hn::Gt(dot, zero)) : all;
        if (flags & RF_FLIP_FACING) negate = hn::Not(negate);
        negate = hn::Xor(negate, hn::Not(front));
        dot = hn::IfThenElse(negate, hn::Neg(dot), dot);
        const MF lit = hn::Gt(dot, zero);
        const VF intensity = hn::Set(d, light.intensity);
        const VF k = hn::Mul(intensity, dot);
        VF r = hn::IfThenElse(lit, hn::Mul(cr, k), zero);
        VF g = hn::IfThenElse(lit, hn::Mul(cg, k), zero);
        VF bl = hn::IfThenElse(lit, hn::Mul(cb, k), zero);
        VF a = hn::IfThenElse(lit, ca, hn::Set(d, 255.0f));
        const MF shine = hn::And(lit, highlight);
        if (specularOn && !hn::AllFalse(d, shine)) {
            VF hx = hn::Add(lx, vx), hy = hn::Add(ly, vy), hz = hn::Add(lz, vz);
            Normalise(d, hx, hy, hz, seeds);
            VF s = Dot(nx, ny, nz, hx, hy, hz);
            s = hn::IfThenElse(negate, hn::Neg(s), s);
            const MF shines = hn::And(shine, hn::Gt(s, zero));
            if (!hn::AllFalse(d, shines)) {
                const VF n = hn::LoadU(d, b.exponent + at);
                VF f;
                if (flags & RF_FAST_SPECULAR) {
                    f = hn::Div(s, hn::Add(hn::Mul(hn::Sub(hn::Set(d, 1.0f), s), n), s));
                } else {
                    // The power function lane by lane, as the scalar code calls it.
                    HWY_ALIGN float sv[hn::MaxLanes(d)], nv[hn::MaxLanes(d)];
                    hn::Store(s, d, sv);
                    hn::Store(n, d, nv);
                    for (std::size_t j = 0; j < hn::Lanes(d); ++j) {
                        sv[j] = static_cast<float>(std::pow(static_cast<double>(sv[j]), static_cast<double>(nv[j])));
                    }
                    f = hn::Load(d, sv);
                }
                const VF k2 = hn::Mul(intensity, f);
                r = hn::IfThenElse(shines, hn::Add(r, hn::Mul(hn::LoadU(d, b.sr + at), k2)), r);
                g = hn::IfThenElse(shines, hn::Add(g, hn::Mul(hn::LoadU(d, b.sg + at), k2)), g);
                bl = hn::IfThenElse(shines, hn::Add(bl, hn::Mul(hn::LoadU(d, b.sb + at), k2)), bl);
                a = hn::IfThenElse(shines, hn::Add(a, hn::LoadU(d, b.sa + at)), a);
            }
        }
        sumR = hn::Add(sumR, r);
        sumG = hn::Add(sumG, g);
        sumB = hn::Add(sumB, bl);
        sumA = hn::Add(sumA, a);
    }
    // Capped at 255; a NaN stays as it is, as the scalar comparison leaves it.
    const VF cap = hn::Set(d, 255.0f);
    sumR = hn::IfThenElse(hn::Gt(sumR, cap), cap, sumR);
    sumG = hn::IfThenElse(hn::Gt(sumG, cap), cap, sumG);
    sumB = hn::IfThenElse(hn::Gt(sumB, cap), cap, sumB);
    sumA = hn::IfThenElse(hn::Gt(sumA, cap), cap, sumA);
    hn::StoreInterleaved4(sumR, sumG, sumB, sumA, d, &b.lit[at].r);
}

void LightPoints(LightBatch& b, const LightSet& set) {
    const DF d;
    const std::size_t n = hn::Lanes(d);
    const std::size_t count = static_cast<std::size_t>(b.count);
    if (count == 0) return;
    // The unused lanes of the last vector repeat the first point.
    const std::size_t padded = (count + n - 1) / n * n;
    for (std::size_t i = count; i < padded && i < static_cast<std::size_t>(LightBatch::kCapacity); ++i) {
        b.px[i] = b.px[0], b.py[i] = b.py[0], b.pz[i] = b.pz[0];
        b.nx[i] = b.nx[0], b.ny[i] = b.ny[0], b.nz[i] = b.nz[0];
        b.vx[i] = b.vx[0], b.vy[i] = b.vy[0], b.vz[i] = b.vz[0];
        b.cr[i] = b.cr[0], b.cg[i] = b.cg[0], b.cb[i] = b.cb[0], b.ca[i] = b.ca[0];
        b.sr[i] = b.sr[0], b.sg[i] = b.sg[0], b.sb[i] = b.sb[0], b.sa[i] = b.sa[0];
        b.exponent[i] = b.exponent[0];
        b.front[i] = b.front[0];
        b.specular[i] = b.specular[0];
    }
    const std::int32_t* seeds = InvSqrtSeeds();
    for (std::size_t at = 0; at < count; at += n) LightLanes(d, b, at, set, seeds);
}

void TransformVertices(const Vertex* vertices, std::size_t first, std::size_t end, const Matrix3& R, const Vec3& T,
                       const VertexValues& out) {
    const DF d;
    const DI di;
    const std::size_t n = hn::Lanes(d);
    constexpr std::int32_t kStride = sizeof(Vertex) / sizeof(float);
    static_assert(sizeof(Vertex) % sizeof(float) == 0 && offsetof(Vertex, position) == 0);
    const auto offsets = hn::Mul(hn::Iota(di, 0), hn::Set(di, kStride));
    auto row = [&](int i) {
        return std::array<VF, 3>{hn::Set(d, R.m[i][0]), hn::Set(d, R.m[i][1]), hn::Set(d, R.m[i][2])};
    };
    const auto r0 = row(0), r1 = row(1), r2 = row(2);
    const VF tx = hn::Set(d, T.x), ty = hn::Set(d, T.y), tz = hn::Set(d, T.z);
    const VF scaleX = hn::Set(d, VIEW_SCALE_X), scaleY = hn::Set(d, VIEW_SCALE_Y), one = hn::Set(d, 1.0f);
    std::size_t i = first;
    for (; i + n <= end; i += n) {
        const float* base = &vertices[i].position.x;
        const VF px = hn::GatherIndex(d, base, offsets);
        const VF py = hn::GatherIndex(d, base + 1, offsets);
        const VF pz = hn::GatherIndex(d, base + 2, offsets);
        auto dot = [&](const std::array<VF, 3>& r) {
            return hn::Add(hn::Add(hn::Mul(r[0], px), hn::Mul(r[1], py)), hn::Mul(r[2], pz));
        };
        const VF z = hn::Add(dot(r2), tz);
        const VF x = hn::Mul(hn::Add(dot(r0), tx), scaleX);
        const VF y = hn::Mul(hn::Add(dot(r1), ty), scaleY);
        const VF invZ = hn::Div(one, z);
        const VF ndcX = hn::Mul(x, invZ);
        const VF ndcY = hn::Mul(y, invZ);
        const VF screenX = hn::Sub(hn::Add(hn::Mul(ndcX, hn::Set(d, 256.0f)), hn::Set(d, 524608.0f)),
                                   hn::Set(d, 524288.0f));
        const VF screenY = hn::Sub(hn::Add(hn::Mul(ndcY, hn::Set(d, 192.0f)), hn::Set(d, 524528.0f)),
                                   hn::Set(d, 524288.0f));
        hn::StoreU(z, d, out.z + i);
        hn::StoreU(x, d, out.x + i);
        hn::StoreU(y, d, out.y + i);
        hn::StoreU(invZ, d, out.invZ + i);
        hn::StoreU(ndcX, d, out.ndcX + i);
        hn::StoreU(ndcY, d, out.ndcY + i);
        hn::StoreU(screenX, d, out.screenX + i);
        hn::StoreU(screenY, d, out.screenY + i);
    }
    TransformVerticesScalar(vertices, i, end, R, T, out);
}

#endif

}  // namespace HWY_NAMESPACE
}  // namespace front_end
HWY_AFTER_NAMESPACE();

// ---- the table and the choice --------------------------------------------------------

#if HWY_ONCE
#include <atomic>

#include <hwy/targets.h>

namespace {

using namespace front_end;

constexpr FrontEndIsa kIsas[] = {
#if HWY_TARGETS & HWY_SSE4
    {"sse4", HWY_SSE4, &N_SSE4::LightPoints, &N_SSE4::TransformVertices},
#endif
#if HWY_TARGETS & HWY_AVX2
    {"avx2", HWY_AVX2, &N_AVX2::LightPoints, &N_AVX2::TransformVertices},
#endif
#if HWY_TARGETS & HWY_AVX3
    {"avx512", HWY_AVX3, &N_AVX3::LightPoints, &N_AVX3::TransformVertices},
#endif
    {nullptr, 0, nullptr, nullptr},
};
constexpr int kIsaCount = static_cast<int>(sizeof(kIsas) / sizeof(kIsas[0])) - 1;

bool Runs(const FrontEndIsa& isa) { return (hwy::SupportedTargets() & isa.hwyTarget) != 0; }

const FrontEndIsa* BestIsa() {
    const FrontEndIsa* best = nullptr;
    for (int i = 0; i < kIsaCount; ++i) {
        if (Runs(kIsas[i])) best = &kIsas[i];
    }
    return best;
}

std::atomic<const FrontEndIsa*>& Chosen() {
    static std::atomic<const FrontEndIsa*> chosen{BestIsa()};
    return chosen;
}

}  // namespace

const FrontEndIsa* CompiledFrontEndIsas(int* count) {
    *count = kIsaCount;
    return kIsas;
}

const FrontEndIsa* CurrentFrontEndIsa() { return Chosen().load(std::memory_order_relaxed); }

bool SetFrontEndIsa(const std::string& name) {
    if (name.empty()) {
        Chosen().store(BestIsa(), std::memory_order_relaxed);
        return true;
    }
    if (name == "scalar") {
        Chosen().store(nullptr, std::memory_order_relaxed);
        return true;
    }
    for (int i = 0; i < kIsaCount; ++i) {
        if (name == kIsas[i].name && Runs(kIsas[i])) {
            Chosen().store(&kIsas[i], std::memory_order_relaxed);
            return true;
        }
    }
    return false;
}

std::vector<std::string> AvailableFrontEndIsas() {
    std::vector<std::string> names{"scalar"};
    for (int i = 0; i < kIsaCount; ++i) {
        if (Runs(kIsas[i])) names.emplace_back(kIsas[i].name);
    }
    return names;
}
#endif  // HWY_ONCE
