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
#include "render/face_processor.h"
#include "render/fast_inv_sqrt.h"
#include "render/lighting.h"
#include "render/vertex_projection.h"

#if HWY_ONCE

// ---- the scalar forms ------------------------------------------------------------

namespace {

// A surface's values in slot i of arrays of them (a batch, the materials).
template <class Arrays>
void PutSurface(Arrays& a, std::size_t i, const SurfaceLight& s) {
    a.cr[i] = s.colour.r;
    a.cg[i] = s.colour.g;
    a.cb[i] = s.colour.b;
    a.ca[i] = s.colour.a;
    a.sr[i] = s.specular.r;
    a.sg[i] = s.specular.g;
    a.sb[i] = s.specular.b;
    a.sa[i] = s.specular.a;
    a.exponent[i] = s.exponent;
    a.highlight[i] = s.highlight ? ~0u : 0u;
}

template <class Arrays>
SurfaceLight GetSurface(const Arrays& a, std::size_t i, bool front) {
    SurfaceLight s;
    s.colour = {a.cr[i], a.cg[i], a.cb[i], a.ca[i]};
    s.specular = {a.sr[i], a.sg[i], a.sb[i], a.sa[i]};
    s.exponent = a.exponent[i];
    s.highlight = a.highlight[i] != 0;
    s.front = front;
    return s;
}

}  // namespace

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
    PutSurface(*this, static_cast<std::size_t>(i), s);
    front[i] = s.front ? ~0u : 0u;
}

void LightPointsScalar(LightBatch& b, const LightSet& set) {
    for (int i = 0; i < b.count; ++i) {
        const SurfaceLight s = GetSurface(b, static_cast<std::size_t>(i), b.front[i] != 0);
        b.lit[i] = LightSurface(s, {b.px[i], b.py[i], b.pz[i]}, {b.nx[i], b.ny[i], b.nz[i]},
                                {b.vx[i], b.vy[i], b.vz[i]}, set.lights, set.count, set.renderFlags);
    }
}

void MaterialLanes::Set(const Material* materials, int count, float specularity) const {
    for (int m = 0; m < count; ++m) {
        for (std::uint32_t texture = 0; texture < 2; ++texture) {
            const std::uint32_t slot = 2 * static_cast<std::uint32_t>(m) + texture;
            PutSurface(*this, slot, SurfaceOf(materials[m], texture ? FACE_USE_TEXTURE_COLOR : 0u, specularity));
        }
    }
}

namespace {

// The surface of material slot `slot` seen from the side faceFlags name.
SurfaceLight SlotSurface(const MaterialLanes& m, std::uint32_t slot, std::uint32_t faceFlags) {
    return GetSurface(m, slot, (faceFlags & FACE_FRONT) != 0);
}

constexpr int kFrontLit = 1;
constexpr int kBackLit = 2;

}  // namespace

void LightFlatFacesScalar(Face* faces, const std::uint32_t* list, std::size_t count, const LightingFrame& frame) {
    for (std::size_t i = 0; i < count; ++i) {
        Face& face = faces[list[i]];
        const SurfaceLight s = SlotSurface(frame.materials, MaterialSlot(face.material, face.flags), face.flags);
        const ColorRGBA lit = LightSurface(s, frame.vertices[face.corners[0].vertex].position, face.normal,
                                           face.point - frame.eye, frame.lights.lights, frame.lights.count,
                                           frame.lights.renderFlags);
        face.flatAlpha = lit.a;
        face.flatColor = PackFlatColor(lit);
    }
}

