// Triangle draw calls: setup, coverage and the counters.
#include "device.h"
#include "rasterizer.h"

namespace glide {

std::uint64_t DrawSetupTriangle(const GrVertex& a, const GrVertex& b, const GrVertex& c, const DrawContext& ctx) {
    TriangleSetup t;
    if (!SetupTriangle(a, b, c, ctx, &t)) return 0;
    SpanCounters counters;
    const std::uint64_t covered = RasterizeTriangle(t, counters);
    DeviceCounters& dc = TheDevice().counters;
    dc.pixelsWritten += counters.written;
    dc.pixelsDepthFailed += counters.depthFailed;
    return covered;
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
    if (DrawSetupTriangle(*a, *b, *c, MakeDrawContext(use)) > 0) ++TheDevice().counters.trianglesDrawn;
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
