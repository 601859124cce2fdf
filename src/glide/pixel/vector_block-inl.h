// Small triangles shaded a block at a time: the lanes of one vector are a
// block of 4 x (lanes / 4) pixels (4x1 with SSE4, 4x2 with AVX2, 4x4 with
// AVX-512), aligned to the screen. A triangle a few pixels across covers
// short runs of many rows; as spans it would cost one mostly empty vector
// per row, as blocks it costs one vector per block it touches.
//
// Each lane runs exactly the span path's stages (ShadeLanes of
// vector_stages-inl.h) on its own pixel, with its own row's plane values, so
// a block draws the pixels the spans draw. Compiled per instruction set
// (vector_shaders.cpp).
#if defined(GLIDE_PIXEL_VECTOR_BLOCK_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef GLIDE_PIXEL_VECTOR_BLOCK_INL_H_
#undef GLIDE_PIXEL_VECTOR_BLOCK_INL_H_
#else
#define GLIDE_PIXEL_VECTOR_BLOCK_INL_H_
#endif

#include <hwy/highway.h>

#include <cstdint>
#include <cstring>

#include "pixel/vector_stages-inl.h"
#include "raster/tile_rect.h"
#include "setup/triangle_setup.h"

#if GLIDE_VECTOR_TARGET
HWY_BEFORE_NAMESPACE();
namespace glide {
namespace HWY_NAMESPACE {

constexpr int kBlockWidth = 4;
constexpr int kBlockLanes = static_cast<int>(hn::MaxLanes(DI()));
constexpr int kBlockRows = kBlockLanes / kBlockWidth;
static_assert(kBlockRows * kBlockWidth == kBlockLanes && (kBlockRows & (kBlockRows - 1)) == 0);

// Word offsets of the block's rows in the buffers, as 64-bit indices (a
// row's four pixels are one 64-bit word), for the gather that loads them.
HWY_ALIGN inline constexpr std::int64_t kRowWords[4] = {0, kScreenWidth / 4, 2 * kScreenWidth / 4,
                                                         3 * kScreenWidth / 4};

using D64 = hn::Repartition<std::int64_t, D16>;

// The block's pixels of a buffer, lane i = pixel (i & 3, i >> 2).
HWY_INLINE VI LoadBlock(const std::uint16_t* at) {
    const D16 d16;
    if constexpr (kBlockRows == 1) {
        return hn::PromoteTo(DI(), hn::LoadU(d16, at));
    } else {
        const D64 d64;
        const auto words = hn::GatherIndex(d64, reinterpret_cast<const std::int64_t*>(at), hn::Load(d64, kRowWords));
        return hn::PromoteTo(DI(), hn::BitCast(d16, words));
    }
}

HWY_INLINE void StoreBlock(VI v, std::uint16_t* at) {
    const D16 d16;
    const auto packed = hn::DemoteTo(d16, v);
    if constexpr (kBlockRows == 1) {
        hn::StoreU(packed, d16, at);
    } else {
        // Row by row from a copy: scatters are slow on some processors.
        HWY_ALIGN std::uint16_t rows[kBlockLanes];
        hn::Store(packed, d16, rows);
        for (int row = 0; row < kBlockRows; ++row) {
            std::memcpy(at + row * kScreenWidth, rows + row * kBlockWidth, kBlockWidth * sizeof(std::uint16_t));
        }
    }
}

// a + b * x + c * y in wrapping 32-bit arithmetic: where the true value fits
// in 32 bits it is that value.
HWY_INLINE VI WrapLinear(std::int64_t a, std::int64_t b, VI x, std::int64_t c, VI y) {
    const DU du;
    const VU v = hn::Add(hn::Set(du, static_cast<std::uint32_t>(a)),
                         hn::Add(hn::Mul(hn::Set(du, static_cast<std::uint32_t>(b)), hn::BitCast(du, x)),
                                 hn::Mul(hn::Set(du, static_cast<std::uint32_t>(c)), hn::BitCast(du, y))));
    return hn::BitCast(DI(), v);
}

HWY_INLINE VI WrapAdd(VI v, std::int64_t step) {
    const DU du;
    return hn::BitCast(DI(), hn::Add(hn::BitCast(du, v), hn::Set(du, static_cast<std::uint32_t>(step))));
}

template <ColourSource kColour, SamplerKind kSampler>
std::uint64_t BlockTriangle(const TriangleSetup& t, const TileRect& rect, SpanCounters& counters) {
    const DF df;
    const DI di;
    const int minX = t.minX > rect.x0 ? t.minX : rect.x0, maxX = t.maxX < rect.x1 ? t.maxX : rect.x1;
    const int minY = t.minY > rect.y0 ? t.minY : rect.y0, maxY = t.maxY < rect.y1 ? t.maxY : rect.y1;
    if (minX > maxX || minY > maxY) return 0;
    const int bx0 = minX & ~(kBlockWidth - 1), bx1 = maxX & ~(kBlockWidth - 1);
    const int by0 = minY & ~(kBlockRows - 1), by1 = maxY & ~(kBlockRows - 1);
    const int w = bx1 + kBlockWidth - 1 - bx0, h = by1 + kBlockRows - 1 - by0;

    // Edge functions and colour planes run in 32-bit lanes: every value over
    // the blocks must fit, or the spans draw the triangle.
    std::int64_t edge0[3];
    for (int i = 0; i < 3; ++i) {
        const EdgeFunction& e = t.edge[i];
        edge0[i] = e.a * bx0 + e.b * by0 + e.c;
        if (!FitsIn32(edge0[i], e.a, e.b, w, h)) return kBlocksDeclined;
    }
    const FixedPlane* planes[4] = {&t.r, &t.g, &t.b, &t.a};
    std::int64_t plane0[4];
    for (int i = 0; i < 4; ++i) {
        const FixedPlane& p = *planes[i];
        plane0[i] = p.k + p.dx * (bx0 - t.refX) + p.dy * (by0 - t.refY);
        if (!FitsIn32(plane0[i], p.dx, p.dy, w, h)) return kBlocksDeclined;
    }

    const VI lane = hn::Iota(di, 0);
    const VI laneX = hn::And(lane, Int(kBlockWidth - 1)), laneY = hn::ShiftRight<2>(lane);
    VI edgeLanes[3], planeLanes[4];
    for (int i = 0; i < 3; ++i) edgeLanes[i] = WrapLinear(edge0[i], t.edge[i].a, laneX, t.edge[i].b, laneY);
    for (int i = 0; i < 4; ++i) planeLanes[i] = WrapLinear(plane0[i], planes[i]->dx, laneX, planes[i]->dy, laneY);

    const StageConstants k = MakeStageConstants(t);
    LaneInputs in;
    in.storedDepth = Int(0);
    SpanTexture tex{};
    tex.t = &t;
    std::uint64_t covered = 0, written = 0, depthFailed = 0;

    for (int by = by0; by <= by1; by += kBlockRows) {
        // The rows' plane values, per lane.
        const VF fy = hn::ConvertTo(df, hn::Add(laneY, Int(by - t.refY)));
        in.oowRow = hn::Add(Float(t.oow.k), hn::Mul(Float(t.oow.dy), fy));
        in.oozRow = k.zFromOoz ? hn::Add(Float(t.ooz.k), hn::Mul(Float(t.ooz.dy), fy)) : Float(0.0f);
        const int ditherRow = (by & 3) * kBlockWidth;
        in.dither = {hn::LoadU(di, &kDitherLanes.red[ditherRow]), hn::LoadU(di, &kDitherLanes.green[ditherRow])};
        if constexpr (kSampler != SamplerKind::kNone) {
            const VF sowRow = hn::Add(Float(t.sow.k), hn::Mul(Float(t.sow.dy), fy));
            const VF towRow = hn::Add(Float(t.tow.k), hn::Mul(Float(t.tow.dy), fy));
            SetFootprintRows(StepsOf(t), in.oowRow, sowRow, towRow, &tex);
            tex.cell16 = hn::ShiftLeft<4>(hn::LoadU(di, &kDitherLanes.cell[ditherRow]));
        }
        const int rowStep = by - by0;
        VI e[3], p[4];
        for (int i = 0; i < 3; ++i) e[i] = WrapAdd(edgeLanes[i], t.edge[i].b * rowStep);
        for (int i = 0; i < 4; ++i) p[i] = WrapAdd(planeLanes[i], planes[i]->dy * rowStep);
        std::uint16_t* const colourRow = t.colourBuffer + by * kScreenWidth;
        std::uint16_t* const depthRow = t.depthBuffer + by * kScreenWidth;

        for (int bx = bx0; bx <= bx1; bx += kBlockWidth) {
            if (bx != bx0) {
                for (int i = 0; i < 3; ++i) e[i] = WrapAdd(e[i], t.edge[i].a * kBlockWidth);
                for (int i = 0; i < 4; ++i) p[i] = WrapAdd(p[i], planes[i]->dx * kBlockWidth);
            }
            in.active = hn::Not(hn::Lt(hn::Or(hn::Or(e[0], e[1]), e[2]), Int(0)));
            if (hn::AllFalse(di, in.active)) continue;
            covered += hn::CountTrue(di, in.active);
            in.fx = hn::ConvertTo(df, hn::Add(laneX, Int(bx - t.refX)));
            in.r = p[0], in.g = p[1], in.b = p[2], in.a = p[3];
            in.old = LoadBlock(colourRow + bx);
            if (k.depthOn) in.storedDepth = LoadBlock(depthRow + bx);
            VI pixel, depth;
            const MI pass = ShadeLanes<kColour, kSampler>(t, k, tex, in, &pixel, &depth, &written, &depthFailed);
            if (hn::AllFalse(di, pass)) continue;
            StoreBlock(hn::IfThenElse(pass, pixel, in.old), colourRow + bx);
            if (k.depthWrite) StoreBlock(hn::IfThenElse(pass, depth, in.storedDepth), depthRow + bx);
        }
    }
    counters.written += written;
    counters.depthFailed += depthFailed;
    return covered;
}

}  // namespace HWY_NAMESPACE
}  // namespace glide
HWY_AFTER_NAMESPACE();
#endif

#endif  // GLIDE_PIXEL_VECTOR_BLOCK_INL_H_