void LightNormalsScalar(VertexNormal* normals, NormalRequest* requests, std::size_t begin, std::size_t end,
                        const LightingFrame& frame) {
    for (std::size_t n = begin; n < end; ++n) {
        NormalRequest& request = requests[n];
        VertexNormal& normal = normals[n];
        int lit = 0;
        for (int side = 0; side < 2; ++side) {
            const std::uint32_t flags = request.flags[side];
            if (flags == 0) continue;
            lit |= side == 0 ? kFrontLit : kBackLit;
            const Vec3& position = frame.vertices[request.vertex[side]].position;
            const SurfaceLight s = SlotSurface(frame.materials, MaterialSlot(request.material[side], flags), flags);
            (side == 0 ? normal.frontColor : normal.backColor) =
                LightSurface(s, position, normal.normal, position - frame.eye, frame.lights.lights, frame.lights.count,
                             frame.lights.renderFlags);
        }
        normal.litFlags = lit;
        request = NormalRequest{};
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

// A point to light in each lane: LightSurface's arguments.
struct Surface {
    VF px, py, pz, nx, ny, nz, vx, vy, vz;
    VF cr, cg, cb, ca;
    VF sr, sg, sb, sa;
    VF exponent;
    MF front, highlight;
};

// LightSurface lane by lane: Shade's steps for each light, masked instead
// of returned early; the result capped at 255.
HWY_INLINE void LightCore(DF d, Surface s, const LightSet& set, const std::int32_t* seeds, VF& outR, VF& outG,
                          VF& outB, VF& outA) {
    const std::uint32_t flags = set.renderFlags;
    const VF zero = hn::Zero(d);
    const MF all = hn::FirstN(d, hn::Lanes(d));
    const bool specularOn = (flags & RF_SPECULAR) != 0;
    // V normalised, used only where a highlight needs it (the same value
    // whichever light first needs it).
    if (specularOn) Normalise(d, s.vx, s.vy, s.vz, seeds);

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
            lx = hn::Sub(s.px, hn::Set(d, light.local.x));
            ly = hn::Sub(s.py, hn::Set(d, light.local.y));
            lz = hn::Sub(s.pz, hn::Set(d, light.local.z));
            Normalise(d, lx, ly, lz, seeds);
        }
        VF dot = Dot(lx, ly, lz, s.nx, s.ny, s.nz);
        // negate = !(d > 0 && bothSides), then inverted by FLIP_FACING and
        // by a back face.
        MF negate = (flags & RF_LIGHT_BOTH_SIDES) ? hn::Not(hn::Gt(dot, zero)) : all;
        if (flags & RF_FLIP_FACING) negate = hn::Not(negate);
        negate = hn::Xor(negate, hn::Not(s.front));
        dot = hn::IfThenElse(negate, hn::Neg(dot), dot);
        const MF lit = hn::Gt(dot, zero);
        const VF intensity = hn::Set(d, light.intensity);
        const VF k = hn::Mul(intensity, dot);
        VF r = hn::IfThenElse(lit, hn::Mul(s.cr, k), zero);
        VF g = hn::IfThenElse(lit, hn::Mul(s.cg, k), zero);
        VF b = hn::IfThenElse(lit, hn::Mul(s.cb, k), zero);
        VF a = hn::IfThenElse(lit, s.ca, hn::Set(d, 255.0f));
        const MF shine = hn::And(lit, s.highlight);
        if (specularOn && !hn::AllFalse(d, shine)) {
            VF hx = hn::Add(lx, s.vx), hy = hn::Add(ly, s.vy), hz = hn::Add(lz, s.vz);
            Normalise(d, hx, hy, hz, seeds);
            VF sv = Dot(s.nx, s.ny, s.nz, hx, hy, hz);
            sv = hn::IfThenElse(negate, hn::Neg(sv), sv);
            const MF shines = hn::And(shine, hn::Gt(sv, zero));
            if (!hn::AllFalse(d, shines)) {
                VF f;
                if (flags & RF_FAST_SPECULAR) {
                    f = hn::Div(sv, hn::Add(hn::Mul(hn::Sub(hn::Set(d, 1.0f), sv), s.exponent), sv));
                } else {
                    // The power function lane by lane, as the scalar code calls it.
                    HWY_ALIGN float base[hn::MaxLanes(d)], power[hn::MaxLanes(d)];
                    hn::Store(sv, d, base);
                    hn::Store(s.exponent, d, power);
                    for (std::size_t j = 0; j < hn::Lanes(d); ++j) {
                        base[j] = static_cast<float>(std::pow(static_cast<double>(base[j]), static_cast<double>(power[j])));
                    }
                    f = hn::Load(d, base);
                }
                const VF k2 = hn::Mul(intensity, f);
                r = hn::IfThenElse(shines, hn::Add(r, hn::Mul(s.sr, k2)), r);
                g = hn::IfThenElse(shines, hn::Add(g, hn::Mul(s.sg, k2)), g);
                b = hn::IfThenElse(shines, hn::Add(b, hn::Mul(s.sb, k2)), b);
                a = hn::IfThenElse(shines, hn::Add(a, s.sa), a);
            }
        }
        sumR = hn::Add(sumR, r);
        sumG = hn::Add(sumG, g);
        sumB = hn::Add(sumB, b);
        sumA = hn::Add(sumA, a);
    }
    // Capped at 255; a NaN stays as it is, as the scalar comparison leaves it.
    const VF cap = hn::Set(d, 255.0f);
    outR = hn::IfThenElse(hn::Gt(sumR, cap), cap, sumR);
    outG = hn::IfThenElse(hn::Gt(sumG, cap), cap, sumG);
    outB = hn::IfThenElse(hn::Gt(sumB, cap), cap, sumB);
    outA = hn::IfThenElse(hn::Gt(sumA, cap), cap, sumA);
}

