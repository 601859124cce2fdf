// Triangle draw calls: setup, then coverage inline or through the tile
// queue, and the counters.
#include "device.h"
#include "queue/tile_queue.h"
#include "raster/pixel_batch.h"
#include "raster/rasterizer.h"

namespace glide {

namespace {

// With tile threads: the pixel state is set up here, straight into the
// queue's slot, and the rest where the queue decides. A triangle that
// certainly lies in one tile is even snapped by the thread that draws it.
// outer: OuterPixelBounds (not empty), nullptr where it refused a vertex.
[[gnu::noinline]] void QueueTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx,
                                     bool countDrawn, const PixelBounds* outer) {
    if (outer != nullptr && InOneTile(*outer)) {
        const TriangleSlot slot = BeginTriangle();
        SetupPixelState(ctx, &slot.Setup());
        CommitRawTriangle(slot, a, b, c, ctx.originUpperLeft, *outer, countDrawn);
        return;
    }
    SnappedTriangle s;
    if (!SnapTriangle(a, b, c, ctx.originUpperLeft, &s)) return;
    const TriangleSlot slot = BeginTriangle();
    SetupPixelState(ctx, &slot.Setup());
    CommitSnappedTriangle(slot, s, countDrawn);
}

// Set-up writes every field the rasterizer and shaders read, so one record
// per thread is reused rather than a fresh one zero-filled per triangle
// (filling its few hundred bytes costs more than a small triangle's pixels).
[[gnu::noinline]] void DrawTriangleInline(const GrVertex& a, const GrVertex& b, const GrVertex& c,
                                          const DrawContext& ctx, bool countDrawn) {
    thread_local TriangleSetup t;
    if (!SetupTriangle(a, b, c, ctx, &t)) return;
    const std::uint64_t covered = RasterizeTriangle(t, InlineCounters());
    if (countDrawn && covered > 0) ++TheDevice().counters.trianglesDrawn;
}

// Most triangles of a big scene have bounds that hold no pixel centre: with
// tile threads they leave after the outer bounds, before their draw context
// (contextOf()) is even made; the inline path's snapping finds the same and
// about as quickly.
template <class Context>
[[gnu::always_inline]] inline void Draw(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool originUpperLeft,
                                        Context contextOf, bool countDrawn) {
    if (!TileQueueRunning()) return DrawTriangleInline(a, b, c, contextOf(), countDrawn);
    PixelBounds outer;
    const bool bounded = OuterPixelBounds(a, b, c, originUpperLeft, &outer);
    if (bounded && outer.Empty()) return;
    QueueTriangle(a, b, c, contextOf(), countDrawn, bounded ? &outer : nullptr);
}

}  // namespace

void DrawSetupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx,
                       bool countDrawn) {
    Draw(a, b, c, ctx.originUpperLeft, [&ctx]() -> const DrawContext& { return ctx; }, countDrawn);
}

namespace {

// Counts the call; false when nothing is to be rasterized.
bool AcceptTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Device& d = TheDevice();
    if (!d.open || a == nullptr || b == nullptr || c == nullptr) return false;
    ++d.counters.trianglesSubmitted;
    return d.rasterize;
}

void DrawWith(const GrVertex* a, const GrVertex* b, const GrVertex* c, TextureUse use) {
    if (!AcceptTriangle(a, b, c)) return;
    Draw(*a, *b, *c, TheDevice().originUpperLeft, [use] { return MakeDrawContext(use); }, true);
}

}  // namespace

}  // namespace glide

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    glide::DrawWith(a, b, c, glide::TextureUse::kSingle);
}

// Trilinear from the two multi-pass sources in one pass; with only one
// source it draws with that one, with none untextured.
void guMPDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    glide::DrawWith(a, b, c, glide::TextureUse::kMultipass);
}