// The material values of each lane's slot.
HWY_INLINE void GatherMaterial(DF d, const MaterialLanes& m, hn::Vec<DI> slot, Surface& s) {
    s.cr = hn::GatherIndex(d, m.cr, slot);
    s.cg = hn::GatherIndex(d, m.cg, slot);
    s.cb = hn::GatherIndex(d, m.cb, slot);
    s.ca = hn::GatherIndex(d, m.ca, slot);
    s.sr = hn::GatherIndex(d, m.sr, slot);
    s.sg = hn::GatherIndex(d, m.sg, slot);
    s.sb = hn::GatherIndex(d, m.sb, slot);
    s.sa = hn::GatherIndex(d, m.sa, slot);
    s.exponent = hn::GatherIndex(d, m.exponent, slot);
    const DU du;
    s.highlight = hn::RebindMask(d, hn::Ne(hn::BitCast(du, hn::GatherIndex(DI(), reinterpret_cast<const std::int32_t*>(m.highlight), slot)),
                                           hn::Zero(du)));
}

void LightPoints(LightBatch& b, const LightSet& set) {
    const DF d;
    const DU du;
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
        b.highlight[i] = b.highlight[0];
    }
    const std::int32_t* seeds = InvSqrtSeeds();
    for (std::size_t at = 0; at < count; at += n) {
        Surface s;
        s.px = hn::LoadU(d, b.px + at), s.py = hn::LoadU(d, b.py + at), s.pz = hn::LoadU(d, b.pz + at);
        s.nx = hn::LoadU(d, b.nx + at), s.ny = hn::LoadU(d, b.ny + at), s.nz = hn::LoadU(d, b.nz + at);
        s.vx = hn::LoadU(d, b.vx + at), s.vy = hn::LoadU(d, b.vy + at), s.vz = hn::LoadU(d, b.vz + at);
        s.cr = hn::LoadU(d, b.cr + at), s.cg = hn::LoadU(d, b.cg + at), s.cb = hn::LoadU(d, b.cb + at);
        s.ca = hn::LoadU(d, b.ca + at);
        s.sr = hn::LoadU(d, b.sr + at), s.sg = hn::LoadU(d, b.sg + at), s.sb = hn::LoadU(d, b.sb + at);
        s.sa = hn::LoadU(d, b.sa + at);
        s.exponent = hn::LoadU(d, b.exponent + at);
        s.front = hn::RebindMask(d, hn::Ne(hn::LoadU(du, b.front + at), hn::Zero(du)));
        s.highlight = hn::RebindMask(d, hn::Ne(hn::LoadU(du, b.highlight + at), hn::Zero(du)));
        VF r, g, bl, a;
        LightCore(d, s, set, seeds, r, g, bl, a);
        hn::StoreInterleaved4(r, g, bl, a, d, &b.lit[at].r);
    }
}

// PackFlatColor lane by lane: each component 0 unless above 0, at most
// 255, rounded to the nearest integer (ties to even, the processor's
// rounding).
HWY_INLINE hn::Vec<DU> PackLanes(DF d, VF r, VF g, VF b) {
    const DU du;
    const VF zero = hn::Zero(d), cap = hn::Set(d, 255.0f);
    auto component = [&](VF c) {
        return hn::BitCast(du, hn::NearestInt(hn::IfThenElse(hn::Gt(c, zero), hn::Min(c, cap), zero)));
    };
    return hn::Or(hn::Or(hn::ShiftLeft<24>(component(r)), hn::ShiftLeft<16>(component(g))),
                  hn::ShiftLeft<8>(component(b)));
}

// Each lane's vertex position (lanes address vertices by their offset in
// floats, which the front end keeps within 32 bits).
HWY_INLINE void GatherPosition(DF d, const LightingFrame& frame, hn::Vec<DI> vertex, Surface& s) {
    constexpr std::int32_t kVertexFloats = sizeof(Vertex) / sizeof(float);
    static_assert(sizeof(Vertex) % sizeof(float) == 0 && offsetof(Vertex, position) == 0);
    const float* base = &frame.vertices[0].position.x;
    const auto at = hn::Mul(vertex, hn::Set(DI(), kVertexFloats));
    s.px = hn::GatherIndex(d, base, at);
    s.py = hn::GatherIndex(d, base + 1, at);
    s.pz = hn::GatherIndex(d, base + 2, at);
}

void LightFlatFaces(Face* faces, const std::uint32_t* list, std::size_t count, const LightingFrame& frame) {
    const DF d;
    const DI di;
    const DU du;
    const std::size_t n = hn::Lanes(d);
    const std::int32_t* seeds = InvSqrtSeeds();
    constexpr std::int32_t kFaceFloats = sizeof(Face) / sizeof(float);
    static_assert(sizeof(Face) % sizeof(float) == 0);
    const VF eyeX = hn::Set(d, frame.eye.x), eyeY = hn::Set(d, frame.eye.y), eyeZ = hn::Set(d, frame.eye.z);
    std::size_t i = 0;
    for (; i + n <= count; i += n) {
        // Offsets from the first face of the group, in floats.
        const Face* first = faces + list[i];
        const auto index = hn::Sub(hn::BitCast(di, hn::LoadU(du, list + i)), hn::Set(di, static_cast<std::int32_t>(list[i])));
        const auto at = hn::Mul(index, hn::Set(di, kFaceFloats));
        const float* base = reinterpret_cast<const float*>(first);
        const std::int32_t* ints = reinterpret_cast<const std::int32_t*>(first);
        auto field = [&](std::size_t offset) {
            return hn::GatherIndex(d, base + offset / sizeof(float), at);
        };
        auto intField = [&](std::size_t offset) {
            return hn::GatherIndex(di, ints + offset / sizeof(float), at);
        };
        const auto flags = hn::BitCast(du, intField(offsetof(Face, flags)));
        const auto material = hn::BitCast(du, intField(offsetof(Face, material)));
        const auto vertex = intField(offsetof(Face, corners) + offsetof(FaceCorner, vertex));
        Surface s;
        GatherPosition(d, frame, vertex, s);
        s.nx = field(offsetof(Face, normal));
        s.ny = field(offsetof(Face, normal) + sizeof(float));
        s.nz = field(offsetof(Face, normal) + 2 * sizeof(float));
        s.vx = hn::Sub(field(offsetof(Face, point)), eyeX);
        s.vy = hn::Sub(field(offsetof(Face, point) + sizeof(float)), eyeY);
        s.vz = hn::Sub(field(offsetof(Face, point) + 2 * sizeof(float)), eyeZ);
        s.front = hn::RebindMask(d, hn::Ne(hn::And(flags, hn::Set(du, FACE_FRONT)), hn::Zero(du)));
        const auto texture = hn::ShiftRight<2>(hn::And(flags, hn::Set(du, FACE_USE_TEXTURE_COLOR)));
        static_assert(FACE_USE_TEXTURE_COLOR == 4u);
        GatherMaterial(d, frame.materials, hn::BitCast(di, hn::Add(hn::Add(material, material), texture)), s);
        VF r, g, b, a;
        LightCore(d, s, frame.lights, seeds, r, g, b, a);
        HWY_ALIGN std::uint32_t colour[hn::MaxLanes(d)];
        HWY_ALIGN float alpha[hn::MaxLanes(d)];
        hn::Store(PackLanes(d, r, g, b), du, colour);
        hn::Store(a, d, alpha);
        for (std::size_t j = 0; j < n; ++j) {
            Face& face = faces[list[i + j]];
            face.flatAlpha = alpha[j];
            face.flatColor = colour[j];
        }
    }
    LightFlatFacesScalar(faces, list + i, count - i, frame);
}

void LightNormals(VertexNormal* normals, NormalRequest* requests, std::size_t begin, std::size_t end,
                  const LightingFrame& frame) {
    const DF d;
    const DI di;
    const DU du;
    const std::size_t n = hn::Lanes(d);
    const std::int32_t* seeds = InvSqrtSeeds();
    constexpr std::int32_t kNormalFloats = sizeof(VertexNormal) / sizeof(float);
    constexpr std::int32_t kRequestWords = sizeof(NormalRequest) / sizeof(std::uint32_t);
    const VF eyeX = hn::Set(d, frame.eye.x), eyeY = hn::Set(d, frame.eye.y), eyeZ = hn::Set(d, frame.eye.z);
    const auto lane = hn::Iota(di, 0);
    std::size_t i = begin;
    for (; i + n <= end; i += n) {
        const auto* ints = reinterpret_cast<const std::int32_t*>(requests + i);
        const auto requestAt = hn::Mul(lane, hn::Set(di, kRequestWords));
        const auto normalAt = hn::Mul(lane, hn::Set(di, kNormalFloats));
        const float* normalBase = reinterpret_cast<const float*>(normals + i);
        int lit[hn::MaxLanes(d)] = {};
        for (int side = 0; side < 2; ++side) {
            const auto flags = hn::BitCast(du, hn::GatherIndex(di, ints + offsetof(NormalRequest, flags) / 4 + side, requestAt));
            const auto asked = hn::Ne(flags, hn::Zero(du));
            if (hn::AllFalse(du, asked)) continue;
            Surface s;
            const auto vertex = hn::GatherIndex(di, ints + offsetof(NormalRequest, vertex) / 4 + side, requestAt);
            // Lanes nobody asked for light vertex 0: their colours are not kept.
            GatherPosition(d, frame, hn::IfThenElseZero(hn::RebindMask(di, asked), vertex), s);
            s.nx = hn::GatherIndex(d, normalBase + offsetof(VertexNormal, normal) / 4, normalAt);
            s.ny = hn::GatherIndex(d, normalBase + offsetof(VertexNormal, normal) / 4 + 1, normalAt);
            s.nz = hn::GatherIndex(d, normalBase + offsetof(VertexNormal, normal) / 4 + 2, normalAt);
            s.vx = hn::Sub(s.px, eyeX);
            s.vy = hn::Sub(s.py, eyeY);
            s.vz = hn::Sub(s.pz, eyeZ);
            s.front = hn::RebindMask(d, hn::Ne(hn::And(flags, hn::Set(du, FACE_FRONT)), hn::Zero(du)));
            const auto material = hn::BitCast(du, hn::GatherIndex(di, ints + offsetof(NormalRequest, material) / 4 + side, requestAt));
            const auto texture = hn::ShiftRight<2>(hn::And(flags, hn::Set(du, FACE_USE_TEXTURE_COLOR)));
            const auto slot = hn::IfThenElseZero(asked, hn::Add(hn::Add(material, material), texture));
            GatherMaterial(d, frame.materials, hn::BitCast(di, slot), s);
            VF r, g, b, a;
            LightCore(d, s, frame.lights, seeds, r, g, b, a);
            HWY_ALIGN ColorRGBA colour[hn::MaxLanes(d)];
            hn::StoreInterleaved4(r, g, b, a, d, &colour[0].r);
            HWY_ALIGN std::uint32_t askedLanes[hn::MaxLanes(d)];
            hn::Store(flags, du, askedLanes);
            for (std::size_t j = 0; j < n; ++j) {
                if (askedLanes[j] == 0) continue;
                (side == 0 ? normals[i + j].frontColor : normals[i + j].backColor) = colour[j];
                lit[j] |= side == 0 ? 1 : 2;
            }
        }
        for (std::size_t j = 0; j < n; ++j) {
            normals[i + j].litFlags = lit[j];
            requests[i + j] = NormalRequest{};
        }
    }
    LightNormalsScalar(normals, requests, i, end, frame);
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
    {"sse4", HWY_SSE4, &N_SSE4::LightPoints, &N_SSE4::TransformVertices, &N_SSE4::LightFlatFaces,
     &N_SSE4::LightNormals},
#endif
#if HWY_TARGETS & HWY_AVX2
    {"avx2", HWY_AVX2, &N_AVX2::LightPoints, &N_AVX2::TransformVertices, &N_AVX2::LightFlatFaces,
     &N_AVX2::LightNormals},
#endif
#if HWY_TARGETS & HWY_AVX3
    {"avx512", HWY_AVX3, &N_AVX3::LightPoints, &N_AVX3::TransformVertices, &N_AVX3::LightFlatFaces,
     &N_AVX3::LightNormals},
#endif
    {nullptr, 0, nullptr, nullptr, nullptr, nullptr},
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
